#pragma once

#include "clipboard/ExcludedAppsService.h"
#include "clipboard/PasteboardSnapshot.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"

#include <QFuture>
#include <QObject>
#include <QThreadPool>

#include <deque>
#include <memory>
#include <optional>

namespace quillet {

// Turns clipboard snapshots into history entries: copies from excluded
// applications are dropped, content already in the history (same SHA-256) is
// refreshed instead of duplicated, and unpinned entries beyond the user's
// limit are pruned, oldest use first.
//
// The hash, title, previews and thumbnails of a copy are made on a worker
// thread, so a large picture never stalls the interface; the entry is stored
// once they are ready, and entries are stored in the order the copies were
// made. Called on the main thread.
class HistoryManager : public QObject {
    Q_OBJECT
public:
    HistoryManager(Store &store, ExcludedAppsService &excludedApps, Defaults &defaults, Clock &clock,
        QObject *parent = nullptr);
    ~HistoryManager() override;

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

    // Deletes one entry, or every unpinned one, keeping them so that the
    // last such removal can be undone until forgetRemoved(); how many went,
    // nothing when the store refused.
    std::optional<qint64> removeUndoably(const QUuid &id);
    std::optional<qint64> clearUndoably();
    // Brings back what the last of those removed; how many came back.
    qint64 undoRemoval();
    void forgetRemoved();
    // How many entries a clear removes now, and how many pinned ones it keeps.
    std::pair<qint64, qint64> clearCounts();

    // Whether snapshots are waiting for their derived values or being stored.
    bool isBusy() const { return !m_pending.empty() || m_writing; }

Q_SIGNALS:
    // Every snapshot added so far is in the store.
    void settled();

public:
    // What a snapshot becomes, made away from the main thread.
    struct Entry {
        QString hash;
        ContentType type = ContentType::generic;
        QString title;
        std::optional<QByteArray> thumbnail;
        QList<ClipboardContent> contents;
        QString searchText;
    };

private:
    struct Pending;

    void storeReady();
    void store(const Pending &pending, const Entry &entry);
    void stored();

    Store &m_store;
    ExcludedAppsService &m_excludedApps;
    Defaults &m_defaults;
    Clock &m_clock;
    // A large entry is written by the store's worker; later ones wait for it.
    bool m_writing = false;
    bool m_storedSinceSettled = false;
    std::deque<std::shared_ptr<Pending>> m_pending;
    // Decoding and hashing run here, below the main thread's priority, so a
    // large picture never takes the processor from the interface.
    QThreadPool m_workers;
};

} // namespace quillet
