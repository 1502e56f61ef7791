#pragma once

#include "clipboard/PasteboardSnapshot.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

namespace quillet {

// Watches the clipboard by polling its change count on the main thread (the
// desktop's clipboard is only usable there). Between polls only one integer is
// compared; the clipboard is read only when the count moved.
//
// Snapshots that Quillet wrote itself, that a password manager marked secret,
// or that hold nothing are dropped; their change count still counts as seen.
// The callback runs to its end before the next poll is scheduled.
class ClipboardMonitor : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const PasteboardSnapshot &)>;

    // Starts from the clipboard's current change count, so content already
    // there is not recorded.
    ClipboardMonitor(Pasteboard &pasteboard, Workspace &workspace, Defaults &defaults, Clock &clock,
        Callback onChange, QObject *parent = nullptr);

    // Begins polling; a second call does nothing.
    void start();

    bool isRunning() const { return m_running; }
    qint64 lastChangeCount() const { return m_lastChangeCount; }
    // The interval in use: the "pollingInterval" preference, 0.5 s when unset.
    std::chrono::milliseconds pollingInterval() const;

    // One poll, as the timer runs it.
    void poll();

private:
    void scheduleNext();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    Defaults &m_defaults;
    Clock &m_clock;
    Callback m_onChange;
    qint64 m_lastChangeCount = 0;
    bool m_running = false;
    // Owns the pending poll: deleting it cancels that poll.
    QPointer<QObject> m_pendingPoll;
};

} // namespace quillet
