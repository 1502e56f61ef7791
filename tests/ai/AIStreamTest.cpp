#include "ai/AIStream.h"
#include "EventText.h"
#include "support/TestEnvironment.h"

using namespace quillet;
using namespace quillet::test;

class AIStreamTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliversInOrderThenEndsOnce()
    {
        AIStream<int> stream;
        // Values pushed before anyone reads are buffered without bound.
        for (int i = 0; i < 5000; ++i)
            stream.push(i);
        auto drained = drain(stream);
        stream.push(5000);
        stream.finish();
        stream.fail(QStringLiteral("too late"));
        stream.push(1);
        QTRY_VERIFY_WITH_TIMEOUT(drained->ended, 10000);
        QCOMPARE(drained->values.size(), 5001);
        for (int i = 0; i <= 5000; ++i)
            QCOMPARE(drained->values[i], i);
        QCOMPARE(drained->error, std::nullopt);
    }

    void failureKeepsEarlierValues()
    {
        AIStream<QString> stream;
        auto drained = drain(stream);
        stream.push(QStringLiteral("a"));
        stream.fail(QStringLiteral("broken"));
        stream.finish();
        QTRY_VERIFY_WITH_TIMEOUT(drained->ended, 10000);
        QCOMPARE(drained->values, QStringList { QStringLiteral("a") });
        QCOMPARE(drained->error, std::optional<QString>(QStringLiteral("broken")));
    }

    void waitingConsumerResumesFromTheEventLoop()
    {
        AIStream<int> stream;
        auto drained = drain(stream);
        stream.push(1);
        // Not inside push(): the producer must never run its consumer.
        QVERIFY(drained->values.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(drained->values, QList<int> { 1 });
        stream.finish();
        QTRY_VERIFY_WITH_TIMEOUT(drained->ended, 10000);
    }
};

QUILLET_TEST_MAIN(AIStreamTest)
#include "AIStreamTest.moc"
