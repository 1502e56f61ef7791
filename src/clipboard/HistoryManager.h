#pragma once

#include "clipboard/ExcludedAppsService.h"
#include "clipboard/PasteboardSnapshot.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"

#include <QFuture>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

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
//
// A copy the store cannot take (locked by another program, a full disk) is
// kept in memory, within bounds, and written when the store takes writes
// again; meanwhile `problem` says so. While the store is unavailable nothing
// is recorded at all.
class HistoryManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString problem READ problem NOTIFY problemChanged)
public:
    // Where a snapshot comes from: a copy waits for the store when it cannot
    // be written; a command is answered at once with why.
    enum class Origin { clipboard, command };

    HistoryManager(Store &store, ExcludedAppsService &excludedApps, Defaults &defaults, Clock &clock,
        QObject *parent = nullptr);
    ~HistoryManager() override;

    // Records `snapshot`; the future gives why it is not in the history,
    // empty once it is (or once it was dropped on purpose, as a copy from an
    // excluded application is).
    QFuture<QString> addSnapshot(const PasteboardSnapshot &snapshot, Origin origin = Origin::clipboard);
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

    // Why copies are not being recorded, in one short line; empty while they are.
    QString problem() const;
    // Whether the store itself is missing (so the user can ask to try again).
    bool isStoreUnavailable() const { return !m_store.isAvailable(); }
    // Tries the store again now: reopens an unavailable one, or writes the
    // copies that wait.
    void retryNow();

    // How many copies may wait for the store, and how many bytes they may hold.
    static constexpr int kMaxWaitingCopies = 200;
    static constexpr qint64 kMaxWaitingBytes = 256 * 1024 * 1024;

Q_SIGNALS:
    // Every snapshot added so far is in the store.
    void settled();
    void problemChanged();

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

    enum class Write { done, failed, started };

    void storeReady();
    Write store(const Pending &pending, const Entry &entry);
    void stored(bool ok);
    // The front snapshot is through (stored, or refused with `failure`).
    void finishFront(const QString &failure);
    void waitForStore(const QString &reason);
    void dropExcessCopies();
    void setWaitReason(const QString &reason);

    Store &m_store;
    ExcludedAppsService &m_excludedApps;
    Defaults &m_defaults;
    Clock &m_clock;
    // A large entry is written by the store's worker; later ones wait for it.
    bool m_writing = false;
    bool m_storedSinceSettled = false;
    // Why the front copy waits for the store; empty while writes succeed.
    QString m_waitReason;
    int m_droppedCopies = 0;
    QTimer m_retry;
    std::deque<std::shared_ptr<Pending>> m_pending;
    // Decoding and hashing run here, below the main thread's priority, so a
    // large picture never takes the processor from the interface.
    QThreadPool m_workers;
};

} // namespace quillet
