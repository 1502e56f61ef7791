#include "clipboard/ClipboardMonitor.h"

#include "clipboard/PasteboardTransfer.h"
#include "defaults/PreferenceKeys.h"

#include <algorithm>
#include <cmath>

namespace quillet {

namespace {

constexpr double kDefaultInterval = 0.5;
// A stored interval outside this range would either spin the processor or
// make the history look broken; it is brought back inside.
constexpr double kMinInterval = 0.1;
constexpr double kMaxInterval = 10.0;

} // namespace

ClipboardMonitor::ClipboardMonitor(Pasteboard &pasteboard, Workspace &workspace, Defaults &defaults,
    Clock &clock, Callback onChange, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_onChange(std::move(onChange))
    , m_lastChangeCount(pasteboard.changeCount())
{
    // A new interval applies from now on, not after the current wait.
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::pollingInterval && m_running && isPolling())
            schedulePoll();
    });
}

std::chrono::milliseconds ClipboardMonitor::pollingInterval() const
{
    double seconds = m_defaults.doubleValue(keys::pollingInterval);
    if (seconds == 0.0 || !std::isfinite(seconds))
        seconds = kDefaultInterval;
    seconds = std::clamp(seconds, kMinInterval, kMaxInterval);
    return std::chrono::milliseconds(std::lround(seconds * 1000.0));
}

void ClipboardMonitor::start()
{
    if (m_running)
        return;
    m_running = true;
    connect(&m_pasteboard, &Pasteboard::changed, this, &ClipboardMonitor::arm);
    if (isPolling())
        schedulePoll();
    // A change between creation and start is not lost.
    if (m_pasteboard.changeCount() != m_lastChangeCount)
        arm();
}

void ClipboardMonitor::arm()
{
    if (m_armed)
        return;
    m_armed = true;
    m_clock.schedule(kCoalesce, this, [this] {
        m_armed = false;
        check();
    });
}

void ClipboardMonitor::schedulePoll()
{
    delete m_pendingPoll;
    auto *token = new QObject(this);
    m_pendingPoll = token;
    m_clock.schedule(pollingInterval(), token, [this, token] {
        token->deleteLater();
        m_pendingPoll = nullptr;
        m_pasteboard.checkForChanges();
        check();
        if (m_running && !m_pendingPoll)
            schedulePoll();
    });
}

void ClipboardMonitor::check()
{
    if (m_capturing || m_pasteboard.changeCount() == m_lastChangeCount)
        return;
    captureChanges(this);
}

QCoro::Task<> ClipboardMonitor::captureChanges(QPointer<ClipboardMonitor> self)
{
    self->m_capturing = true;
    // Changes that arrive during a read are read right after it.
    while (self && self->m_pasteboard.changeCount() != self->m_lastChangeCount) {
        const qint64 count = self->m_pasteboard.changeCount();
        self->m_lastChangeCount = count;
        PasteboardSnapshot snapshot = co_await capture(self->m_pasteboard, self->m_workspace);
        if (!self)
            co_return;
        snapshot.changeCount = count;
        if (snapshot.hasSelfMarker || snapshot.isSecret || snapshot.contents.isEmpty())
            continue;
        if (self->m_onChange)
            self->m_onChange(snapshot);
    }
    if (self) {
        self->m_capturing = false;
        Q_EMIT self->caughtUp();
    }
}

} // namespace quillet
