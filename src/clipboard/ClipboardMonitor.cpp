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
        if (key == keys::pollingInterval && m_running)
            scheduleNext();
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
    scheduleNext();
}

void ClipboardMonitor::scheduleNext()
{
    delete m_pendingPoll;
    auto *token = new QObject(this);
    m_pendingPoll = token;
    m_clock.schedule(pollingInterval(), token, [this, token] {
        token->deleteLater();
        m_pendingPoll = nullptr;
        poll();
        if (m_running && !m_pendingPoll)
            scheduleNext();
    });
}

void ClipboardMonitor::poll()
{
    const qint64 count = m_pasteboard.changeCount();
    if (count == m_lastChangeCount)
        return;
    m_lastChangeCount = count;
    const PasteboardSnapshot snapshot = capture(m_pasteboard, m_workspace);
    if (snapshot.hasSelfMarker || snapshot.isSecret || snapshot.contents.isEmpty())
        return;
    if (m_onChange)
        m_onChange(snapshot);
}

} // namespace quillet
