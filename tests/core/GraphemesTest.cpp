#include "core/Graphemes.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class GraphemesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void countsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("empty") << QString() << qsizetype(0);
        QTest::newRow("ascii") << QStringLiteral("Hello") << qsizetype(5);
        // man, ZWJ, woman, ZWJ, girl: one family
        QTest::newRow("emoji family")
            << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467") << qsizetype(1);
        QTest::newRow("combining accent") << QStringLiteral("e\u0301te\u0301") << qsizetype(3);
        QTest::newRow("flag") << QStringLiteral("\U0001F1E9\U0001F1EA!") << qsizetype(2);
        QTest::newRow("crlf is one") << QStringLiteral("a\r\nb") << qsizetype(3);
    }
    void countsUserPerceivedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, count);
        QCOMPARE(graphemeCount(text), count);
        QCOMPARE(splitGraphemes(text).size(), count);
        QCOMPARE(splitGraphemes(text).join(QString()), text);
    }

    void cutsAtCharacterBoundaries()
    {
        const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
        QCOMPARE(leftGraphemes(family + family + QStringLiteral("x"), 2), family + family);
        QCOMPARE(leftGraphemes(QStringLiteral("abc"), 5), QStringLiteral("abc"));
        QCOMPARE(leftGraphemes(QStringLiteral("abc"), 0), QString());
        QCOMPARE(leftGraphemes(QStringLiteral("e\u0301x"), 1), QStringLiteral("e\u0301"));
    }
};

QUILLET_TEST_MAIN(GraphemesTest)
#include "GraphemesTest.moc"
