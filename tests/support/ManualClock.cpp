#include "support/ManualClock.h"

#include <QTimeZone>

#include <algorithm>

namespace quillet::test {

ManualClock::ManualClock(QDateTime start)
    : m_now(std::move(start))
{
}

void ManualClock::schedule(std::chrono::milliseconds delay, QObject *context, std::function<void()> action)
{
    m_pending.append(
        { m_now.addMSecs(delay.count()), m_sequence++, context, context != nullptr, std::move(action) });
}

void ManualClock::advance(std::chrono::milliseconds by)
{
    const QDateTime target = m_now.addMSecs(by.count());
    for (;;) {
        auto next = std::min_element(m_pending.begin(), m_pending.end(), [](const auto &a, const auto &b) {
            return a.due < b.due || (a.due == b.due && a.sequence < b.sequence);
        });
        if (next == m_pending.end() || next->due > target)
            break;
        Pending pending = std::move(*next);
        m_pending.erase(next);
        if (pending.due > m_now)
            m_now = pending.due;
        if (!pending.hadContext || pending.context)
            pending.action();
    }
    // An action may itself have advanced the clock; time never runs backwards.
    if (target > m_now)
        m_now = target;
}

void ManualClock::runDue()
{
    advance(std::chrono::milliseconds(0));
}

int ManualClock::pendingCount() const
{
    return int(std::count_if(
        m_pending.begin(), m_pending.end(), [](const Pending &p) { return !p.hadContext || p.context; }));
}

} // namespace quillet::test
