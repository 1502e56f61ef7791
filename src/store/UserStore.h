#pragma once

#include "store/Store.h"

#include <QStringList>

#include <memory>

namespace quillet {

// $XDG_DATA_HOME/Quillet (~/.local/share/Quillet), created whenever asked for;
// a failure to create it is left for the store open to report.
QString storeDirectory();
// storeDirectory()/Quillet.store
QString storePath();

struct StoreOpening {
    std::unique_ptr<Store> store;
    QString firstError; // why the first attempt failed, if it did
    QStringList movedAside; // the files set aside before the second attempt
    QString error; // why the second attempt failed, if it did
};

// Opens the store at `path`. When that fails, the store file and its -shm and
// -wal companions are moved aside (Quillet.store.broken-<UTC time>[-shm|-wal],
// keeping the oldest set and the newest two) rather than deleted, and a fresh
// store is opened in their place. `store` is empty when even that fails; the
// caller decides what to do then.
StoreOpening openStoreWithRecovery(const QString &path);

// The user's store (storePath()), opened with recovery.
StoreOpening openUserStoreWithRecovery();

} // namespace quillet
