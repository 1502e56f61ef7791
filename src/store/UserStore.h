#pragma once

#include "store/Store.h"

#include <QStringList>

#include <memory>

namespace quillet {

// $XDG_DATA_HOME/Quillet (~/.local/share/Quillet), created whenever asked for,
// private to the user (0700, also when it already existed); a failure to
// create it is left for the store open to report.
QString storeDirectory();
// Makes the store at `path` and its companions and set-aside copies readable
// by the user alone (0600), whatever the umask made them.
void makeStoreFilesPrivate(const QString &path);
// storeDirectory()/Quillet.store
QString storePath();

struct StoreOpening {
    std::unique_ptr<Store> store;
    QString firstError; // why the first attempt failed, if it did
    QStringList movedAside; // the files set aside before the second attempt
    QString error; // why the second attempt failed, if it did
};

// Opens the store at `path`. When the file is damaged (see
// Store::OpenFailure), the store file and its -shm and -wal companions are
// moved aside (Quillet.store.broken-<UTC time>[-shm|-wal], keeping the oldest
// set and the newest two) rather than deleted, and a fresh store is opened in
// their place. When it cannot be used for any other reason, the files are left
// as they are and `store` is a stand-in (Store::isAvailable() false) until
// retryStore() succeeds. `store` is empty only when not even that can be made.
StoreOpening openStoreWithRecovery(const QString &path);
// Tries a stand-in's file again, with the same recovery; the reason it still
// cannot be used otherwise.
bool retryStore(Store &store, QString *error);

// The user's store (storePath()), opened with recovery.
StoreOpening openUserStoreWithRecovery();

} // namespace quillet
