#include "launcher/MarkdownBlocks.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class MarkdownBlocksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsEveryConstruct_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("blocks");
        QTest::newRow("headings") << "# One\n### Three **x**\n#no heading"
                                  << "h1(One), h3(Three x), p(#no heading)";
        QTest::newRow("paragraph lines and a hard break") << "a\nb  \nc"
                                                          << "p(a b\u2028c)";
        QTest::newRow("inline styles")
            << "**b** *i* `c` ~~s~~ [l](https://x.org) <https://y.org>"
            << "p({b:b} {i:i} {code:c} {s:s} {a=https://x.org:l} {a=https://y.org:https://y.org})";
        QTest::newRow("autolinks get a scheme")
            << "www.x.org me@x.org"
            << "p({a=http://www.x.org:www.x.org} {a=mailto:me@x.org:me@x.org})";
        QTest::newRow("image as a link") << "![a cat](https://x.org/c.png) ![](y.png)"
                                         << "p({a=https://x.org/c.png:a cat} {a=y.png:y.png})";
        QTest::newRow("quote") << "> quoted\n> **text**\n\nafter"
                               << "quote[p(quoted {b:text})], p(after)";
        QTest::newRow("nested lists") << "- a\n  - b\n    1. c\n- d"
                                      << "ul[li[p(a), ul[li[p(b), ol1[li[p(c)]]]]], li[p(d)]]";
        QTest::newRow("ordered list keeps its start") << "3. x\n4. y"
                                                      << "ol3[li[p(x)], li[p(y)]]";
        QTest::newRow("task list") << "- [x] done\n- [ ] open"
                                   << "ul[task+[p(done)], task-[p(open)]]";
        QTest::newRow("table with alignment") << "| A | B | C | D |\n|:--|:-:|--:|---|\n| 1 | **2** |\n"
                                              << "table(l,c,r,-)[A|B|C|D; 1|{b:2}||]";
        QTest::newRow("fenced code") << "```sh\nls -la\n  cd ~\n```"
                                     << "code:sh(ls -la\n  cd ~)";
        QTest::newRow("unclosed fence runs to the end") << "```\na\n\nb"
                                                        << "code:(a\n\nb)";
        QTest::newRow("rule") << "a\n\n---\nb"
                              << "p(a), hr, p(b)";
        QTest::newRow("markup stays text") << "<b>x</b> &amp; &#x263A; &bogus;"
                                           << "p(<b>x</b> & \u263A &bogus;)";
    }
    void readsEveryConstruct()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, blocks);
        QCOMPARE(describe(parseMarkdown(markdown)), blocks);
    }

    void deepNestingIsFlattened()
    {
        const QList<MarkdownBlock> blocks = parseMarkdown(QStringLiteral("> ").repeated(5000) + "deep");
        int depth = 0;
        const MarkdownBlock *block = &blocks.first();
        while (!block->children.isEmpty()) {
            ++depth;
            block = &block->children.first();
        }
        QVERIFY(depth <= 8);
        QCOMPARE(plainText(block->text), QStringLiteral("deep"));
    }

    void hostileInlineInputStaysText_data()
    {
        QTest::addColumn<QString>("unit");
        // Openers that never close: each of these makes a naive pass quadratic.
        for (const char *unit : { "[](", "[](x (", "[](x \"", "[](()()", "[[a](<b", "<ab:c" })
            QTest::newRow(unit) << QString::fromUtf8(unit);
    }
    void hostileInlineInputStaysText()
    {
        QFETCH(QString, unit);
        const QString input = unit.repeated(48 * 1024 / unit.size());
        const QList<MarkdownBlock> blocks = parseMarkdown(input);
        QCOMPARE(blocks.size(), 1);
        QCOMPARE(plainText(blocks.first().text), input);
    }

    void formatsRuns()
    {
        QFont base(QStringLiteral("Sans"), 13);
        const QTextCharFormat strong = charFormat({ true, true, false, true, {} }, base);
        QCOMPARE(strong.font().weight(), QFont::Bold);
        QVERIFY(strong.font().italic());
        QVERIFY(strong.font().strikeOut());
        QVERIFY(!strong.isAnchor());
        const QTextCharFormat anchor
            = charFormat({ false, false, false, false, QStringLiteral("https://x") }, base);
        QVERIFY(anchor.isAnchor());
        QCOMPARE(anchor.anchorHref(), QStringLiteral("https://x"));
        QCOMPARE(charFormat({ false, false, true, false, {} }, base).font().pointSizeF(), 13.0);
    }
};

QUILLET_TEST_MAIN(MarkdownBlocksTest)
#include "MarkdownBlocksTest.moc"
