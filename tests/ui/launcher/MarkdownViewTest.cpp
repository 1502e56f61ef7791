#include "ui/launcher/MarkdownView.h"
#include "support/TestEnvironment.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

using namespace quillet;

namespace {

// The link destinations the document holds, in order.
QStringList anchors(const MarkdownView &view)
{
    QStringList found;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !found.contains(format.anchorHref()))
                found.append(format.anchorHref());
        }
    }
    return found;
}

} // namespace

class MarkdownViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void onlyWebAndMailLinksAreLinks_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QString>("text");
        QTest::newRow("web") << "see [docs](https://example.com/a)" << QStringList { "https://example.com/a" }
                             << "see docs";
        QTest::newRow("mail") << "[write](mailto:a@example.com)" << QStringList { "mailto:a@example.com" }
                              << "write";
        QTest::newRow("file") << "see [notes](file:///etc/passwd)" << QStringList {}
                              << "see notes (file:///etc/passwd)";
        QTest::newRow("custom scheme, styled words")
            << "[**run** it](x-handler:do) now" << QStringList {} << "run it (x-handler:do) now";
        QTest::newRow("relative") << "[a](b)" << QStringList {} << "a (b)";
        QTest::newRow("autolink to a file") << "<file:///tmp/x>" << QStringList {} << "file:///tmp/x";
    }
    void onlyWebAndMailLinksAreLinks()
    {
        QFETCH(QString, markdown);
        QFETCH(QStringList, links);
        QFETCH(QString, text);
        MarkdownView view;
        view.showMarkdown(markdown);
        QCOMPARE(anchors(view), links);
        QCOMPARE(view.toPlainText(), text);
    }

    void drawsWhatTheLayoutNeeds()
    {
        MarkdownView view;
        view.showMarkdown(QStringLiteral("| A | B |\n|---|--:|\n| x | 1 |\n\n3. three\n- [x] done\n\n"
                                         "> quoted\n\n---\nafter"));
        QList<QTextTable *> tables;
        for (QTextFrame *frame : view.document()->rootFrame()->childFrames()) {
            if (auto *table = qobject_cast<QTextTable *>(frame))
                tables.append(table);
        }
        QCOMPARE(tables.size(), 5); // the table, two lists, the quote, the rule
        const auto cellText = [](QTextTable *table, int row, int column) {
            const QTextTableCell cell = table->cellAt(row, column);
            QTextCursor cursor = cell.firstCursorPosition();
            cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
            return cursor.selectedText();
        };
        QCOMPARE(tables[0]->cellAt(1, 1).firstCursorPosition().blockFormat().alignment(), Qt::AlignRight);
        QCOMPARE(cellText(tables[1], 0, 0), QStringLiteral("3."));
        QCOMPARE(cellText(tables[2], 0, 0), QStringLiteral("☑"));
        QVERIFY(tables[3]->cellAt(0, 0).format().toTableCellFormat().leftBorder() > 0);
        QVERIFY(tables[4]->cellAt(0, 0).format().toTableCellFormat().topBorder() > 0);
        QCOMPARE(view.document()->lastBlock().text(), QStringLiteral("after"));
    }

    // An answer streamed in chunks that end anywhere ends up drawn as the
    // whole answer is, and no text block grows long enough to cost a frame.
    void aStreamedAnswerEndsAsTheWholeOne_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<int>("chunk");
        const QString mixed = QStringLiteral(
            "# Title\nSome **bold** text\nand more.\n\n- one\n- two\n1. x\n2. y\n\n| A | B |\n|---|---|\n| 1 "
            "| 2 |\n```sh\ncode\n```\n| C |\n|---|\n| 3 |\nafter `code` and [a link](https://example.com)\n");
        QTest::newRow("mixed, mid-word") << mixed << 5;
        QTest::newRow("inside a table")
            << "Intro\n\n| A | B |\n|:--|--:|\n| 1 | 2 |\n\nText **after**\n\n| x |\n"
               "|---|\n| y |"
            << 7;
        QTest::newRow("blank lines in a code fence")
            << "Run:\n\n```\nfirst\n\nnot a paragraph\n\n~~~\n```\n\nDone *here*\n"
            << 4;
        QTest::newRow("a list going on after blank lines")
            << "1. one\n\n2. two\n\n   still two\n\n3. three\n\nEnd\n\n- [x] a\n\n- [ ] b\n"
            << 3;
        QTest::newRow("a heading underlined later") << "Text\n\nHeading\n=======\n\nafter\n---\n" << 2;
        QTest::newRow("a link defined further down")
            << "See [the docs].\n\nMore.\n\n[the docs]: https://a.example\n"
            << 6;
        QTest::newRow("surrogate pairs") << QStringLiteral("😀 **😀😀** x😀\n\n> 😀 quote\n\n`😀` 😀😀😀") << 1;
        QString longAnswer;
        for (int i = 0; i < 300; ++i)
            longAnswer += QStringLiteral("word%1 *some* ").arg(i);
        longAnswer += QStringLiteral("\n\n") + QString(5000, u'a') + QStringLiteral("\n\n```\n")
            + QStringLiteral("line of code\n").repeated(800) + QStringLiteral("```\n");
        QTest::newRow("long paragraphs and code") << longAnswer << 997;
    }
    void aStreamedAnswerEndsAsTheWholeOne()
    {
        QFETCH(QString, markdown);
        QFETCH(int, chunk);
        MarkdownView whole;
        whole.showMarkdown(markdown);
        MarkdownView streamed;
        for (qsizetype end = chunk; end < markdown.size(); end += chunk) {
            streamed.streamMarkdown(markdown.left(end), false);
            QCoreApplication::processEvents();
        }
        QVERIFY(!streamed.isCaughtUp());
        streamed.streamMarkdown(markdown, true);
        QTRY_VERIFY(streamed.isCaughtUp());
        QCOMPARE(streamed.document()->toHtml(), whole.document()->toHtml());
        for (QTextBlock block = whole.document()->begin(); block.isValid(); block = block.next())
            QVERIFY2(block.length() <= 8192, qPrintable(QString::number(block.length())));
    }
};

QUILLET_TEST_MAIN(MarkdownViewTest)
#include "MarkdownViewTest.moc"
