#include "launcher/MarkdownBlocks.h"
#include "support/TestEnvironment.h"

using namespace quillet;

namespace {

using Block = MarkdownBlock;

QString describe(const QList<MarkdownBlock> &blocks)
{
    QStringList parts;
    for (const MarkdownBlock &block : blocks)
        parts.append(quillet::describe(block));
    return parts.join(QStringLiteral("\n"));
}

} // namespace

class MarkdownBlocksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesBlocks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<MarkdownBlock>>("blocks");

        QTest::newRow("mixed") << "# Title\nSome text\nmore text\n\n- a\n- b\n1. x\n2. y"
                               << QList<Block> { Block::paragraph("**Title**"),
                                      Block::paragraph("Some text more text"), Block::bullet({ "a", "b" }),
                                      Block::ordered({ "x", "y" }) };
        QTest::newRow("empty") << "" << QList<Block> {};
        QTest::newRow("blank lines only") << "\n \t\n" << QList<Block> {};

        // Code fences.
        QTest::newRow("fence with language")
            << "```swift\nlet x = 1\n  indented\n```\nafter"
            << QList<Block> { Block::codeBlock("let x = 1\n  indented"), Block::paragraph("after") };
        QTest::newRow("unclosed fence takes the rest")
            << "text\n```\ncode\n\n# not a heading"
            << QList<Block> { Block::paragraph("text"), Block::codeBlock("code\n\n# not a heading") };
        QTest::newRow("fence as the last line")
            << "text\n```" << QList<Block> { Block::paragraph("text"), Block::codeBlock("") };
        QTest::newRow("indented closing fence")
            << "```\na\n   ```  \nb" << QList<Block> { Block::codeBlock("a"), Block::paragraph("b") };

        // Headings.
        QTest::newRow("deep heading") << "#### Four" << QList<Block> { Block::paragraph("**Four**") };
        QTest::newRow("hash tag is text") << "#tag here" << QList<Block> { Block::paragraph("#tag here") };
        QTest::newRow("only hashes") << "###" << QList<Block> { Block::paragraph("###") };
        QTest::newRow("heading ends a paragraph")
            << "a\n## B\nc"
            << QList<Block> { Block::paragraph("a"), Block::paragraph("**B**"), Block::paragraph("c") };

        // Lists.
        QTest::newRow("bullet markers") << "- one\n+ two\n*\tthree\n*    four"
                                        << QList<Block> { Block::bullet({ "one", "two", "three", "four" }) };
        QTest::newRow("emphasised word is no bullet")
            << "*word* starts here" << QList<Block> { Block::paragraph("*word* starts here") };
        QTest::newRow("blank line splits lists")
            << "- a\n\n- b" << QList<Block> { Block::bullet({ "a" }), Block::bullet({ "b" }) };
        QTest::newRow("numbers dropped")
            << "3. c\n10.\tten\n  7.   seven  " << QList<Block> { Block::ordered({ "c", "ten", "seven" }) };
        QTest::newRow("parenthesis is no number")
            << "3) item" << QList<Block> { Block::paragraph("3) item") };
        QTest::newRow("no space after the dot") << "3.item" << QList<Block> { Block::paragraph("3.item") };
        QTest::newRow("decimal number") << "3.5 kg" << QList<Block> { Block::paragraph("3.5 kg") };
        QTest::newRow("dot with nothing after") << "3." << QList<Block> { Block::paragraph("3.") };
        QTest::newRow("other numerals") << "\u0663. arabic-indic\n\u2167. roman"
                                        << QList<Block> { Block::ordered({ "arabic-indic", "roman" }) };
        QTest::newRow("list ends a paragraph")
            << "intro\n- a" << QList<Block> { Block::paragraph("intro"), Block::bullet({ "a" }) };

        // Tables.
        QTest::newRow("table") << "| A | B |\n|---|:-:|\n| 1 | 2 |\n|3|\n| 4 | 5 | 6 |\nafter"
                               << QList<Block> { Block::table({ "A", "B" },
                                                     { { "1", "2" }, { "3" }, { "4", "5", "6" } }),
                                      Block::paragraph("after") };
        QTest::newRow("table without outer pipes")
            << "A | B\n- | -\n1 | 2" << QList<Block> { Block::table({ "A", "B" }, { { "1", "2" } }) };
        QTest::newRow("separator with spaces and colons")
            << "a|b\n | :--- | ---: | \nx|y" << QList<Block> { Block::table({ "a", "b" }, { { "x", "y" } }) };
        QTest::newRow("separator with another character")
            << "a | b\n|--x|\nc" << QList<Block> { Block::paragraph("a | b |--x| c") };
        QTest::newRow("separator needs a dash")
            << "a | b\n| : |" << QList<Block> { Block::paragraph("a | b | : |") };
        QTest::newRow("table ends a paragraph")
            << "text\n| h |\n|---|\n| r |"
            << QList<Block> { Block::paragraph("text"), Block::table({ "h" }, { { "r" } }) };
        QTest::newRow("empty middle cells stay")
            << "|a||c|\n|-|-|-|\n||x||"
            << QList<Block> { Block::table({ "a", "", "c" }, { { "", "x", "" } }) };

        // Paragraph lines are kept as written.
        QTest::newRow("leading spaces kept")
            << "first\n   second\nthird  " << QList<Block> { Block::paragraph("first    second third  ") };
        QTest::newRow("carriage return is not trimmed")
            << "a\r\n\r\nb" << QList<Block> { Block::paragraph("a\r \r b") };
    }
    void parsesBlocks()
    {
        QFETCH(QString, text);
        QFETCH(QList<MarkdownBlock>, blocks);
        const QList<MarkdownBlock> parsed = parseBlocks(text);
        QVERIFY2(parsed == blocks,
            qPrintable(QStringLiteral("got:\n%1\nexpected:\n%2").arg(describe(parsed), describe(blocks))));
    }

    void tableRowsMatchTheHeader()
    {
        const Block table = Block::table({ "A", "B" }, { { "1" }, { "1", "2", "3" }, {} });
        QCOMPARE(table.displayRows(), (QList<QStringList> { { "1", "" }, { "1", "2" }, { "", "" } }));
    }
};

QUILLET_TEST_MAIN(MarkdownBlocksTest)
#include "MarkdownBlocksTest.moc"
