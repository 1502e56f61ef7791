#include "launcher/MarkdownBlocks.h"

#include "core/Text.h"

#include <optional>

namespace quillet {

namespace {

// The code point at `index` and how many UTF-16 units it takes.
std::pair<char32_t, qsizetype> codePointAt(QStringView text, qsizetype index)
{
    const QChar c = text[index];
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        return { QChar::surrogateToUcs4(c, text[index + 1]), 2 };
    return { c.unicode(), 1 };
}

bool startsWithWhitespace(QStringView text)
{
    return !text.isEmpty() && QChar::isSpace(codePointAt(text, 0).first);
}

QStringView withoutLeadingWhitespace(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const auto [c, units] = codePointAt(text, i);
        if (!QChar::isSpace(c))
            break;
        i += units;
    }
    return text.mid(i);
}

bool isFence(QStringView t)
{
    return t.startsWith(u"```");
}

// The text after the run of leading "#", when the line is a heading line.
std::optional<QStringView> headingRest(QStringView t)
{
    if (!t.startsWith(u'#'))
        return std::nullopt;
    qsizetype hashes = 0;
    while (hashes < t.size() && t[hashes] == u'#')
        ++hashes;
    const QStringView rest = t.mid(hashes);
    if (!rest.startsWith(u' '))
        return std::nullopt;
    return rest;
}

bool isBulletLine(QStringView t)
{
    if (t.startsWith(u"- ") || t.startsWith(u"+ "))
        return true;
    return t.startsWith(u'*') && startsWithWhitespace(t.mid(1));
}

// The item text of a numbered item ("12. text"): digits, then ".", then white space.
std::optional<QString> numberedItem(QStringView t)
{
    const qsizetype dot = t.indexOf(u'.');
    if (dot <= 0)
        return std::nullopt;
    for (qsizetype i = 0; i < dot;) {
        const auto [c, units] = codePointAt(t, i);
        if (!QChar::isNumber(c))
            return std::nullopt;
        i += units;
    }
    const QStringView rest = t.mid(dot + 1);
    if (!startsWithWhitespace(rest))
        return std::nullopt;
    return trimmedSpacesAndTabs(rest).toString();
}

bool isTableStart(const QList<QStringView> &lines, qsizetype index)
{
    if (!trimmedSpacesAndTabs(lines[index]).contains(u'|') || index + 1 >= lines.size())
        return false;
    bool pipe = false;
    bool dash = false;
    for (const QChar c : trimmedSpacesAndTabs(lines[index + 1])) {
        if (c == u' ')
            continue;
        if (c == u'|')
            pipe = true;
        else if (c == u'-')
            dash = true;
        else if (c != u':')
            return false;
    }
    return pipe && dash;
}

QStringList rowCells(QStringView t)
{
    QStringList cells;
    for (const QStringView piece : t.split(u'|'))
        cells.append(trimmedSpacesAndTabs(piece).toString());
    if (!cells.isEmpty() && cells.first().isEmpty())
        cells.removeFirst();
    if (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells;
}

bool endsParagraph(const QList<QStringView> &lines, qsizetype index)
{
    const QStringView t = trimmedSpacesAndTabs(lines[index]);
    return t.isEmpty() || isFence(t) || headingRest(t) || isTableStart(lines, index) || isBulletLine(t)
        || numberedItem(t);
}

} // namespace

QList<QStringList> MarkdownBlock::displayRows() const
{
    QList<QStringList> shown;
    shown.reserve(rows.size());
    for (const QStringList &row : rows) {
        QStringList cells = row.mid(0, headers.size());
        while (cells.size() < headers.size())
            cells.append(QString());
        shown.append(cells);
    }
    return shown;
}

QList<MarkdownBlock> parseBlocks(const QString &text)
{
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    const qsizetype count = lines.size();
    QList<MarkdownBlock> blocks;
    qsizetype i = 0;
    while (i < count) {
        const QStringView t = trimmedSpacesAndTabs(lines[i]);
        if (t.isEmpty()) {
            ++i;
            continue;
        }

        if (isFence(t)) {
            QStringList code;
            qsizetype j = i + 1;
            while (j < count && !isFence(trimmedSpacesAndTabs(lines[j])))
                code.append(lines[j++].toString());
            blocks.append(MarkdownBlock::codeBlock(code.join(u'\n')));
            i = j + 1; // past the closing fence, or the end
            continue;
        }

        if (const auto rest = headingRest(t)) {
            const QStringView title = trimmedSpacesAndTabs(*rest);
            if (!title.isEmpty()) {
                blocks.append(
                    MarkdownBlock::paragraph(QStringLiteral("**") + title.toString() + QStringLiteral("**")));
                ++i;
                continue;
            }
        }

        if (isTableStart(lines, i)) {
            const QStringList headers = rowCells(t);
            QList<QStringList> rows;
            qsizetype j = i + 2;
            while (j < count) {
                const QStringView row = trimmedSpacesAndTabs(lines[j]);
                if (row.isEmpty() || !row.contains(u'|'))
                    break;
                rows.append(rowCells(row));
                ++j;
            }
            blocks.append(MarkdownBlock::table(headers, rows));
            i = j;
            continue;
        }

        if (isBulletLine(t)) {
            QStringList items;
            while (i < count && isBulletLine(trimmedSpacesAndTabs(lines[i])))
                items.append(withoutLeadingWhitespace(trimmedSpacesAndTabs(lines[i++]).mid(1)).toString());
            blocks.append(MarkdownBlock::bullet(items));
            continue;
        }

        if (numberedItem(t)) {
            QStringList items;
            while (i < count) {
                const auto item = numberedItem(trimmedSpacesAndTabs(lines[i]));
                if (!item)
                    break;
                items.append(*item);
                ++i;
            }
            blocks.append(MarkdownBlock::ordered(items));
            continue;
        }

        // A paragraph: its lines exactly as written, joined with spaces.
        QStringList collected { lines[i].toString() };
        qsizetype j = i + 1;
        while (j < count && !endsParagraph(lines, j))
            collected.append(lines[j++].toString());
        blocks.append(MarkdownBlock::paragraph(collected.join(u' ')));
        i = j;
    }
    return blocks;
}

QString describe(const MarkdownBlock &block)
{
    const auto quote = [](const QStringList &list) {
        return QStringLiteral("[\"") + list.join(QStringLiteral("\", \"")) + QStringLiteral("\"]");
    };
    switch (block.kind) {
    case MarkdownBlock::Kind::paragraph:
        return QStringLiteral("paragraph(\"%1\")").arg(block.text);
    case MarkdownBlock::Kind::bullet:
        return QStringLiteral("bullet%1").arg(quote(block.items));
    case MarkdownBlock::Kind::ordered:
        return QStringLiteral("ordered%1").arg(quote(block.items));
    case MarkdownBlock::Kind::codeBlock:
        return QStringLiteral("codeBlock(\"%1\")").arg(block.text);
    case MarkdownBlock::Kind::table: {
        QStringList rows;
        for (const QStringList &row : block.rows)
            rows.append(quote(row));
        return QStringLiteral("table(%1; %2)").arg(quote(block.headers), rows.join(QStringLiteral(", ")));
    }
    }
    return {};
}

} // namespace quillet
