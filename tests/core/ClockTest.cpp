#include "core/Clock.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

QCoro::Task<> sleepThenMark(Clock &clock, std::chrono::milliseconds delay, QStringList &log, QString mark)
{
    co_await clock.sleep(delay);
    log.append(mark);
}

} // namespace

class ClockTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void manualClockRunsActionsInDueOrder()
    {
        test::ManualClock clock;
        const QDateTime start = clock.now();
        QStringList log;
        clock.schedule(200ms, nullptr, [&] { log.append(QStringLiteral("b")); });
        clock.schedule(100ms, nullptr, [&] {
            log.append(QStringLiteral("a"));
            // Scheduled from inside an action: still runs within the same advance.
            clock.schedule(50ms, nullptr, [&] { log.append(QStringLiteral("a2")); });
        });
        clock.schedule(200ms, nullptr, [&] { log.append(QStringLiteral("c")); });
        clock.advance(99ms);
        QVERIFY(log.isEmpty());
        clock.advance(200ms);
        QCOMPARE(log,
            (QStringList {
                QStringLiteral("a"), QStringLiteral("a2"), QStringLiteral("b"), QStringLiteral("c") }));
        QCOMPARE(start.msecsTo(clock.now()), 299);
    }

    void destroyedContextCancelsAction()
    {
        test::ManualClock clock;
        bool ran = false;
        {
            QObject context;
            clock.schedule(10ms, &context, [&] { ran = true; });
        }
        clock.advance(20ms);
        QVERIFY(!ran);
        QCOMPARE(clock.pendingCount(), 0);
    }

    void coroutineSleepWaitsForTheClock()
    {
        test::ManualClock clock;
        QStringList log;
        auto task = sleepThenMark(clock, 200ms, log, QStringLiteral("woke"));
        QVERIFY(log.isEmpty());
        clock.advance(199ms);
        QVERIFY(log.isEmpty());
        clock.advance(1ms);
        QCOMPARE(log, QStringList { QStringLiteral("woke") });
    }

    void systemClockSleepResumes()
    {
        QStringList log;
        auto task = sleepThenMark(Clock::system(), 1ms, log, QStringLiteral("done"));
        QTRY_COMPARE(log, QStringList { QStringLiteral("done") });
    }
};

QUILLET_TEST_MAIN(ClockTest)
#include "ClockTest.moc"
