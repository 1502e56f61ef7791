#include "ai/ResultDiff.h"

#include <QFont>
#include <QHash>
#include <QPalette>
#include <QStringView>
#include <QTextBoundaryFinder>
#include <QTextCursor>

#include <vector>

namespace quillet {

namespace {

bool standsAlone(char32_t ucs4)
{
    if (QChar::isSpace(ucs4))
        return true;
    switch (QChar::category(ucs4)) {
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
        return true;
    default:
        return false;
    }
}

// The end offsets of each token of `text`; token i spans [ends[i-1], ends[i]).
std::vector<qsizetype> tokenEnds(const QString &text)
{
    std::vector<qsizetype> ends;
    if (text.isEmpty())
        return ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    qsizetype wordStart = -1;
    qsizetype next;
    while ((next = finder.toNextBoundary()) > 0) {
        // A cluster is judged by its first code point, so a letter with marks
        // stays a letter and an emoji with modifiers a symbol.
        char32_t first = text.at(start).unicode();
        if (QChar::isHighSurrogate(first) && start + 1 < next && text.at(start + 1).isLowSurrogate())
            first = QChar::surrogateToUcs4(text.at(start), text.at(start + 1));
        if (standsAlone(first)) {
            if (wordStart >= 0)
                ends.push_back(start);
            ends.push_back(next);
            wordStart = -1;
        } else if (wordStart < 0) {
            wordStart = start;
        }
        start = next;
    }
    if (wordStart >= 0)
        ends.push_back(text.size());
    return ends;
}

// Gives each distinct token (up to canonical equivalence) a number.
class SymbolTable {
public:
    int symbol(QStringView token)
    {
        QStringView key = token;
        // Below U+0300 there is nothing to compose or decompose.
        if (std::any_of(token.begin(), token.end(), [](QChar c) { return c.unicode() >= 0x300; })) {
            m_normalized.append(token.toString().normalized(QString::NormalizationForm_C));
            key = m_normalized.constLast();
        }
        const auto it = m_symbols.constFind(key);
        if (it != m_symbols.cend())
            return *it;
        const int id = int(m_symbols.size());
        m_symbols.insert(key, id);
        return id;
    }

private:
    QHash<QStringView, int> m_symbols;
    // Owns the normalized keys the hash points into (QString data does not
    // move when the list grows).
    QList<QString> m_normalized;
};

struct Tokens {
    const QString *text = nullptr;
    std::vector<qsizetype> ends;
    std::vector<int> symbols;

    // Where token `index` starts; the text's end for index == size().
    qsizetype start(qsizetype index) const { return index == 0 ? 0 : ends[std::size_t(index - 1)]; }
    // The text of tokens [from, to).
    QString span(qsizetype from, qsizetype to) const
    {
        return text->mid(start(from), start(to) - start(from));
    }
    qsizetype size() const { return qsizetype(ends.size()); }
};

Tokens tokensOf(const QString &text, SymbolTable &table)
{
    Tokens tokens;
    tokens.text = &text;
    tokens.ends = tokenEnds(text);
    tokens.symbols.reserve(tokens.ends.size());
    qsizetype start = 0;
    for (const qsizetype end : tokens.ends) {
        tokens.symbols.push_back(table.symbol(QStringView(text).sliced(start, end - start)));
        start = end;
    }
    return tokens;
}

} // namespace

QStringList ResultDiff::tokenize(const QString &text)
{
    QStringList tokens;
    const std::vector<qsizetype> ends = tokenEnds(text);
    tokens.reserve(qsizetype(ends.size()));
    qsizetype start = 0;
    for (const qsizetype end : ends) {
        tokens.append(text.mid(start, end - start));
        start = end;
    }
    return tokens;
}

QStringList ResultDiff::longestCommonTokens(
    const QStringList &oldTokens, const QStringList &newTokens, const LcsLimits &limits)
{
    SymbolTable table;
    std::vector<int> a;
    std::vector<int> b;
    a.reserve(std::size_t(oldTokens.size()));
    b.reserve(std::size_t(newTokens.size()));
    for (const QString &token : oldTokens)
        a.push_back(table.symbol(token));
    for (const QString &token : newTokens)
        b.push_back(table.symbol(token));
    QStringList common;
    for (const qsizetype position : commonSubsequence(a, b, limits))
        common.append(oldTokens.at(position));
    return common;
}

QList<DiffChunk> ResultDiff::diff(
    const QString &oldText, const QString &newText, const LcsLimits &limits, LcsStats *stats)
{
    SymbolTable table;
    const Tokens a = tokensOf(oldText, table);
    const Tokens b = tokensOf(newText, table);
    const std::vector<qsizetype> common = commonSubsequence(a.symbols, b.symbols, limits, stats);

    QList<DiffChunk> chunks;
    qsizetype i = 0;
    qsizetype j = 0;
    for (const qsizetype position : common) {
        // The walk looks for the common token by its value, taking the first
        // match it meets, not the position the search settled on.
        const int symbol = a.symbols[std::size_t(position)];
        const qsizetype removedFrom = i;
        while (i < a.size() && a.symbols[std::size_t(i)] != symbol)
            ++i;
        const qsizetype addedFrom = j;
        while (j < b.size() && b.symbols[std::size_t(j)] != symbol)
            ++j;
        if (i > removedFrom)
            chunks.append(DiffChunk::removed(a.span(removedFrom, i)));
        if (j > addedFrom)
            chunks.append(DiffChunk::added(b.span(addedFrom, j)));
        if (i == a.size() || j == b.size())
            break;
        chunks.append(DiffChunk::equal(a.span(i, i + 1)));
        ++i;
        ++j;
    }
    if (i < a.size())
        chunks.append(DiffChunk::removed(a.span(i, a.size())));
    if (j < b.size())
        chunks.append(DiffChunk::added(b.span(j, b.size())));
    return chunks;
}

DiffColors DiffColors::light()
{
    // The deeper red and green of light themes' accessible palettes: the
    // bright ones fall below a readable contrast on a light background.
    return { QColor(0xd7, 0x00, 0x15), QColor(0x24, 0x8a, 0x3d) };
}

DiffColors DiffColors::dark()
{
    return { QColor(0xff, 0x45, 0x3a), QColor(0x30, 0xd1, 0x58) };
}

DiffColors DiffColors::forPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128 ? dark() : light();
}

QList<DiffRun> ResultDiff::styled(const QList<DiffChunk> &chunks, const DiffColors &colors)
{
    QTextCharFormat plain;
    plain.setFontWeight(QFont::Medium);

    QTextCharFormat removed = plain;
    removed.setForeground(colors.red);
    removed.setFontStrikeOut(true);
    QColor removedBackground = colors.red;
    removedBackground.setAlphaF(0.12f);
    removed.setBackground(removedBackground);

    QTextCharFormat added = plain;
    added.setForeground(colors.green);
    QColor addedBackground = colors.green;
    addedBackground.setAlphaF(0.1f);
    added.setBackground(addedBackground);

    QList<DiffRun> runs;
    for (const DiffChunk &chunk : chunks) {
        if (!runs.isEmpty() && runs.last().kind == chunk.kind) {
            runs.last().text += chunk.text;
            continue;
        }
        const QTextCharFormat &format = chunk.kind == DiffChunk::Kind::removed
            ? removed
            : (chunk.kind == DiffChunk::Kind::added ? added : plain);
        runs.append({ chunk.kind, chunk.text, format });
    }
    return runs;
}

void ResultDiff::insert(QTextCursor &cursor, const QList<DiffChunk> &chunks, const DiffColors &colors)
{
    for (const DiffRun &run : styled(chunks, colors))
        cursor.insertText(run.text, run.format);
}

} // namespace quillet
