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
// keeping the newest three sets) rather than deleted, and a fresh store is
// opened in their place.
StoreOpening openStoreWithRecovery(const QString &path);

// Opens the user's store with recovery; when even the fresh store cannot be
// opened the process ends with "Could not create ModelContainer: <error>".
std::unique_ptr<Store> makeModelContainer();

} // namespace quillet
