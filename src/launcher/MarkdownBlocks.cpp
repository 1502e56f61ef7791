#include "launcher/MarkdownBlocks.h"

#include <md4c.h>

#include <QHash>

namespace quillet {

namespace {

using Kind = MarkdownBlock::Kind;

// Containers nested deeper than this are flattened into the deepest one kept,
// so a hostile answer cannot nest the view's layout without end.
constexpr int kMaxDepth = 8;

QString fromUtf8(const MD_CHAR *text, MD_SIZE size)
{
    return QString::fromUtf8(text, qsizetype(size));
}

// The entities answers use; anything else stays as written.
QString decodeEntity(const QString &entity)
{
    const QStringView name = QStringView(entity).mid(1, entity.size() - 2);
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok)
            return entity;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString(QChar::ReplacementCharacter);
        const char32_t codePoint = code;
        return QString::fromUcs4(&codePoint, 1);
    }
    static const QHash<QString, QString> named {
        { QStringLiteral("amp"), QStringLiteral("&") },
        { QStringLiteral("lt"), QStringLiteral("<") },
        { QStringLiteral("gt"), QStringLiteral(">") },
        { QStringLiteral("quot"), QStringLiteral("\"") },
        { QStringLiteral("apos"), QStringLiteral("'") },
        { QStringLiteral("nbsp"), QStringLiteral("\u00A0") },
        { QStringLiteral("copy"), QStringLiteral("©") },
        { QStringLiteral("reg"), QStringLiteral("®") },
        { QStringLiteral("trade"), QStringLiteral("™") },
        { QStringLiteral("hellip"), QStringLiteral("…") },
        { QStringLiteral("mdash"), QStringLiteral("—") },
        { QStringLiteral("ndash"), QStringLiteral("–") },
        { QStringLiteral("times"), QStringLiteral("×") },
        { QStringLiteral("deg"), QStringLiteral("°") },
        { QStringLiteral("rarr"), QStringLiteral("→") },
        { QStringLiteral("larr"), QStringLiteral("←") },
    };
    return named.value(name.toString(), entity);
}

QString attribute(const MD_ATTRIBUTE &value)
{
    return fromUtf8(value.text, value.size);
}

// md4c's permissive autolinks give the text as written; what opens needs a
// scheme.
QString linkTarget(QString href)
{
    if (href.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + href;
    if (!href.contains(u':') && href.contains(u'@') && !href.contains(u'/'))
        return QStringLiteral("mailto:") + href;
    return href;
}

MarkdownBlock::Align alignOf(MD_ALIGN align)
{
    switch (align) {
    case MD_ALIGN_LEFT:
        return MarkdownBlock::Align::left;
    case MD_ALIGN_CENTER:
        return MarkdownBlock::Align::center;
    case MD_ALIGN_RIGHT:
        return MarkdownBlock::Align::right;
    case MD_ALIGN_DEFAULT:
        break;
    }
    return MarkdownBlock::Align::none;
}

bool isContainer(MD_BLOCKTYPE type)
{
    return type == MD_BLOCK_QUOTE || type == MD_BLOCK_UL || type == MD_BLOCK_OL || type == MD_BLOCK_LI;
}

// Builds the block tree from md4c's callbacks. Open blocks are kept on a
// stack by value and moved into their parent when they close.
class Builder {
public:
    QList<MarkdownBlock> take() { return std::move(m_roots); }

    void enterBlock(MD_BLOCKTYPE type, void *detail)
    {
        const bool skip = isContainer(type)
            && (type == MD_BLOCK_LI ? (!m_entered.isEmpty() && m_entered.last() == Entered::skipped)
                                    : m_depth >= kMaxDepth);
        if (skip) {
            m_entered.append(Entered::skipped);
            return;
        }
        closeImplicitParagraph();
        MarkdownBlock block;
        Entered entered = Entered::pushed;
        switch (type) {
        case MD_BLOCK_QUOTE:
            block.kind = Kind::quote;
            break;
        case MD_BLOCK_UL:
            block.kind = Kind::bulletList;
            break;
        case MD_BLOCK_OL:
            block.kind = Kind::orderedList;
            block.start
                = int(std::min<unsigned>(static_cast<MD_BLOCK_OL_DETAIL *>(detail)->start, 1'000'000'000));
            break;
        case MD_BLOCK_LI: {
            block.kind = Kind::item;
            const auto *item = static_cast<MD_BLOCK_LI_DETAIL *>(detail);
            if (item->is_task)
                block.task = item->task_mark == 'x' || item->task_mark == 'X';
            break;
        }
        case MD_BLOCK_HR:
            block.kind = Kind::rule;
            break;
        case MD_BLOCK_H:
            block.kind = Kind::heading;
            block.level = int(static_cast<MD_BLOCK_H_DETAIL *>(detail)->level);
            break;
        case MD_BLOCK_CODE:
            block.kind = Kind::codeBlock;
            block.language = attribute(static_cast<MD_BLOCK_CODE_DETAIL *>(detail)->lang);
            break;
        case MD_BLOCK_HTML: // not used with MD_FLAG_NOHTML; kept as text if it comes
        case MD_BLOCK_P:
            block.kind = Kind::paragraph;
            break;
        case MD_BLOCK_TABLE:
            block.kind = Kind::table;
            break;
        case MD_BLOCK_TR:
            if (!m_open.isEmpty() && m_open.last().kind == Kind::table)
                m_open.last().rows.append(QList<InlineText>());
            entered = Entered::marker;
            break;
        case MD_BLOCK_TH:
        case MD_BLOCK_TD:
            // A cell collects its text like a paragraph.
            block.kind = Kind::paragraph;
            m_cellAlign = alignOf(static_cast<MD_BLOCK_TD_DETAIL *>(detail)->align);
            entered = Entered::cell;
            break;
        case MD_BLOCK_DOC:
        case MD_BLOCK_THEAD:
        case MD_BLOCK_TBODY:
            entered = Entered::marker;
            break;
        }
        m_entered.append(entered);
        if (entered == Entered::marker)
            return;
        if (isContainer(type))
            ++m_depth;
        m_open.append(std::move(block));
    }

    void leaveBlock(MD_BLOCKTYPE type)
    {
        const Entered entered = m_entered.isEmpty() ? Entered::marker : m_entered.takeLast();
        if (entered == Entered::skipped) {
            closeImplicitParagraph();
            return;
        }
        if (entered == Entered::marker)
            return;
        closeImplicitParagraph();
        if (m_open.isEmpty())
            return;
        MarkdownBlock block = m_open.takeLast();
        if (isContainer(type))
            --m_depth;
        if (entered == Entered::cell) {
            if (!m_open.isEmpty() && m_open.last().kind == Kind::table) {
                MarkdownBlock &table = m_open.last();
                if (table.rows.size() == 1)
                    table.alignments.append(m_cellAlign);
                if (!table.rows.isEmpty())
                    table.rows.last().append(std::move(block.text));
            }
            return;
        }
        if (block.kind == Kind::codeBlock && block.code.endsWith(u'\n'))
            block.code.chop(1);
        addToParent(std::move(block));
    }

    void enterSpan(MD_SPANTYPE type, void *detail)
    {
        switch (type) {
        case MD_SPAN_EM:
            ++m_italic;
            break;
        case MD_SPAN_STRONG:
            ++m_bold;
            break;
        case MD_SPAN_DEL:
            ++m_strike;
            break;
        case MD_SPAN_CODE:
            ++m_code;
            break;
        case MD_SPAN_A:
            m_links.append(linkTarget(attribute(static_cast<MD_SPAN_A_DETAIL *>(detail)->href)));
            break;
        case MD_SPAN_IMG: {
            // An image is shown as a link to it, named by its description.
            m_links.append(linkTarget(attribute(static_cast<MD_SPAN_IMG_DETAIL *>(detail)->src)));
            m_imageStarts.append(textLength());
            break;
        }
        default:
            break;
        }
    }

    void leaveSpan(MD_SPANTYPE type)
    {
        switch (type) {
        case MD_SPAN_EM:
            --m_italic;
            break;
        case MD_SPAN_STRONG:
            --m_bold;
            break;
        case MD_SPAN_DEL:
            --m_strike;
            break;
        case MD_SPAN_CODE:
            --m_code;
            break;
        case MD_SPAN_A:
            if (!m_links.isEmpty())
                m_links.removeLast();
            break;
        case MD_SPAN_IMG:
            if (!m_imageStarts.isEmpty() && m_imageStarts.takeLast() == textLength() && !m_links.isEmpty())
                appendRun(m_links.last());
            if (!m_links.isEmpty())
                m_links.removeLast();
            break;
        default:
            break;
        }
    }

    void text(MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size)
    {
        MarkdownBlock *leaf = currentLeaf();
        if (!leaf)
            return;
        if (leaf->kind == Kind::codeBlock) {
            leaf->code += fromUtf8(text, size);
            return;
        }
        switch (type) {
        case MD_TEXT_NULLCHAR:
            appendRun(QString(QChar::ReplacementCharacter));
            break;
        case MD_TEXT_BR:
            appendRun(QString(QChar::LineSeparator));
            break;
        case MD_TEXT_SOFTBR:
            appendRun(QStringLiteral(" "));
            break;
        case MD_TEXT_ENTITY:
            appendRun(decodeEntity(fromUtf8(text, size)));
            break;
        default:
            appendRun(fromUtf8(text, size));
            break;
        }
    }

private:
    enum class Entered { pushed, cell, marker, skipped };

    // Where text goes: the open leaf, or a paragraph opened for text that
    // arrives in a container (md4c sends the text of tight list items
    // without a paragraph).
    MarkdownBlock *currentLeaf()
    {
        if (m_open.isEmpty())
            return nullptr;
        MarkdownBlock &top = m_open.last();
        if (top.kind == Kind::paragraph || top.kind == Kind::heading || top.kind == Kind::codeBlock)
            return &top;
        if (top.kind != Kind::item && top.kind != Kind::quote)
            return nullptr;
        m_open.append(MarkdownBlock {});
        m_implicit = true;
        return &m_open.last();
    }

    void closeImplicitParagraph()
    {
        if (!m_implicit)
            return;
        m_implicit = false;
        addToParent(m_open.takeLast());
    }

    void addToParent(MarkdownBlock block)
    {
        if (m_open.isEmpty()) {
            m_roots.append(std::move(block));
            return;
        }
        MarkdownBlock &parent = m_open.last();
        if (parent.kind == Kind::paragraph || parent.kind == Kind::heading) {
            // Only after flattening: a leaf's text goes on in the open leaf.
            parent.text += block.text;
            return;
        }
        parent.children.append(std::move(block));
    }

    qsizetype textLength() const
    {
        qsizetype length = 0;
        if (!m_open.isEmpty()) {
            for (const InlineRun &run : m_open.last().text)
                length += run.text.size();
        }
        return length;
    }

    void appendRun(const QString &text)
    {
        MarkdownBlock *leaf = currentLeaf();
        if (!leaf || text.isEmpty())
            return;
        InlineStyle style;
        style.bold = m_bold > 0 || leaf->kind == Kind::heading;
        style.italic = m_italic > 0;
        style.code = m_code > 0;
        style.strike = m_strike > 0;
        if (!m_links.isEmpty())
            style.link = m_links.last();
        if (!leaf->text.isEmpty() && leaf->text.last().style == style)
            leaf->text.last().text += text;
        else
            leaf->text.append(InlineRun { text, style });
    }

    QList<MarkdownBlock> m_roots;
    QList<MarkdownBlock> m_open;
    QList<Entered> m_entered;
    int m_depth = 0;
    bool m_implicit = false;
    MarkdownBlock::Align m_cellAlign = MarkdownBlock::Align::none;
    int m_bold = 0;
    int m_italic = 0;
    int m_code = 0;
    int m_strike = 0;
    QStringList m_links;
    QList<qsizetype> m_imageStarts;
};

QString alignName(MarkdownBlock::Align align)
{
    switch (align) {
    case MarkdownBlock::Align::left:
        return QStringLiteral("l");
    case MarkdownBlock::Align::center:
        return QStringLiteral("c");
    case MarkdownBlock::Align::right:
        return QStringLiteral("r");
    case MarkdownBlock::Align::none:
        break;
    }
    return QStringLiteral("-");
}

QString describe(const MarkdownBlock &block)
{
    const auto inner = [&block] { return QLatin1Char('[') + describe(block.children) + QLatin1Char(']'); };
    switch (block.kind) {
    case Kind::paragraph:
        return QStringLiteral("p(%1)").arg(describe(block.text));
    case Kind::heading:
        return QStringLiteral("h%1(%2)").arg(block.level).arg(plainText(block.text));
    case Kind::quote:
        return QStringLiteral("quote") + inner();
    case Kind::bulletList:
        return QStringLiteral("ul") + inner();
    case Kind::orderedList:
        return QStringLiteral("ol%1").arg(block.start) + inner();
    case Kind::item:
        if (block.task)
            return (*block.task ? QStringLiteral("task+") : QStringLiteral("task-")) + inner();
        return QStringLiteral("li") + inner();
    case Kind::codeBlock:
        return QStringLiteral("code:%1(%2)").arg(block.language, block.code);
    case Kind::table: {
        QStringList aligns;
        for (MarkdownBlock::Align align : block.alignments)
            aligns.append(alignName(align));
        QStringList rows;
        for (const QList<InlineText> &row : block.rows) {
            QStringList cells;
            for (const InlineText &cell : row)
                cells.append(describe(cell));
            rows.append(cells.join(u'|'));
        }
        return QStringLiteral("table(%1)[%2]").arg(aligns.join(u','), rows.join(QStringLiteral("; ")));
    }
    case Kind::rule:
        return QStringLiteral("hr");
    }
    return {};
}

} // namespace

QList<MarkdownBlock> parseMarkdown(const QString &markdown)
{
    const QByteArray utf8 = markdown.toUtf8();
    Builder builder;
    MD_PARSER parser {};
    parser.flags = MD_FLAG_TABLES | MD_FLAG_STRIKETHROUGH | MD_FLAG_TASKLISTS | MD_FLAG_PERMISSIVEAUTOLINKS
        | MD_FLAG_NOHTML;
    parser.enter_block = [](MD_BLOCKTYPE type, void *detail, void *self) {
        static_cast<Builder *>(self)->enterBlock(type, detail);
        return 0;
    };
    parser.leave_block = [](MD_BLOCKTYPE type, void *, void *self) {
        static_cast<Builder *>(self)->leaveBlock(type);
        return 0;
    };
    parser.enter_span = [](MD_SPANTYPE type, void *detail, void *self) {
        static_cast<Builder *>(self)->enterSpan(type, detail);
        return 0;
    };
    parser.leave_span = [](MD_SPANTYPE type, void *, void *self) {
        static_cast<Builder *>(self)->leaveSpan(type);
        return 0;
    };
    parser.text = [](MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size, void *self) {
        static_cast<Builder *>(self)->text(type, text, size);
        return 0;
    };
    if (md_parse(utf8.constData(), MD_SIZE(utf8.size()), &parser, &builder) != 0) {
        // Only an allocation failure gets here: show the answer as it stands.
        MarkdownBlock paragraph;
        paragraph.text.append(InlineRun { markdown, {} });
        return { paragraph };
    }
    return builder.take();
}

QString describe(const QList<MarkdownBlock> &blocks)
{
    QStringList parts;
    for (const MarkdownBlock &block : blocks)
        parts.append(describe(block));
    return parts.join(QStringLiteral(", "));
}

QString describe(const InlineText &runs)
{
    QString text;
    for (const InlineRun &run : runs) {
        QStringList tags;
        if (run.style.bold)
            tags.append(QStringLiteral("b"));
        if (run.style.italic)
            tags.append(QStringLiteral("i"));
        if (run.style.code)
            tags.append(QStringLiteral("code"));
        if (run.style.strike)
            tags.append(QStringLiteral("s"));
        if (!run.style.link.isEmpty())
            tags.append(QStringLiteral("a=") + run.style.link);
        text += tags.isEmpty()
            ? run.text
            : QLatin1Char('{') + tags.join(u',') + QLatin1Char(':') + run.text + QLatin1Char('}');
    }
    return text;
}

} // namespace quillet
