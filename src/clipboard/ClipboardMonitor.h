#pragma once

#include "clipboard/PasteboardSnapshot.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

namespace quillet {

// Watches the clipboard and hands every new copy to its callback.
//
// Where the clipboard notifies its changes, a change arms a capture a few
// milliseconds later (so a burst of owner changes is read once), and nothing
// wakes Quillet while the clipboard stays as it is. Elsewhere the monitor
// polls at the "pollingInterval" preference, comparing one integer between
// polls. The clipboard is read without blocking the main thread; a change
// that arrives during a read is read once that one is done.
//
// Snapshots that Quillet wrote itself, that a password manager marked secret,
// or that hold nothing are dropped; their change count still counts as seen.
class ClipboardMonitor : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const PasteboardSnapshot &)>;

    // How long after a change notification the clipboard is read.
    static constexpr std::chrono::milliseconds kCoalesce { 5 };

    // Starts from the clipboard's current change count, so content already
    // there is not recorded.
    ClipboardMonitor(Pasteboard &pasteboard, Workspace &workspace, Defaults &defaults, Clock &clock,
        Callback onChange, QObject *parent = nullptr);

    // Begins watching; a second call does nothing.
    void start();

    bool isRunning() const { return m_running; }
    // Whether the clipboard cannot notify changes, so the monitor polls.
    bool isPolling() const { return !m_pasteboard.notifiesChanges(); }
    qint64 lastChangeCount() const { return m_lastChangeCount; }
    // Whether a read is in progress.
    bool isCapturing() const { return m_capturing; }
    // The poll interval: the "pollingInterval" preference, 0.5 s when unset.
    std::chrono::milliseconds pollingInterval() const;

    // Reads the clipboard now if its change count moved.
    void check();
    // Whether a change is being read or waits to be.
    bool hasUnreadChanges() const { return m_capturing || m_pasteboard.changeCount() != m_lastChangeCount; }

Q_SIGNALS:
    // Every change seen so far has been read and handed on.
    void caughtUp();

private:
    void arm();
    void schedulePoll();
    static QCoro::Task<> captureChanges(QPointer<ClipboardMonitor> self);

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    Defaults &m_defaults;
    Clock &m_clock;
    Callback m_onChange;
    qint64 m_lastChangeCount = 0;
    bool m_running = false;
    bool m_armed = false;
    bool m_capturing = false;
    // Owns the pending poll: deleting it cancels that poll.
    QPointer<QObject> m_pendingPoll;
};

} // namespace quillet
