#include "launcher/TerminalOutput.h"
#include "support/TestEnvironment.h"

using namespace quillet;

namespace {

QColor rgb(int r, int g, int b)
{
    return QColor::fromRgbF(float(r) / 255.0f, float(g) / 255.0f, float(b) / 255.0f);
}

TerminalStyle plain(const QColor &color = terminalColors::defaultColor())
{
    return TerminalStyle { color, false, false, false };
}

// Colours compare at 8 bits per channel: the tables are given as fractions.
bool sameRuns(const TerminalText &a, const TerminalText &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const TerminalStyle &x = a[i].style;
        const TerminalStyle &y = b[i].style;
        if (a[i].text != b[i].text || x.color.rgba() != y.color.rgba() || x.bold != y.bold || x.dim != y.dim
            || x.underline != y.underline)
            return false;
    }
    return true;
}

QString describe(const TerminalText &runs)
{
    QStringList parts;
    for (const TerminalRun &run : runs) {
        parts.append(QStringLiteral("[%1 %2%3%4%5]")
                         .arg(run.text, run.style.color.name(QColor::HexRgb), run.style.bold ? " bold" : "",
                             run.style.dim ? " dim" : "", run.style.underline ? " underline" : ""));
    }
    return parts.join(u' ');
}

} // namespace

class TerminalOutputTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void convertsEscapes_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<TerminalText>("runs");

        const QColor fallback = terminalColors::defaultColor();
        QTest::newRow("bold red then reset")
            << QByteArray("\x1b[1;31merror\x1b[0m done")
            << TerminalText { { "error", { rgb(204, 51, 51), true, false, false } }, { " done", plain() } };
        QTest::newRow("only escapes and spaces") << QByteArray("\n \x1b[31m\x1b[0m\n ") << TerminalText {};
        QTest::newRow("erase line dropped")
            << QByteArray("a\x1b[Kb\x1b[2;5Hc") << TerminalText { { "abc", plain() } };
        QTest::newRow("OSC shown as text")
            << QByteArray("x\x1b]0;title\x07y") << TerminalText { { "x]0;title\x07y", plain() } };
        QTest::newRow("cube red") << QByteArray("\x1b[38;5;196mR")
                                  << TerminalText { { "R", plain(rgb(255, 0, 0)) } };
        QTest::newRow("grey ramp") << QByteArray("\x1b[38;5;244mG")
                                   << TerminalText { { "G", plain(rgb(128, 128, 128)) } };
        QTest::newRow("cube mixed") << QByteArray("\x1b[38;5;67mC")
                                    << TerminalText { { "C", plain(rgb(95, 135, 175)) } };
        QTest::newRow("indexed standard and bright")
            << QByteArray("\x1b[38;5;1ma\x1b[38;5;9mb")
            << TerminalText { { "a", plain(rgb(204, 51, 51)) }, { "b", plain(rgb(255, 77, 77)) } };
        QTest::newRow("true colour") << QByteArray("\x1b[38;2;10;20;30mT")
                                     << TerminalText { { "T", plain(rgb(10, 20, 30)) } };
        QTest::newRow("index missing")
            << QByteArray("\x1b[31m\x1b[38;5mX") << TerminalText { { "X", plain(rgb(204, 51, 51)) } };
        QTest::newRow("negative index ignored")
            << QByteArray("\x1b[32m\x1b[38;5;-1mN") << TerminalText { { "N", plain(rgb(51, 191, 51)) } };
        QTest::newRow("index above 255 ignored")
            << QByteArray("\x1b[32m\x1b[38;5;300mN") << TerminalText { { "N", plain(rgb(51, 191, 51)) } };
        QTest::newRow("component above 255 clamped")
            << QByteArray("\x1b[38;2;300;0;0mC") << TerminalText { { "C", plain(rgb(255, 0, 0)) } };
        QTest::newRow("empty parameters reset")
            << QByteArray("\x1b[1;4mA\x1b[mB")
            << TerminalText { { "A", { fallback, true, false, true } }, { "B", plain() } };
        QTest::newRow("style crosses lines")
            << QByteArray("\x1b[33mone\r\ntwo\x1b[39m three")
            << TerminalText { { "one\ntwo", plain(rgb(204, 179, 51)) }, { " three", plain() } };
        QTest::newRow("carriage returns dropped")
            << QByteArray("50%\r100%\r\n") << TerminalText { { "50%100%", plain() } };
        QTest::newRow("dim and back")
            << QByteArray("\x1b[2mfaint\x1b[22mnormal")
            << TerminalText { { "faint", { fallback, false, true, false } }, { "normal", plain() } };
        QTest::newRow("underline off")
            << QByteArray("\x1b[4mu\x1b[24mv")
            << TerminalText { { "u", { fallback, false, false, true } }, { "v", plain() } };
        QTest::newRow("bright colours")
            << QByteArray("\x1b[97mw\x1b[90mg")
            << TerminalText { { "w", plain(rgb(255, 255, 255)) }, { "g", plain(rgb(128, 128, 128)) } };
        QTest::newRow("background ignored")
            << QByteArray("\x1b[41;3;5mbg") << TerminalText { { "bg", plain() } };
        QTest::newRow("junk parameters skipped") << QByteArray("\x1b[?;1;+2m\x1b[ 4mj")
                                                 << TerminalText { { "j", { fallback, true, true, false } } };
        QTest::newRow("ESC not followed by [") << QByteArray("a\x1b"
                                                             "Bb")
                                               << TerminalText { { "aBb", plain() } };
        QTest::newRow("lone ESC at the end")
            << QByteArray("done\x1b") << TerminalText { { "done", plain() } };
        QTest::newRow("unterminated sequence drops the rest")
            << QByteArray("ok\x1b[31;1 2") << TerminalText { { "ok", plain() } };
        QTest::newRow("a byte that is not UTF-8 is replaced")
            << QByteArray("ok\xff done") << TerminalText { { QStringLiteral("ok\uFFFD done"), plain() } };
        QTest::newRow("non-ASCII parameters")
            << QByteArray("\x1b[\xc3\xa9m\xc3\xa9") << TerminalText { { "é", plain() } };
    }
    void convertsEscapes()
    {
        QFETCH(QByteArray, data);
        QFETCH(TerminalText, runs);
        const TerminalText converted = attributedOutput(data);
        QVERIFY2(sameRuns(converted, runs),
            qPrintable(QStringLiteral("got %1\nexpected %2").arg(describe(converted), describe(runs))));
    }

    void theShownTailStartsAtALineOrACharacter_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("fits") << QByteArray("a\nb") << QByteArray("a\nb");
        QTest::newRow("from the first whole line")
            << QByteArray("first\nsecond\nthird") << QByteArray("third");
        QTest::newRow("one long line") << QByteArray(20, 'x') + "end" << QByteArray("xxxxxxxxxend");
        QTest::newRow("one long line ending in a break") << QByteArray(20, 'x') + "\r\n"
                                                         << QByteArray("xxxxxxxxxx\r\n");
        QTest::newRow("a cut character is dropped")
            << QStringLiteral("éééééééx").toUtf8() << QStringLiteral("éééééx").toUtf8();
    }
    void theShownTailStartsAtALineOrACharacter()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, shown);
        QCOMPARE(shownTail(raw, 12), shown);
    }

    void dimTextIsDrawnTranslucent()
    {
        const TerminalStyle dim { terminalColors::standard(1), false, true, false };
        QVERIFY(dim.displayColor().alphaF() < plain().displayColor().alphaF());
        QFont font(QStringLiteral("Monospace"), 11);
        const QTextCharFormat format
            = charFormat(TerminalStyle { terminalColors::standard(2), true, false, true }, font);
        QVERIFY(format.font().bold());
        QVERIFY(format.fontUnderline());
        QCOMPARE(format.foreground().color(), terminalColors::standard(2));
    }
};

QUILLET_TEST_MAIN(TerminalOutputTest)
#include "TerminalOutputTest.moc"
