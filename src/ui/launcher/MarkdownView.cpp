#include "ui/launcher/MarkdownView.h"

#include "ui/common/Palette.h"
#include "ui/launcher/LauncherStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QTimer>

#include <limits>

namespace quillet {

using namespace launcherStyle;
using Kind = MarkdownBlock::Kind;

namespace {

constexpr int kBlockGap = 6;
constexpr int kItemGap = 3;
constexpr int kMarkerGap = 6;
constexpr int kQuoteBar = 3;
constexpr int kQuoteIndent = 10;
// Laying out a text block costs in proportion to its length (to its square
// for a stretch without a space), and a block is laid out whole whenever it
// changes: a block goes on in the next one at the first space past the soft
// length, and wherever a stretch without a space grows too long.
constexpr qsizetype kSoftBlockChars = 4096;
constexpr qsizetype kMaxUnbroken = 1024;
// What one pass of the event loop draws at most of a streamed answer.
constexpr qsizetype kSliceChars = 2048;

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

// Inserts text, going on in a block of the same look but no top gap where
// the current one grows too long (see kSoftBlockChars). Where a block ends
// depends on its text alone, not on how the text is handed in, as long as no
// piece ends inside a surrogate pair; a block never ends the text.
void insertWrapped(QTextCursor &cursor, QStringView text, const QTextCharFormat &format, bool atSpaces = true)
{
    const QString held = cursor.block().text();
    const auto isGap = [](QChar c) { return c == u' ' || c == QChar::LineSeparator; };
    qsizetype length = held.size();
    qsizetype unbroken = 0;
    while (unbroken < held.size() && !isGap(held[held.size() - 1 - unbroken]))
        ++unbroken;
    const auto endsAfter = [&](QChar c) {
        if (c == u' ')
            return atSpaces && length > kSoftBlockChars;
        return unbroken >= kMaxUnbroken && !c.isHighSurrogate();
    };
    bool ends = !held.isEmpty() && endsAfter(held.back());
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (ends) {
            if (i > from)
                cursor.insertText(text.sliced(from, i - from).toString(), format);
            QTextBlockFormat next = cursor.blockFormat();
            next.setTopMargin(0);
            cursor.insertBlock(next, format);
            from = i;
            length = 0;
            unbroken = 0;
        }
        ++length;
        unbroken = isGap(text[i]) ? 0 : unbroken + 1;
        ends = endsAfter(text[i]);
    }
    if (text.size() > from)
        cursor.insertText(text.sliced(from).toString(), format);
}

// A piece of `text` from `from`, about `length` long, that does not end
// inside a surrogate pair.
qsizetype wholeLength(QStringView text, qsizetype from, qsizetype length)
{
    length = std::min(length, text.size() - from);
    if (length > 0 && from + length < text.size() && text[from + length - 1].isHighSurrogate())
        ++length;
    return length;
}

// Roughly what drawing a block costs: the characters it lays out.
qsizetype weight(const MarkdownBlock &block)
{
    qsizetype total = block.code.size();
    for (const InlineRun &run : block.text)
        total += run.text.size();
    for (const QList<InlineText> &row : block.rows) {
        for (const InlineText &cell : row) {
            for (const InlineRun &run : cell)
                total += run.text.size();
        }
    }
    for (const MarkdownBlock &child : block.children)
        total += weight(child);
    return total;
}

bool isLeaf(const MarkdownBlock &block)
{
    return block.kind == Kind::paragraph || block.kind == Kind::heading;
}

// Whether a line opens a list item (which may carry on a list above it).
bool opensListItem(QStringView line)
{
    if (line.isEmpty())
        return false;
    const auto spaceOrEnd = [&line](qsizetype at) {
        return at >= line.size() || line[at] == u' ' || line[at] == u'\t' || line[at] == u'\r';
    };
    if (line[0] == u'-' || line[0] == u'+' || line[0] == u'*')
        return spaceOrEnd(1);
    qsizetype digits = 0;
    while (digits < line.size() && digits < 10 && line[digits].isDigit())
        ++digits;
    return digits > 0 && digits < 10 && digits < line.size() && (line[digits] == u'.' || line[digits] == u')')
        && spaceOrEnd(digits + 1);
}

// How many times `mark` repeats at the start of `text`.
qsizetype leadingRun(QStringView text, QChar mark)
{
    qsizetype count = 0;
    while (count < text.size() && text[count] == mark)
        ++count;
    return count;
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
    m_step = new QTimer(this);
    m_step->setSingleShot(true);
    m_step->setInterval(0);
    connect(m_step, &QTimer::timeout, this, [this] { advance(kSliceChars); });
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
    if (markdown == m_markdown && isCaughtUp() && !m_starts.isEmpty())
        return;
    restart(markdown);
    advance(-1);
}

void MarkdownView::streamMarkdown(const QString &markdown, bool complete)
{
    if (markdown == m_markdown && complete == m_complete)
        return;
    if (complete || !markdown.startsWith(m_markdown)) {
        restart(markdown);
        m_complete = complete;
    } else {
        m_markdown = markdown;
        m_complete = false;
    }
    advance(kSliceChars);
}

bool MarkdownView::isCaughtUp() const
{
    return m_complete && m_queue.isEmpty();
}

// The whole text parsed again: what is drawn stays up to the first block
// that differs, the rest is queued.
void MarkdownView::restart(const QString &markdown)
{
    m_markdown = markdown;
    m_complete = true;
    const QList<MarkdownBlock> blocks = parseMarkdown(markdown);
    removeRaw();
    const qsizetype whole = m_blocks.size() - (m_partRun >= 0 ? 1 : 0);
    qsizetype same = 0;
    while (same < blocks.size() && same < whole && blocks[same] == m_blocks[same])
        ++same;
    if (same == 0) {
        document()->clear();
        m_starts.clear();
    } else if (same < m_starts.size()) {
        truncate(m_starts[same]);
        m_starts.resize(same);
    }
    m_blocks.resize(same);
    m_queue = blocks.mid(same);
    m_partRun = -1;
    m_partOffset = 0;
    m_settled = m_rawEnd = m_scanned = markdown.size();
    m_boundary = -1;
    m_afterBlank = false;
    m_fenceLength = 0;
}

void MarkdownView::advance(qsizetype budget)
{
    m_step->stop();
    if (budget < 0)
        budget = std::numeric_limits<qsizetype>::max();
    QTextCursor cursor(document());
    // One edit per pass: the document is laid out once for it.
    cursor.beginEditBlock();
    qsizetype used = 0;
    while (used < budget) {
        if (!m_queue.isEmpty()) {
            used += drawQueued(cursor, budget - used);
            continue;
        }
        if (!m_complete && settle())
            continue;
        const qsizetype appended = appendRaw(cursor, budget - used);
        if (appended == 0)
            break;
        used += appended;
    }
    cursor.endEditBlock();
    if (used >= budget)
        m_step->start();
    fit();
}

qsizetype MarkdownView::drawQueued(QTextCursor &cursor, qsizetype budget)
{
    qsizetype used = 0;
    while (!m_queue.isEmpty() && used < budget) {
        const MarkdownBlock &block = m_queue.first();
        if (m_partRun < 0) {
            const int gap = m_blocks.isEmpty() ? 0 : kBlockGap;
            m_starts.append(beginAt(cursor));
            m_blocks.append(block);
            if (!isLeaf(block)) {
                // Lists, quotes, tables and code boxes are drawn in one go.
                used += weight(block) + 1;
                insertBlock(cursor, block, gap);
                m_queue.removeFirst();
                continue;
            }
            startLeaf(cursor, block, gap);
            m_partRun = 0;
            m_partOffset = 0;
        }
        cursor.movePosition(QTextCursor::End);
        used += insertRuns(cursor, block.text, leafFont(block), m_partRun, m_partOffset, budget - used) + 1;
        if (m_partRun >= block.text.size()) {
            m_partRun = -1;
            m_queue.removeFirst();
        }
    }
    return used;
}

// Moves what surely ends before the last boundary found from raw text to
// the queue of blocks.
bool MarkdownView::settle()
{
    scanLines();
    if (m_boundary <= m_settled)
        return false;
    const QList<MarkdownBlock> blocks = parseMarkdown(m_markdown.mid(m_settled, m_boundary - m_settled));
    removeRaw();
    m_queue += blocks;
    m_settled = m_rawEnd = m_boundary;
    return true;
}

// Reads the complete lines not read yet for the last place where no block
// can go on: a line at the margin after a blank line, outside a fenced code
// block, that does not carry on a list. (A link defined further down may
// still change a block above; the parse of the complete answer mends that.)
void MarkdownView::scanLines()
{
    const QStringView source(m_markdown);
    for (qsizetype end = source.indexOf(u'\n', m_scanned); end >= 0; end = source.indexOf(u'\n', m_scanned)) {
        const qsizetype start = m_scanned;
        const QStringView line = source.mid(start, end - start);
        m_scanned = end + 1;
        if (line.trimmed().isEmpty()) {
            m_afterBlank = true;
            continue;
        }
        const bool afterBlank = std::exchange(m_afterBlank, false);
        const qsizetype indent = leadingRun(line, u' ');
        const QStringView rest = line.mid(indent);
        if (m_fenceLength > 0) {
            const qsizetype run = leadingRun(rest, m_fence);
            if (indent <= 3 && run >= m_fenceLength && rest.mid(run).trimmed().isEmpty())
                m_fenceLength = 0;
            continue;
        }
        if (afterBlank && indent == 0 && line[0] != u'\t' && !opensListItem(line) && start > m_settled)
            m_boundary = start;
        if (indent <= 3 && (rest.startsWith(u'`') || rest.startsWith(u'~'))) {
            const qsizetype run = leadingRun(rest, rest[0]);
            if (run >= 3 && !(rest[0] == u'`' && rest.mid(run).contains(u'`'))) {
                m_fence = rest[0];
                m_fenceLength = run;
            }
        }
    }
}

// Appends the next piece of the open rest as it was written.
qsizetype MarkdownView::appendRaw(QTextCursor &cursor, qsizetype budget)
{
    qsizetype limit = m_markdown.size();
    if (!m_complete && limit > m_rawEnd && m_markdown[limit - 1].isHighSurrogate())
        --limit;
    const qsizetype length = wholeLength(QStringView(m_markdown).first(limit), m_rawEnd, budget);
    if (length <= 0)
        return 0;
    cursor.movePosition(QTextCursor::End);
    if (!m_rawStart) {
        m_rawStart = beginAt(cursor);
        startParagraph(cursor, spacedBlock(m_blocks.isEmpty() ? 0 : kBlockGap));
    }
    QTextCharFormat format;
    format.setFont(font());
    format.setForeground(bodyColor());
    QStringView text = QStringView(m_markdown).mid(m_rawEnd, length);
    for (qsizetype end = text.indexOf(u'\n'); end >= 0; end = text.indexOf(u'\n')) {
        QStringView line = text.first(end);
        if (line.endsWith(u'\r'))
            line.chop(1);
        insertWrapped(cursor, line, format);
        cursor.insertBlock(spacedBlock(0), format);
        text = text.mid(end + 1);
    }
    insertWrapped(cursor, text, format);
    m_rawEnd += length;
    return length;
}

void MarkdownView::removeRaw()
{
    if (m_rawStart)
        truncate(*std::exchange(m_rawStart, std::nullopt));
    m_rawEnd = m_settled;
}

// Removes everything from `start` on.
void MarkdownView::truncate(const Start &start)
{
    QTextCursor cursor(document());
    cursor.setPosition(start.position);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (start.replaced)
        cursor.setBlockFormat(*start.replaced);
}

MarkdownView::Start MarkdownView::beginAt(QTextCursor &cursor)
{
    cursor.movePosition(QTextCursor::End);
    Start start { cursor.position(), std::nullopt };
    if (cursor.block().length() <= 1)
        start.replaced = cursor.blockFormat();
    return start;
}

QColor MarkdownView::bodyColor() const
{
    return quillet::textColor(palette(), m_quoteDepth > 0 ? Emphasis::secondary : Emphasis::primary);
}

void MarkdownView::insertInline(QTextCursor &cursor, const InlineText &runs, const QFont &font)
{
    qsizetype run = 0;
    qsizetype offset = 0;
    insertRuns(cursor, runs, font, run, offset, std::numeric_limits<qsizetype>::max());
}

// Inserts runs from `run` and `offset` on, about `budget` characters; moves
// both past what it inserted and returns how much that was.
qsizetype MarkdownView::insertRuns(QTextCursor &cursor, const InlineText &runs, const QFont &font,
    qsizetype &run, qsizetype &offset, qsizetype budget)
{
    const QColor link = palette().color(QPalette::Link);
    qsizetype used = 0;
    for (; run < runs.size() && used < budget; ++run, offset = 0) {
        InlineStyle style = runs[run].style;
        QString text = runs[run].text;
        // Any other destination (file:, a custom scheme, a relative path) is
        // shown as text beside its words, never opened: it could run or
        // reveal something on this computer.
        const bool opens = !style.link.isEmpty() && opensWithoutAsking(QUrl(style.link));
        if (!style.link.isEmpty() && !opens) {
            const bool lastOfLink = run + 1 == runs.size() || runs[run + 1].style.link != style.link;
            if (lastOfLink && text != style.link)
                text += QStringLiteral(" (%1)").arg(style.link);
            style.link.clear();
        }
        QTextCharFormat format = charFormat(style, font);
        format.setForeground(opens ? link : bodyColor());
        if (style.code)
            format.setBackground(codeTint(palette()));
        const qsizetype length = wholeLength(text, offset, budget - used);
        insertWrapped(cursor, QStringView(text).mid(offset, length), format);
        used += length;
        if (offset + length < text.size()) {
            offset += length;
            break;
        }
    }
    return used;
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
    case Kind::heading:
        startLeaf(cursor, block, gap);
        insertInline(cursor, block.text, leafFont(block));
        break;
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

void MarkdownView::startLeaf(QTextCursor &cursor, const MarkdownBlock &block, int gap)
{
    const bool large = block.kind == Kind::heading && block.level <= 2;
    startParagraph(cursor, spacedBlock(gap + (large ? 4 : 0)));
}

QFont MarkdownView::leafFont(const MarkdownBlock &block) const
{
    if (block.kind != Kind::heading)
        return font();
    static constexpr double scale[] = { 1.45, 1.3, 1.15 };
    const int level = std::clamp(block.level, 1, 6);
    const double factor = level <= 3 ? scale[level - 1] : 1.0;
    return pixelFont(font(), int(m_fontPixels * factor + 0.5), QFont::Bold);
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
    // Lines part with line separators, and with a new block only where the
    // block grew long: the box looks the same either way.
    const QStringView text(code.code);
    qsizetype from = 0;
    for (qsizetype end = text.indexOf(u'\n'); end >= 0; end = text.indexOf(u'\n', from)) {
        insertWrapped(cursor, text.mid(from, end - from), format, false);
        if (cursor.block().length() - 1 >= kSoftBlockChars)
            cursor.insertBlock(cursor.blockFormat(), format);
        else
            cursor.insertText(QString(QChar::LineSeparator), format);
        from = end + 1;
    }
    insertWrapped(cursor, text.mid(from), format, false);
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
