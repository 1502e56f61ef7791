#include "launcher/InlineMarkdown.h"
#include "support/TestEnvironment.h"

using namespace quillet;

namespace {

InlineRun text(const QString &t)
{
    return { t, {} };
}
InlineRun bold(const QString &t)
{
    return { t, { true, false, false, {} } };
}
InlineRun italic(const QString &t)
{
    return { t, { false, true, false, {} } };
}
InlineRun code(const QString &t)
{
    return { t, { false, false, true, {} } };
}
InlineRun styled(const QString &t, bool isBold, bool isItalic, bool isCode)
{
    return { t, { isBold, isItalic, isCode, {} } };
}
InlineRun linked(const QString &t, const QString &url, bool isBold = false)
{
    return { t, { isBold, false, false, url } };
}

QString describe(const InlineText &runs)
{
    QStringList parts;
    for (const InlineRun &run : runs) {
        QString flags;
        if (run.style.bold)
            flags += QStringLiteral(" bold");
        if (run.style.italic)
            flags += QStringLiteral(" italic");
        if (run.style.code)
            flags += QStringLiteral(" code");
        if (!run.style.link.isEmpty())
            flags += QStringLiteral(" ->") + run.style.link;
        parts.append(QStringLiteral("[\"%1\"%2]").arg(run.text, flags));
    }
    return parts.join(u' ');
}

} // namespace

class InlineMarkdownTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void styles_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<InlineText>("runs");

        QTest::newRow("strong") << "a **b** c" << InlineText { text("a "), bold("b"), text(" c") };
        QTest::newRow("heading text") << "**Title**" << InlineText { bold("Title") };
        QTest::newRow("emphasis both ways")
            << "*x* _y_" << InlineText { italic("x"), text(" "), italic("y") };
        QTest::newRow("strong emphasis") << "***both***" << InlineText { styled("both", true, true, false) };
        QTest::newRow("nested") << "*a **b** c*"
                                << InlineText { italic("a "), styled("b", true, true, false), italic(" c") };
        QTest::newRow("underscore strong") << "__b__" << InlineText { bold("b") };
        QTest::newRow("intraword star") << "a*b*c" << InlineText { text("a"), italic("b"), text("c") };
        QTest::newRow("intraword underscore") << "snake_case_name" << InlineText { text("snake_case_name") };
        QTest::newRow("spaced stars") << "2 * 3 * 4" << InlineText { text("2 * 3 * 4") };
        QTest::newRow("unclosed strong") << "**open" << InlineText { text("**open") };
        QTest::newRow("left-over star") << "**a*" << InlineText { text("*"), italic("a") };
        QTest::newRow("code") << "run `ls *.txt` now"
                              << InlineText { text("run "), code("ls *.txt"), text(" now") };
        QTest::newRow("double backtick code") << "`` a ` b ``" << InlineText { code("a ` b") };
        QTest::newRow("unclosed code") << "`open *x*" << InlineText { text("`open "), italic("x") };
        QTest::newRow("code beats emphasis")
            << "*a `*` b*" << InlineText { italic("a "), styled("*", false, true, true), italic(" b") };
        QTest::newRow("escapes") << "\\*not\\* \\\\ \\q" << InlineText { text("*not* \\ \\q") };
        QTest::newRow("link") << "see [docs](https://x.org/a_(b) \"Title\")!"
                              << InlineText { text("see "), linked("docs", "https://x.org/a_(b)"),
                                     text("!") };
        QTest::newRow("angle destination") << "[a](<my file.md>)" << InlineText { linked("a", "my file.md") };
        QTest::newRow("styled link text")
            << "[a **b**](u)" << InlineText { linked("a ", "u"), linked("b", "u", true) };
        QTest::newRow("no link in a link")
            << "[outer [inner](a)](b)" << InlineText { text("[outer "), linked("inner", "a"), text("](b)") };
        QTest::newRow("bracket without destination") << "[x] (y)" << InlineText { text("[x] (y)") };
        QTest::newRow("unclosed destination") << "[x](y" << InlineText { text("[x](y") };
        QTest::newRow("emphasis does not cross a link")
            << "*[a*](u)" << InlineText { text("*"), linked("a*", "u") };
        QTest::newRow("autolink") << "<https://example.com/x?y=1>"
                                  << InlineText { linked(
                                         "https://example.com/x?y=1", "https://example.com/x?y=1") };
        QTest::newRow("not an autolink") << "a <b> c" << InlineText { text("a <b> c") };
        QTest::newRow("block syntax stays text")
            << "# not a heading" << InlineText { text("# not a heading") };
        QTest::newRow("list marker stays text") << "- item" << InlineText { text("- item") };
        QTest::newRow("white space kept")
            << "   four  spaces\tand tab" << InlineText { text("   four  spaces\tand tab") };
        QTest::newRow("empty") << "" << InlineText {};
        QTest::newRow("emoji around emphasis") << "😀*x*😀" << InlineText { text("😀"), italic("x"), text("😀") };
    }
    void styles()
    {
        QFETCH(QString, markdown);
        QFETCH(InlineText, runs);
        const InlineText rendered = renderInline(markdown);
        QVERIFY2(rendered == runs,
            qPrintable(QStringLiteral("got %1\nexpected %2").arg(describe(rendered), describe(runs))));
    }

    void formatsRuns()
    {
        QFont base(QStringLiteral("Sans"), 13);
        const QTextCharFormat strong = charFormat({ true, true, false, {} }, base);
        QCOMPARE(strong.font().weight(), QFont::Bold);
        QVERIFY(strong.font().italic());
        QVERIFY(!strong.isAnchor());
        const QTextCharFormat anchor = charFormat({ false, false, false, QStringLiteral("https://x") }, base);
        QVERIFY(anchor.isAnchor());
        QCOMPARE(anchor.anchorHref(), QStringLiteral("https://x"));
        QCOMPARE(charFormat({ false, false, true, {} }, base).font().pointSizeF(), 13.0);
    }

    void hostileInputStaysText_data()
    {
        QTest::addColumn<QString>("unit");
        // Unmatched openers and closers of every kind, and link destinations
        // and titles that never close: each of these once made the pass
        // quadratic.
        for (const char *unit :
            { "*a _b [c ](", "[](", "[](x (", "[](x \"", "[](()()", "[[a](<b", "*_", "<ab:c" })
            QTest::newRow(unit) << QString::fromUtf8(unit);
    }
    void hostileInputStaysText()
    {
        QFETCH(QString, unit);
        const QString input = unit.repeated(48 * 1024 / unit.size());
        // Nothing closes a link: only emphasis markers may be taken.
        const auto withoutEmphasis = [](QString text) { return text.remove(u'*').remove(u'_'); };
        QCOMPARE(withoutEmphasis(plainText(renderInline(input))), withoutEmphasis(input));
    }

    void aLinkClosesEveryBracketBeforeIt()
    {
        const QString links = QString(20000, u'[') + QStringLiteral("[a](b)").repeated(20000);
        const InlineText linked = renderInline(links);
        QCOMPARE(linked.size(), 2);
        QCOMPARE(linked.first().text, QString(20000, u'['));
        QCOMPARE(linked.last().text, QString(20000, u'a'));
        QCOMPARE(linked.last().style.link, QStringLiteral("b"));
    }
};

QUILLET_TEST_MAIN(InlineMarkdownTest)
#include "InlineMarkdownTest.moc"
