#pragma once

#include "launcher/MarkdownBlocks.h"

#include <QList>
#include <QTextBrowser>

class QTextCursor;
class QTextFrame;

namespace quillet {

// A model answer drawn from its Markdown: paragraphs and headings, block
// quotes with a bar, bullet, numbered and task lists (nested ones indented),
// code blocks on a tinted box, tables with their column alignment, rules,
// strikethrough, links. The document is built by inserting text with
// character formats, never from HTML, so nothing in the answer becomes
// markup. As high as its content; selectable.
//
// A streamed answer grows chunk by chunk: showMarkdown() parses the text
// again but rebuilds only from the first top-level block that changed.
//
// Links open in the desktop's handler for http, https and mailto; any other
// destination is shown as text, not as a link.
class MarkdownView : public QTextBrowser {
    Q_OBJECT
public:
    explicit MarkdownView(int fontPixels = 13, QWidget *parent = nullptr);

    void showMarkdown(const QString &markdown);
    QString markdown() const { return m_markdown; }

    // Whether a link destination is drawn as a link that opens.
    static bool opensWithoutAsking(const QUrl &url);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void openLink(const QUrl &url);
    void insertBlocks(QTextCursor &cursor, const QList<MarkdownBlock> &blocks, int firstGap);
    void insertBlock(QTextCursor &cursor, const MarkdownBlock &block, int gap);
    void insertList(QTextCursor &cursor, const MarkdownBlock &list, int gap);
    void insertQuote(QTextCursor &cursor, const MarkdownBlock &quote, int gap);
    void insertTable(QTextCursor &cursor, const MarkdownBlock &table, int gap);
    void insertCode(QTextCursor &cursor, const MarkdownBlock &code, int gap);
    void insertInline(QTextCursor &cursor, const InlineText &runs, const QFont &font);
    QColor bodyColor() const;
    void fit();

    int m_fontPixels;
    int m_quoteDepth = 0;
    QString m_markdown;
    QList<MarkdownBlock> m_blocks;
    // Where each block of m_blocks begins in the document.
    QList<int> m_starts;
};

} // namespace quillet
