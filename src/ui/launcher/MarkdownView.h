#pragma once

#include "launcher/MarkdownBlocks.h"

#include <QList>
#include <QTextBlockFormat>
#include <QTextBrowser>

#include <optional>

class QTextCursor;
class QTimer;

namespace quillet {

// A model answer drawn from its Markdown: paragraphs and headings, block
// quotes with a bar, bullet, numbered and task lists (nested ones indented),
// code blocks on a tinted box, tables with their column alignment, rules,
// strikethrough, links. The document is built by inserting text with
// character formats, never from HTML, so nothing in the answer becomes
// markup. As high as its content; selectable.
//
// showMarkdown() draws at once and rebuilds only from the first top-level
// block that changed. A streamed answer goes through streamMarkdown(): what
// arrived is drawn a bounded slice per pass of the event loop, so a chunk
// costs its own size whatever came before it. While the answer grows, the
// blocks known to be closed (those before a blank line that nothing can
// continue) are drawn as Markdown and the open rest as its raw text; once it
// is complete, the whole answer is parsed again and redrawn from the first
// block that differs, which leaves exactly what showMarkdown() draws.
// A paragraph or code block longer than a few thousand characters is laid
// out as several text blocks, so that no single block costs a frame.
//
// Links open in the desktop's handler for http, https and mailto; any other
// destination is shown as text, not as a link.
class MarkdownView : public QTextBrowser {
    Q_OBJECT
public:
    explicit MarkdownView(int fontPixels = 13, QWidget *parent = nullptr);

    void showMarkdown(const QString &markdown);
    // `markdown` is the answer so far; `complete` once it will not grow.
    void streamMarkdown(const QString &markdown, bool complete);
    QString markdown() const { return m_markdown; }
    // Whether everything given is drawn as it finally looks.
    bool isCaughtUp() const;

    // Whether a link destination is drawn as a link that opens.
    static bool opensWithoutAsking(const QUrl &url);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Where a drawn top-level block begins, and how the empty block it took
    // over looked before (a table or box leaves one behind).
    struct Start {
        int position = 0;
        std::optional<QTextBlockFormat> replaced;
    };

    void openLink(const QUrl &url);
    void restart(const QString &markdown);
    void advance(qsizetype budget);
    qsizetype drawQueued(QTextCursor &cursor, qsizetype budget);
    bool settle();
    void scanLines();
    qsizetype appendRaw(QTextCursor &cursor, qsizetype budget);
    void removeRaw();
    void truncate(const Start &start);
    Start beginAt(QTextCursor &cursor);
    void insertBlocks(QTextCursor &cursor, const QList<MarkdownBlock> &blocks, int firstGap);
    void insertBlock(QTextCursor &cursor, const MarkdownBlock &block, int gap);
    void startLeaf(QTextCursor &cursor, const MarkdownBlock &block, int gap);
    QFont leafFont(const MarkdownBlock &block) const;
    void insertList(QTextCursor &cursor, const MarkdownBlock &list, int gap);
    void insertQuote(QTextCursor &cursor, const MarkdownBlock &quote, int gap);
    void insertTable(QTextCursor &cursor, const MarkdownBlock &table, int gap);
    void insertCode(QTextCursor &cursor, const MarkdownBlock &code, int gap);
    void insertInline(QTextCursor &cursor, const InlineText &runs, const QFont &font);
    qsizetype insertRuns(QTextCursor &cursor, const InlineText &runs, const QFont &font, qsizetype &run,
        qsizetype &offset, qsizetype budget);
    QColor bodyColor() const;
    void fit();

    int m_fontPixels;
    int m_quoteDepth = 0;
    QString m_markdown;
    bool m_complete = true;
    // The top-level blocks drawn, the last one perhaps in part, and where
    // each begins in the document.
    QList<MarkdownBlock> m_blocks;
    QList<Start> m_starts;
    // Blocks parsed and waiting to be drawn, in order.
    QList<MarkdownBlock> m_queue;
    // In a paragraph or heading drawn in part: the run and offset next.
    qsizetype m_partRun = -1;
    qsizetype m_partOffset = 0;
    // The source before m_settled is drawn or queued as Markdown; from there
    // to m_rawEnd it stands as raw text from m_rawStart on.
    qsizetype m_settled = 0;
    qsizetype m_rawEnd = 0;
    std::optional<Start> m_rawStart;
    // Reading the source line by line for places where a block surely ends.
    qsizetype m_scanned = 0;
    qsizetype m_boundary = -1;
    bool m_afterBlank = false;
    QChar m_fence;
    qsizetype m_fenceLength = 0;
    QTimer *m_step;
};

} // namespace quillet
