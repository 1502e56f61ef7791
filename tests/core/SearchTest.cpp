#include "core/Search.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class SearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ignoresCaseAndAccents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("matches");
        QTest::newRow("empty query") << QStringLiteral("anything") << QString() << true;
        QTest::newRow("case") << QStringLiteral("Hello World") << QStringLiteral("WORLD") << true;
        QTest::newRow("accent in the text")
            << QStringLiteral("Café au lait") << QStringLiteral("cafe") << true;
        QTest::newRow("accent in the query") << QStringLiteral("resume") << QStringLiteral("Résumé") << true;
        QTest::newRow("decomposed accent") << QStringLiteral("Cafe\u0301") << QStringLiteral("café") << true;
        QTest::newRow("ligature") << QStringLiteral("\uFB01le") << QStringLiteral("file") << true;
        QTest::newRow("other letters stay apart") << QStringLiteral("Øl") << QStringLiteral("ol") << false;
        QTest::newRow("no match") << QStringLiteral("apple") << QStringLiteral("pear") << false;
    }
    void ignoresCaseAndAccents()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(bool, matches);
        QCOMPARE(matchesSearch(text, query), matches);
    }
};

QUILLET_TEST_MAIN(SearchTest)
#include "SearchTest.moc"
