#include "clipboard/RtfReader.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class RtfReaderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsPlainText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("simple") << QByteArray("{\\rtf1 Hello}") << QStringLiteral("Hello");
        QTest::newRow("paragraphs and lines")
            << QByteArray("{\\rtf1 a\\par b\\line c\\tab d}") << QStringLiteral("a\nb\nc\td");
        QTest::newRow("source line breaks ignored")
            << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
        QTest::newRow("escaped line break is a paragraph")
            << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\nb");
        QTest::newRow("tables and info skipped") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss "
            "Helvetica;}{\\colortbl;\\red255\\green0\\blue0;}"
            "{\\*\\expandedcolortbl;;}{\\info{\\title Secret}}{\\stylesheet{\\s0 Normal;}}"
            "\\pard\\f0\\fs24 \\cf0 Visible}") << QStringLiteral("Visible");
        QTest::newRow("unknown ignorable destination")
            << QByteArray("{\\rtf1 a{\\*\\futurething hidden}b}") << QStringLiteral("ab");
        QTest::newRow("picture skipped")
            << QByteArray("{\\rtf1 x{\\pict\\pngblip 89504e47}y}") << QStringLiteral("xy");
        QTest::newRow("field result kept")
            << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}}")
            << QStringLiteral("link");
        QTest::newRow("escaped symbols") << QByteArray("{\\rtf1 \\{a\\}\\\\}") << QStringLiteral("{a}\\");
        QTest::newRow("hex in cp1252")
            << QByteArray("{\\rtf1\\ansi caf\\'e9 \\'80}") << QStringLiteral("café €");
        QTest::newRow("unicode with fallback") << QByteArray("{\\rtf1 \\u8364?x}") << QStringLiteral("€x");
        QTest::newRow("unicode negative") << QByteArray("{\\rtf1 \\u-3913?}") << QStringLiteral("\uF0B7");
        QTest::newRow("uc2 skips two")
            << QByteArray("{\\rtf1\\uc2 \\u8364\\'80\\'80x}") << QStringLiteral("€x");
        QTest::newRow("uc0 skips none") << QByteArray("{\\rtf1\\uc0 \\u233 x}") << QStringLiteral("éx");
        QTest::newRow("surrogate pair")
            << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
        QTest::newRow("lone surrogate replaced")
            << QByteArray("{\\rtf1 \\u-10179?z}") << QStringLiteral("\uFFFDz");
        QTest::newRow("uc scope ends with the group")
            << QByteArray("{\\rtf1 {\\uc0 }\\u233?}") << QStringLiteral("é");
        QTest::newRow("quotes and dashes") << QByteArray("{\\rtf1 \\ldblquote a\\rdblquote \\emdash b}")
                                           << QStringLiteral("\u201Ca\u201D\u2014b");
        QTest::newRow("binary data is not text")
            << QByteArray("{\\rtf1 a\\bin4 {}}}b}") << QStringLiteral("ab");
        QTest::newRow("parameters and delimiters")
            << QByteArray("{\\rtf1\\fs24 big\\fs-2 small}") << QStringLiteral("bigsmall");
        QTest::newRow("leading whitespace") << QByteArray("  \n{\\rtf1 ok}") << QStringLiteral("ok");
        QTest::newRow("trailing bytes ignored")
            << QByteArray("{\\rtf1 ok}\0garbage", 18) << QStringLiteral("ok");
        QTest::newRow("empty document") << QByteArray("{\\rtf1}") << QString();
    }
    void readsPlainText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        const auto result = rtfToPlainText(rtf);
        QVERIFY(result);
        QCOMPARE(*result, text);
    }

    void rejectsWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain text") << QByteArray("Hello");
        QTest::newRow("no rtf header") << QByteArray("{\\pard hi}");
        QTest::newRow("truncated") << QByteArray("{\\rtf1 Hello\\par wor");
        QTest::newRow("unclosed inner group") << QByteArray("{\\rtf1 {\\b bold}");
        QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\");
        QTest::newRow("huge bin runs off the end") << QByteArray("{\\rtf1 a\\bin999999999999 }}}");
    }
    void rejectsWhatItCannotRead()
    {
        QFETCH(QByteArray, rtf);
        QCOMPARE(rtfToPlainText(rtf), std::nullopt);
    }

    void deepNestingIsFine()
    {
        constexpr int depth = 200000;
        QByteArray rtf("{\\rtf1 ");
        rtf.append(QByteArray(depth, '{'));
        rtf.append("deep");
        rtf.append(QByteArray(depth, '}'));
        rtf.append('}');
        QCOMPARE(rtfToPlainText(rtf), std::optional<QString>(QStringLiteral("deep")));
        // And the same without the closing braces is simply unreadable.
        QCOMPARE(rtfToPlainText(rtf.left(rtf.size() - depth)), std::nullopt);
    }

    void invalidUtf8AndControlBytesDoNotBreakIt()
    {
        const QByteArray rtf("{\\rtf1 \xff\xfe\x01x\\'zz\\u\\uc-5 y}");
        const auto text = rtfToPlainText(rtf);
        QVERIFY(text);
        QVERIFY(text->endsWith(QStringLiteral("y")));
    }
};

QUILLET_TEST_MAIN(RtfReaderTest)
#include "RtfReaderTest.moc"
