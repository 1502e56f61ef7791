#pragma once

#include "launcher/MarkdownBlocks.h"

#include <QList>
#include <QTextBrowser>

class QTextCursor;

namespace quillet {

// A model answer drawn from its Markdown: paragraphs (headings bold), bullet
// and numbered lists, code blocks on a tinted box, and tables laid out from
// their parsed rows. The document is built by inserting text with character
// formats, never from HTML, so nothing in the answer becomes markup. As high
// as its content; selectable.
//
// A streamed answer grows chunk by chunk: showMarkdown() parses the text
// again but rebuilds only from the first block that changed.
//
// Links open in the desktop's handler for http, https and mailto; any other
// scheme asks first.
class MarkdownView : public QTextBrowser {
    Q_OBJECT
public:
    explicit MarkdownView(int fontPixels = 13, QWidget *parent = nullptr);

    void showMarkdown(const QString &markdown);
    QString markdown() const { return m_markdown; }

    // Whether a link opens without asking.
    static bool opensWithoutAsking(const QUrl &url);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void openLink(const QUrl &url);
    void insertBlock(QTextCursor &cursor, const MarkdownBlock &block, bool first);
    void insertInline(QTextCursor &cursor, const QString &markdown, const QFont &font);
    void fit();

    int m_fontPixels;
    QString m_markdown;
    QList<MarkdownBlock> m_blocks;
    // Where each block of m_blocks begins in the document.
    QList<int> m_starts;
};

} // namespace quillet
