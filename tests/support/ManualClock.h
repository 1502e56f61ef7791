#pragma once

#include "core/Clock.h"

#include <QList>
#include <QPointer>

namespace quillet::test {

// A clock that moves only when the test says so; scheduled actions run, in
// due order, inside advance().
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC));

    QDateTime now() const override { return m_now; }
    void schedule(std::chrono::milliseconds delay, QObject *context, std::function<void()> action) override;

    // Moves the time forward, running every action that falls due on the way.
    void advance(std::chrono::milliseconds by);
    // Runs every action due now (after advance() or a zero delay).
    void runDue();

    int pendingCount() const;

private:
    struct Pending {
        QDateTime due;
        quint64 sequence;
        QPointer<QObject> context;
        bool hadContext;
        std::function<void()> action;
    };
    QDateTime m_now;
    quint64 m_sequence = 0;
    QList<Pending> m_pending;
};

} // namespace quillet::test
