#include "ui/launcher/MarkdownView.h"

#include "launcher/InlineMarkdown.h"
#include "ui/common/Palette.h"
#include "ui/launcher/LauncherStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

namespace quillet {

using namespace launcherStyle;

namespace {

constexpr int kBlockGap = 6;
constexpr int kItemGap = 3;

// A block that takes no room: the empty paragraph a document keeps before
// and after a table or a code box.
QTextBlockFormat collapsedBlock()
{
    QTextBlockFormat format;
    format.setLineHeight(0, QTextBlockFormat::FixedHeight);
    return format;
}

// The faint box behind code.
QColor codeTint(const QPalette &palette)
{
    QColor tint = palette.color(QPalette::Text);
    tint.setAlphaF(0.07f);
    return tint;
}

QTextBlockFormat spacedBlock(int top)
{
    QTextBlockFormat format;
    format.setTopMargin(top);
    return format;
}

} // namespace

MarkdownView::MarkdownView(int fontPixels, QWidget *parent)
    : QTextBrowser(parent)
    , m_fontPixels(fontPixels)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    makeFittedText(this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    setFont(pixelFont(font(), fontPixels));
    document()->setDefaultFont(font());
    document()->setIndentWidth(18);
    connect(this, &QTextBrowser::anchorClicked, this, &MarkdownView::openLink);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &MarkdownView::fit);
}

bool MarkdownView::opensWithoutAsking(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https" || scheme == u"mailto";
}

void MarkdownView::openLink(const QUrl &url)
{
    if (!url.isValid())
        return;
    if (!opensWithoutAsking(url)) {
        QMessageBox question(QMessageBox::Question, QStringLiteral("Open Link"),
            QStringLiteral("The answer links to something that is not a web page:\n\n%1\n\nOpen it?")
                .arg(url.toDisplayString()),
            QMessageBox::Open | QMessageBox::Cancel, window());
        question.setTextFormat(Qt::PlainText);
        question.setDefaultButton(QMessageBox::Cancel);
        if (question.exec() != QMessageBox::Open)
            return;
    }
    QDesktopServices::openUrl(url);
}

void MarkdownView::showMarkdown(const QString &markdown)
{
    if (markdown == m_markdown && !m_starts.isEmpty())
        return;
    m_markdown = markdown;
    const QList<MarkdownBlock> blocks = parseBlocks(markdown);
    qsizetype same = 0;
    while (same < blocks.size() && same < m_blocks.size() && blocks[same] == m_blocks[same])
        ++same;
    if (same == blocks.size() && same == m_blocks.size() && !m_starts.isEmpty())
        return;

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (same == 0) {
        document()->clear();
        m_starts.clear();
        cursor = QTextCursor(document());
    } else if (same < m_starts.size()) {
        cursor.setPosition(m_starts[same]);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_starts.resize(same);
    }
    for (qsizetype i = same; i < blocks.size(); ++i) {
        cursor.movePosition(QTextCursor::End);
        m_starts.append(cursor.position());
        insertBlock(cursor, blocks[i], i == 0);
    }
    cursor.endEditBlock();
    m_blocks = blocks;
    fit();
}

void MarkdownView::insertInline(QTextCursor &cursor, const QString &markdown, const QFont &font)
{
    const QColor link = palette().color(QPalette::Link);
    for (const InlineRun &run : renderInline(markdown)) {
        QTextCharFormat format = charFormat(run.style, font);
        if (!run.style.link.isEmpty())
            format.setForeground(link);
        if (run.style.code)
            format.setBackground(codeTint(palette()));
        cursor.insertText(run.text, format);
    }
}

void MarkdownView::insertBlock(QTextCursor &cursor, const MarkdownBlock &block, bool first)
{
    const QFont body = font();
    // The empty paragraph left after a table or a code box is taken over.
    const bool reuse = cursor.block().length() <= 1;
    const int gap = first ? 0 : kBlockGap;
    const auto startParagraph = [&](const QTextBlockFormat &format) {
        if (reuse)
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format, QTextCharFormat());
    };

    switch (block.kind) {
    case MarkdownBlock::Kind::paragraph:
        startParagraph(spacedBlock(gap));
        insertInline(cursor, block.text, body);
        break;
    case MarkdownBlock::Kind::bullet:
    case MarkdownBlock::Kind::ordered: {
        QTextListFormat list;
        list.setStyle(block.kind == MarkdownBlock::Kind::bullet ? QTextListFormat::ListDisc
                                                                : QTextListFormat::ListDecimal);
        list.setIndent(1);
        startParagraph(spacedBlock(gap));
        cursor.createList(list);
        for (qsizetype i = 0; i < block.items.size(); ++i) {
            if (i > 0) {
                QTextBlockFormat item = cursor.blockFormat(); // keeps the block in the list
                item.setTopMargin(kItemGap);
                cursor.insertBlock(item, QTextCharFormat());
            }
            insertInline(cursor, block.items[i], body);
        }
        break;
    }
    case MarkdownBlock::Kind::codeBlock: {
        if (reuse)
            cursor.setBlockFormat(collapsedBlock());
        QTextFrameFormat box;
        box.setTopMargin(gap);
        box.setBottomMargin(kBlockGap / 2);
        box.setPadding(8);
        box.setBorder(0);
        box.setBackground(codeTint(palette()));
        cursor.insertFrame(box);
        QTextCharFormat code;
        code.setFont(monospaceFont(m_fontPixels - 1));
        // One paragraph with line separators: the box stays a single block.
        QString text = block.text;
        text.replace(u'\n', QChar::LineSeparator);
        cursor.insertText(text, code);
        cursor.movePosition(QTextCursor::End);
        cursor.setBlockFormat(collapsedBlock());
        break;
    }
    case MarkdownBlock::Kind::table: {
        if (reuse)
            cursor.setBlockFormat(collapsedBlock());
        const QList<QStringList> rows = block.displayRows();
        const int columns = int(std::max<qsizetype>(1, block.headers.size()));
        QTextTableFormat table;
        table.setTopMargin(gap);
        table.setBottomMargin(kBlockGap / 2);
        table.setBorder(0);
        table.setBorderCollapse(true);
        table.setCellSpacing(0);
        table.setCellPadding(4);
        table.setAlignment(Qt::AlignLeft);
        QTextTable *grid = cursor.insertTable(int(rows.size()) + 1, columns, table);
        QFont header = body;
        header.setWeight(QFont::DemiBold);
        QTextTableCellFormat headerCell;
        headerCell.setBottomBorder(1);
        headerCell.setBottomBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        headerCell.setBottomBorderBrush(quillet::textColor(palette(), Emphasis::quaternary));
        for (int column = 0; column < columns; ++column) {
            QTextTableCell cell = grid->cellAt(0, column);
            cell.setFormat(headerCell);
            QTextCursor cellCursor = cell.firstCursorPosition();
            insertInline(cellCursor, block.headers.value(column), header);
        }
        for (int row = 0; row < rows.size(); ++row) {
            for (int column = 0; column < columns; ++column) {
                QTextCursor cellCursor = grid->cellAt(row + 1, column).firstCursorPosition();
                insertInline(cellCursor, rows[row].value(column), body);
            }
        }
        cursor.movePosition(QTextCursor::End);
        cursor.setBlockFormat(collapsedBlock());
        break;
    }
    }
}

void MarkdownView::fit()
{
    fitHeight(this, QWIDGETSIZE_MAX);
}

void MarkdownView::resizeEvent(QResizeEvent *event)
{
    QTextBrowser::resizeEvent(event);
    fit();
}

} // namespace quillet
