#include "ui/launcher/MarkdownView.h"
#include "support/TestEnvironment.h"

#include <QTextBlock>
#include <QTextDocument>

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
};

QUILLET_TEST_MAIN(MarkdownViewTest)
#include "MarkdownViewTest.moc"
