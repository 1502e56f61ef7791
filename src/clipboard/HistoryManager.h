#pragma once

#include "clipboard/ExcludedAppsService.h"
#include "clipboard/PasteboardSnapshot.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"

#include <optional>

namespace quillet {

// Turns clipboard snapshots into history entries: copies from excluded
// applications are dropped, content already in the history (same SHA-256) is
// refreshed instead of duplicated, and unpinned entries beyond the user's
// limit are pruned, oldest use first. Main thread only.
class HistoryManager {
public:
    HistoryManager(Store &store, ExcludedAppsService &excludedApps, Defaults &defaults, Clock &clock);

    void addSnapshot(const PasteboardSnapshot &snapshot);
    std::optional<ClipboardItem> findByHash(const QString &contentHash);
    void pruneHistory();

    // Pins or unpins an entry; pinned entries survive pruning and "Clear".
    // False when the entry is gone or the store refused.
    bool setPinned(const QUuid &id, bool pinned);
    // Deletes one entry, pinned or not.
    bool remove(const QUuid &id);

    // Gives up to `count` entries recorded before search reached their whole
    // text (by an earlier Quillet) their search text; answers how many. Run in
    // small batches until it answers 0.
    int indexForSearch(int count);

    // The "maxHistorySize" preference, 500 when unset or 0.
    qint64 historyLimit() const;

private:
    Store &m_store;
    ExcludedAppsService &m_excludedApps;
    Defaults &m_defaults;
    Clock &m_clock;
};

} // namespace quillet
