#include "ui/launcher/MarkdownView.h"

#include "ui/common/Palette.h"
#include "ui/launcher/LauncherStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>

namespace quillet {

using namespace launcherStyle;
using Kind = MarkdownBlock::Kind;

namespace {

constexpr int kBlockGap = 6;
constexpr int kItemGap = 3;
constexpr int kMarkerGap = 6;
constexpr int kQuoteBar = 3;
constexpr int kQuoteIndent = 10;

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

QTextBlockFormat spacedBlock(int top, Qt::Alignment alignment = Qt::AlignLeft)
{
    QTextBlockFormat format;
    format.setTopMargin(top);
    format.setAlignment(alignment);
    return format;
}

// Starts a paragraph: takes over the empty one the cursor stands in (the
// first of a cell, the one left after a table), else adds one.
void startParagraph(QTextCursor &cursor, const QTextBlockFormat &format)
{
    if (cursor.block().length() <= 1)
        cursor.setBlockFormat(format);
    else
        cursor.insertBlock(format, QTextCharFormat());
}

// A table or a box goes into an empty paragraph of no height.
void prepareForFrame(QTextCursor &cursor)
{
    startParagraph(cursor, collapsedBlock());
}

// After a table or a box: on the empty paragraph that follows it, which
// takes no room until something is written into it.
void moveAfter(QTextCursor &cursor, QTextFrame *frame)
{
    cursor.setPosition(frame->lastPosition() + 1);
    cursor.setBlockFormat(collapsedBlock());
}

// A borderless grid that fills its width.
QTextTableFormat plainGrid(int gap)
{
    QTextTableFormat format;
    format.setTopMargin(gap);
    format.setBorder(0);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(0);
    format.setAlignment(Qt::AlignLeft);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    return format;
}

Qt::Alignment cellAlignment(MarkdownBlock::Align align)
{
    switch (align) {
    case MarkdownBlock::Align::center:
        return Qt::AlignHCenter;
    case MarkdownBlock::Align::right:
        return Qt::AlignRight;
    case MarkdownBlock::Align::left:
    case MarkdownBlock::Align::none:
        break;
    }
    return Qt::AlignLeft;
}

QString marker(const MarkdownBlock &list, const MarkdownBlock &item, qsizetype index)
{
    if (item.task)
        return *item.task ? QStringLiteral("☑") : QStringLiteral("☐");
    if (list.kind == Kind::orderedList)
        return QString::number(qint64(list.start) + index) + QLatin1Char('.');
    return QStringLiteral("•");
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
    // Only web and mail links are anchors at all (see insertInline); the check
    // stays here so that nothing else can ever reach the desktop's handler.
    if (url.isValid() && opensWithoutAsking(url))
        QDesktopServices::openUrl(url);
}

void MarkdownView::showMarkdown(const QString &markdown)
{
    if (markdown == m_markdown && !m_starts.isEmpty())
        return;
    m_markdown = markdown;
    const QList<MarkdownBlock> blocks = parseMarkdown(markdown);
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
        insertBlock(cursor, blocks[i], i == 0 ? 0 : kBlockGap);
    }
    cursor.endEditBlock();
    m_blocks = blocks;
    fit();
}

QColor MarkdownView::bodyColor() const
{
    return quillet::textColor(palette(), m_quoteDepth > 0 ? Emphasis::secondary : Emphasis::primary);
}

void MarkdownView::insertInline(QTextCursor &cursor, const InlineText &runs, const QFont &font)
{
    const QColor link = palette().color(QPalette::Link);
    for (qsizetype i = 0; i < runs.size(); ++i) {
        InlineStyle style = runs[i].style;
        QString text = runs[i].text;
        // Any other destination (file:, a custom scheme, a relative path) is
        // shown as text beside its words, never opened: it could run or
        // reveal something on this computer.
        const bool opens = !style.link.isEmpty() && opensWithoutAsking(QUrl(style.link));
        if (!style.link.isEmpty() && !opens) {
            const bool lastOfLink = i + 1 == runs.size() || runs[i + 1].style.link != style.link;
            if (lastOfLink && text != style.link)
                text += QStringLiteral(" (%1)").arg(style.link);
            style.link.clear();
        }
        QTextCharFormat format = charFormat(style, font);
        format.setForeground(opens ? link : bodyColor());
        if (style.code)
            format.setBackground(codeTint(palette()));
        cursor.insertText(text, format);
    }
}

void MarkdownView::insertBlocks(QTextCursor &cursor, const QList<MarkdownBlock> &blocks, int firstGap)
{
    for (qsizetype i = 0; i < blocks.size(); ++i)
        insertBlock(cursor, blocks[i], i == 0 ? firstGap : kBlockGap);
}

void MarkdownView::insertBlock(QTextCursor &cursor, const MarkdownBlock &block, int gap)
{
    switch (block.kind) {
    case Kind::paragraph:
        startParagraph(cursor, spacedBlock(gap));
        insertInline(cursor, block.text, font());
        break;
    case Kind::heading: {
        static constexpr double scale[] = { 1.45, 1.3, 1.15 };
        const int level = std::clamp(block.level, 1, 6);
        const double factor = level <= 3 ? scale[level - 1] : 1.0;
        QFont heading = pixelFont(font(), int(m_fontPixels * factor + 0.5), QFont::Bold);
        startParagraph(cursor, spacedBlock(gap + (level <= 2 ? 4 : 0)));
        insertInline(cursor, block.text, heading);
        break;
    }
    case Kind::rule: {
        // An empty grid cell whose top border is the line.
        prepareForFrame(cursor);
        QTextTableFormat format = plainGrid(gap + kBlockGap);
        format.setBottomMargin(kBlockGap);
        QTextTable *line = cursor.insertTable(1, 1, format);
        QTextTableCellFormat cell;
        cell.setTopBorder(1);
        cell.setTopBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        cell.setTopBorderBrush(quillet::textColor(palette(), Emphasis::quaternary));
        line->cellAt(0, 0).setFormat(cell);
        line->cellAt(0, 0).firstCursorPosition().setBlockFormat(collapsedBlock());
        moveAfter(cursor, line);
        break;
    }
    case Kind::bulletList:
    case Kind::orderedList:
        insertList(cursor, block, gap);
        break;
    case Kind::item:
        // Items stand only in lists; one met alone is drawn as its content.
        insertBlocks(cursor, block.children, gap);
        break;
    case Kind::quote:
        insertQuote(cursor, block, gap);
        break;
    case Kind::codeBlock:
        insertCode(cursor, block, gap);
        break;
    case Kind::table:
        insertTable(cursor, block, gap);
        break;
    }
}

// A list is a grid of two columns: the markers, right-aligned in a column as
// wide as the widest, and the items' blocks, which may hold further lists.
void MarkdownView::insertList(QTextCursor &cursor, const MarkdownBlock &list, int gap)
{
    if (list.children.isEmpty())
        return;
    const QFontMetrics metrics(font());
    int markerWidth = metrics.horizontalAdvance(QStringLiteral("•"));
    for (qsizetype i = 0; i < list.children.size(); ++i)
        markerWidth = std::max(markerWidth, metrics.horizontalAdvance(marker(list, list.children[i], i)));
    QTextTableFormat format = plainGrid(gap);
    format.setColumnWidthConstraints({ QTextLength(QTextLength::FixedLength, 8 + markerWidth + kMarkerGap),
        QTextLength(QTextLength::VariableLength, 0) });

    prepareForFrame(cursor);
    QTextTable *grid = cursor.insertTable(int(list.children.size()), 2, format);
    QTextCharFormat markerFormat;
    markerFormat.setFont(font());
    markerFormat.setForeground(quillet::textColor(palette(), Emphasis::secondary));
    for (int row = 0; row < list.children.size(); ++row) {
        const MarkdownBlock &item = list.children[row];
        QTextTableCellFormat cellFormat;
        cellFormat.setTopPadding(row > 0 ? kItemGap : 0);
        cellFormat.setRightPadding(kMarkerGap);
        QTextTableCell markerCell = grid->cellAt(row, 0);
        markerCell.setFormat(cellFormat);
        QTextCursor markerCursor = markerCell.firstCursorPosition();
        markerCursor.setBlockFormat(spacedBlock(0, Qt::AlignRight));
        markerCursor.insertText(marker(list, item, row), markerFormat);

        cellFormat.setRightPadding(0);
        QTextTableCell content = grid->cellAt(row, 1);
        content.setFormat(cellFormat);
        QTextCursor contentCursor = content.firstCursorPosition();
        insertBlocks(contentCursor, item.children, 0);
    }
    moveAfter(cursor, grid);
}

// A quote is a one-cell grid with a bar on its left.
void MarkdownView::insertQuote(QTextCursor &cursor, const MarkdownBlock &quote, int gap)
{
    prepareForFrame(cursor);
    QTextTable *box = cursor.insertTable(1, 1, plainGrid(gap));
    QTextTableCellFormat cellFormat;
    cellFormat.setLeftBorder(kQuoteBar);
    cellFormat.setLeftBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    cellFormat.setLeftBorderBrush(quillet::textColor(palette(), Emphasis::quaternary));
    cellFormat.setLeftPadding(kQuoteIndent);
    QTextTableCell cell = box->cellAt(0, 0);
    cell.setFormat(cellFormat);
    QTextCursor inside = cell.firstCursorPosition();
    ++m_quoteDepth;
    insertBlocks(inside, quote.children, 0);
    --m_quoteDepth;
    moveAfter(cursor, box);
}

void MarkdownView::insertCode(QTextCursor &cursor, const MarkdownBlock &code, int gap)
{
    prepareForFrame(cursor);
    QTextFrameFormat box;
    box.setTopMargin(gap);
    box.setBottomMargin(kBlockGap / 2);
    box.setPadding(8);
    box.setBorder(0);
    box.setBackground(codeTint(palette()));
    QTextFrame *frame = cursor.insertFrame(box);
    QTextCharFormat format;
    format.setFont(monospaceFont(m_fontPixels - 1));
    format.setForeground(bodyColor());
    // One paragraph with line separators: the box stays a single block.
    QString text = code.code;
    text.replace(u'\n', QChar::LineSeparator);
    cursor.insertText(text, format);
    moveAfter(cursor, frame);
}

void MarkdownView::insertTable(QTextCursor &cursor, const MarkdownBlock &table, int gap)
{
    if (table.rows.isEmpty())
        return;
    const int columns = int(std::max<qsizetype>(1, table.rows.first().size()));
    QTextTableFormat format;
    format.setTopMargin(gap);
    format.setBottomMargin(kBlockGap / 2);
    format.setBorder(0);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(4);
    format.setAlignment(Qt::AlignLeft);
    prepareForFrame(cursor);
    QTextTable *grid = cursor.insertTable(int(table.rows.size()), columns, format);
    QFont header = font();
    header.setWeight(QFont::DemiBold);
    QTextTableCellFormat headerCell;
    headerCell.setBottomBorder(1);
    headerCell.setBottomBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    headerCell.setBottomBorderBrush(quillet::textColor(palette(), Emphasis::quaternary));
    for (int row = 0; row < table.rows.size(); ++row) {
        for (int column = 0; column < columns; ++column) {
            QTextTableCell cell = grid->cellAt(row, column);
            if (row == 0)
                cell.setFormat(headerCell);
            QTextCursor cellCursor = cell.firstCursorPosition();
            cellCursor.setBlockFormat(
                spacedBlock(0, cellAlignment(table.alignments.value(column, MarkdownBlock::Align::none))));
            insertInline(cellCursor, table.rows[row].value(column), row == 0 ? header : font());
        }
    }
    moveAfter(cursor, grid);
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
