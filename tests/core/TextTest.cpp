#include "core/Text.h"
#include "support/TestEnvironment.h"

using namespace quillet;
using namespace Qt::StringLiterals;

class TextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void strictUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::newRow("empty") << QByteArray() << std::optional<QString>(QString());
        QTest::newRow("two-byte") << QByteArray("caf\xc3\xa9") << std::optional<QString>(u"café"_s);
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xef\xbb\xbfhi") << std::optional<QString>(u"hi"_s);
        QTest::newRow("truncated") << QByteArray("\xc3") << std::optional<QString>();
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << std::optional<QString>();
        QTest::newRow("overlong") << QByteArray("\xc0\xaf") << std::optional<QString>();
    }
    void strictUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, text);
        QCOMPARE(decodeStrictUtf8(bytes), text);
    }

    void anIncompleteTailIsCut_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("kept");
        QTest::newRow("whole") << QByteArray("a\xc3\xa9") << qsizetype(3);
        QTest::newRow("half of é") << QByteArray("a\xc3") << qsizetype(1);
        QTest::newRow("three of a four-byte emoji") << QByteArray("a\xf0\x9f\x8e") << qsizetype(1);
        QTest::newRow("whole emoji") << QByteArray("\xf0\x9f\x8e\x89") << qsizetype(4);
        QTest::newRow("stray continuation bytes") << QByteArray("\x80\x80\x80\x80\x80") << qsizetype(5);
    }
    void anIncompleteTailIsCut()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, kept);
        QCOMPARE(lengthWithoutIncompleteUtf8Tail(bytes), kept);
    }

    void trimmers()
    {
        const QString text = u"\u00a0\t a b \r\u2003"_s;
        QCOMPARE(trimmedSpacesAndTabs(text).toString(), text); // no-break and em spaces stay
        QCOMPARE(trimmedSpacesAndTabs(u" \tx\r \t"_s).toString(), u"x\r"_s);
        QCOMPARE(trimmedSpaces(text).toString(), u"a b \r"_s);
        QCOMPARE(trimmedSpaces(u"\u2003\n"_s).toString(), u"\n"_s);
        QCOMPARE(trimmedSpaces(u" \t "_s).toString(), QString());
    }
};

QUILLET_TEST_MAIN(TextTest)
#include "TextTest.moc"
