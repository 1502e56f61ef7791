#include "ai/UsageCost.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class UsageCostTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void estimate_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<qint64>("input");
        QTest::addColumn<qint64>("output");
        QTest::addColumn<QString>("cost");
        QTest::newRow("a flash model")
            << "gemini-2.5-flash" << qint64(1'000'000) << qint64(1'000'000) << "$1.7500";
        QTest::newRow("PRO in capitals")
            << "Gemini-2.5-PRO" << qint64(1'000'000) << qint64(1'000'000) << "$14.0000";
        QTest::newRow("pro inside a word") << "approx" << qint64(500'000) << qint64(0) << "$1.0000";
        QTest::newRow("zero tokens") << "gemini-2.5-pro" << qint64(0) << qint64(0) << "$0.0000";
        QTest::newRow("a few tokens") << "" << qint64(1200) << qint64(1800) << "$0.0030";
    }
    void estimate()
    {
        QFETCH(QString, model);
        QFETCH(qint64, input);
        QFETCH(qint64, output);
        QFETCH(QString, cost);
        QCOMPARE(estimatedCost(model, input, output), cost);
    }
};

QUILLET_TEST_MAIN(UsageCostTest)
#include "UsageCostTest.moc"
