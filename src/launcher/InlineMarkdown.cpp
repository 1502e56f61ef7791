#include "launcher/InlineMarkdown.h"

#include <QFontDatabase>

#include <algorithm>
#include <list>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillet {

namespace {

struct Node {
    enum class Type { text, code, emphasisOpen, emphasisClose, strongOpen, strongClose, linkOpen, linkClose };
    Type type = Type::text;
    QString text; // text and code; the remaining characters of a delimiter run
    QString url; // linkOpen
};
using NodeList = std::list<Node>;

// A run of * or _ that may still open or close emphasis. The delimiters form
// a doubly linked list over a vector; indices grow in document order.
struct Delimiter {
    NodeList::iterator node;
    QChar character;
    int length = 0;
    int originalLength = 0;
    bool canOpen = false;
    bool canClose = false;
    int previous = -1;
    int next = -1;
};

struct Bracket {
    NodeList::iterator node;
    int delimiterBottom = -1; // the last delimiter before the bracket
};

char32_t codePointAt(const QString &text, qsizetype index)
{
    if (index < 0 || index >= text.size())
        return U'\n'; // the edges count as white space
    const QChar c = text[index];
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[index + 1]);
    return c.unicode();
}

char32_t codePointBefore(const QString &text, qsizetype index)
{
    if (index <= 0 || index > text.size())
        return U'\n';
    const QChar c = text[index - 1];
    if (c.isLowSurrogate() && index >= 2 && text[index - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(text[index - 2], c);
    return c.unicode();
}

bool isWhitespace(char32_t c)
{
    return QChar::isSpace(c);
}

bool isPunctuation(char32_t c)
{
    return QChar::isPunct(c) || QChar::isSymbol(c);
}

bool isAsciiPunctuation(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'!' && u <= u'/') || (u >= u':' && u <= u'@') || (u >= u'[' && u <= u'`')
        || (u >= u'{' && u <= u'~');
}

// Parentheses a link destination may nest, as CommonMark implementations bound it.
constexpr int kMaxDestinationDepth = 32;

class InlineParser {
public:
    explicit InlineParser(const QString &text)
        : m_text(text)
    {
    }

    InlineText run()
    {
        const qsizetype n = m_text.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = m_text[i];
            if (c == u'\\') {
                if (i + 1 < n && isAsciiPunctuation(m_text[i + 1])) {
                    appendText(QString(m_text[i + 1]));
                    i += 2;
                } else {
                    appendText(QStringLiteral("\\"));
                    ++i;
                }
            } else if (c == u'`') {
                i = parseCodeSpan(i);
            } else if (c == u'*' || c == u'_') {
                i = parseDelimiterRun(i);
            } else if (c == u'[') {
                appendStructural(Node { Node::Type::text, QStringLiteral("["), {} });
                m_brackets.push_back(Bracket { std::prev(m_nodes.end()), m_top });
                ++i;
            } else if (c == u']') {
                i = closeBracket(i);
            } else if (c == u'<') {
                i = parseAutolink(i);
            } else {
                qsizetype j = i + 1;
                while (j < n && !isSpecial(m_text[j]))
                    ++j;
                appendText(m_text.mid(i, j - i));
                i = j;
            }
        }
        processEmphasis(-1);
        return render();
    }

private:
    static bool isSpecial(QChar c)
    {
        return c == u'\\' || c == u'`' || c == u'*' || c == u'_' || c == u'[' || c == u']' || c == u'<';
    }

    void appendText(const QString &text)
    {
        if (!m_nodes.empty() && m_nodes.back().type == Node::Type::text && !m_lastIsStructural)
            m_nodes.back().text += text;
        else
            m_nodes.push_back(Node { Node::Type::text, text, {} });
        m_lastIsStructural = false;
    }

    void appendStructural(Node node)
    {
        m_nodes.push_back(std::move(node));
        m_lastIsStructural = true;
    }

    qsizetype runLength(qsizetype i, QChar c) const
    {
        qsizetype j = i;
        while (j < m_text.size() && m_text[j] == c)
            ++j;
        return j - i;
    }

    qsizetype parseCodeSpan(qsizetype i)
    {
        const qsizetype length = runLength(i, u'`');
        const qsizetype contentStart = i + length;
        if (const auto closing = nextBacktickRun(length, contentStart)) {
            QString content = m_text.mid(contentStart, *closing - contentStart);
            content.replace(u'\n', u' ');
            if (content.size() >= 2 && content.startsWith(u' ') && content.endsWith(u' ')
                && !std::all_of(content.cbegin(), content.cend(), [](QChar d) { return d == u' '; }))
                content = content.mid(1, content.size() - 2);
            appendStructural(Node { Node::Type::code, content, {} });
            return *closing + length;
        }
        appendText(m_text.mid(i, length));
        return contentStart;
    }

    // The start of the first run of exactly `length` backticks at or after
    // `from`. Every run of the text is listed once, by length, and each list
    // is walked forward only (the parser asks with growing `from`), so all
    // code spans together cost time linear in the text.
    std::optional<qsizetype> nextBacktickRun(qsizetype length, qsizetype from)
    {
        if (!m_runsListed) {
            m_runsListed = true;
            for (qsizetype j = 0; j < m_text.size();) {
                if (m_text[j] != u'`') {
                    ++j;
                    continue;
                }
                const qsizetype run = runLength(j, u'`');
                m_runs[run].starts.push_back(j);
                j += run;
            }
        }
        const auto found = m_runs.find(length);
        if (found == m_runs.end())
            return std::nullopt;
        BacktickRuns &runs = found->second;
        while (runs.next < runs.starts.size() && runs.starts[runs.next] < from)
            ++runs.next;
        if (runs.next == runs.starts.size())
            return std::nullopt;
        return runs.starts[runs.next];
    }

    qsizetype parseDelimiterRun(qsizetype i)
    {
        const QChar c = m_text[i];
        const qsizetype length = runLength(i, c);
        const char32_t before = codePointBefore(m_text, i);
        const char32_t after = codePointAt(m_text, i + length);
        const bool leftFlanking = !isWhitespace(after)
            && (!isPunctuation(after) || isWhitespace(before) || isPunctuation(before));
        const bool rightFlanking = !isWhitespace(before)
            && (!isPunctuation(before) || isWhitespace(after) || isPunctuation(after));
        bool canOpen = leftFlanking;
        bool canClose = rightFlanking;
        if (c == u'_') {
            canOpen = leftFlanking && (!rightFlanking || isPunctuation(before));
            canClose = rightFlanking && (!leftFlanking || isPunctuation(after));
        }
        appendStructural(Node { Node::Type::text, m_text.mid(i, length), {} });
        if (canOpen || canClose) {
            Delimiter d;
            d.node = std::prev(m_nodes.end());
            d.character = c;
            d.length = d.originalLength = int(std::min<qsizetype>(length, 1 << 20));
            d.canOpen = canOpen;
            d.canClose = canClose;
            pushDelimiter(d);
        }
        return i + length;
    }

    void pushDelimiter(Delimiter d)
    {
        const int index = int(m_delimiters.size());
        d.previous = m_top;
        d.next = -1;
        if (m_top >= 0)
            m_delimiters[size_t(m_top)].next = index;
        m_delimiters.push_back(d);
        m_top = index;
    }

    void removeDelimiter(int index)
    {
        Delimiter &d = m_delimiters[size_t(index)];
        if (d.previous >= 0)
            m_delimiters[size_t(d.previous)].next = d.next;
        if (d.next >= 0)
            m_delimiters[size_t(d.next)].previous = d.previous;
        if (m_top == index)
            m_top = d.previous;
    }

    // CommonMark's "process emphasis" over the delimiters above `bottom`.
    void processEmphasis(int bottom)
    {
        int current = m_top;
        while (current >= 0 && m_delimiters[size_t(current)].previous > bottom)
            current = m_delimiters[size_t(current)].previous;
        if (current <= bottom)
            current = -1;

        int openersBottom[12];
        std::fill(std::begin(openersBottom), std::end(openersBottom), bottom);

        while (current >= 0) {
            Delimiter &closer = m_delimiters[size_t(current)];
            if (!closer.canClose) {
                current = closer.next;
                continue;
            }
            const int key
                = (closer.character == u'*' ? 0 : 6) + (closer.canOpen ? 3 : 0) + closer.originalLength % 3;
            const int floor = std::max(bottom, openersBottom[key]);
            int opener = closer.previous;
            bool found = false;
            while (opener > floor) {
                const Delimiter &o = m_delimiters[size_t(opener)];
                const bool oddMatch = (closer.canOpen || o.canClose)
                    && (o.originalLength + closer.originalLength) % 3 == 0
                    && !(o.originalLength % 3 == 0 && closer.originalLength % 3 == 0);
                if (o.character == closer.character && o.canOpen && !oddMatch) {
                    found = true;
                    break;
                }
                opener = o.previous;
            }

            if (!found) {
                openersBottom[key] = closer.previous;
                const int next = closer.next;
                if (!closer.canOpen)
                    removeDelimiter(current);
                current = next;
                continue;
            }

            Delimiter &o = m_delimiters[size_t(opener)];
            const bool strong = o.length >= 2 && closer.length >= 2;
            const int used = strong ? 2 : 1;
            o.length -= used;
            closer.length -= used;
            o.node->text.chop(used);
            closer.node->text.chop(used);
            m_nodes.insert(std::next(o.node),
                Node { strong ? Node::Type::strongOpen : Node::Type::emphasisOpen, {}, {} });
            m_nodes.insert(
                closer.node, Node { strong ? Node::Type::strongClose : Node::Type::emphasisClose, {}, {} });
            for (int between = o.next; between >= 0 && between != current;) {
                const int next = m_delimiters[size_t(between)].next;
                removeDelimiter(between);
                between = next;
            }
            if (o.length == 0)
                removeDelimiter(opener);
            if (closer.length == 0) {
                const int next = closer.next;
                removeDelimiter(current);
                current = next;
            }
        }
        while (m_top > bottom)
            removeDelimiter(m_top);
    }

    qsizetype closeBracket(qsizetype i)
    {
        if (m_brackets.empty()) {
            appendText(QStringLiteral("]"));
            return i + 1;
        }
        const Bracket opener = m_brackets.back();
        const bool active = m_brackets.size() > m_inactiveBelow;
        m_brackets.pop_back();
        m_inactiveBelow = std::min(m_inactiveBelow, m_brackets.size());
        std::optional<std::pair<QString, qsizetype>> destination;
        if (active)
            destination = parseLinkDestination(i + 1);
        if (!destination) {
            appendText(QStringLiteral("]"));
            return i + 1;
        }

        processEmphasis(opener.delimiterBottom);
        opener.node->type = Node::Type::linkOpen;
        opener.node->text.clear();
        opener.node->url = destination->first;
        appendStructural(Node { Node::Type::linkClose, {}, {} });
        // No links inside links: every bracket still open is now inactive.
        m_inactiveBelow = m_brackets.size();
        return destination->second;
    }

    // "(destination "title")" at `i`: the destination and the index after ")".
    std::optional<std::pair<QString, qsizetype>> parseLinkDestination(qsizetype i)
    {
        const qsizetype n = m_text.size();
        if (i >= n || m_text[i] != u'(')
            return std::nullopt;
        qsizetype j = skipLinkSpace(i + 1);
        // The destination's text is only built once the link is known to hold.
        qsizetype destinationStart = j;
        qsizetype destinationEnd = j;
        if (j < n && m_text[j] == u'<') {
            destinationStart = ++j;
            while (j < n && m_text[j] != u'>') {
                if (m_text[j] == u'<' || m_text[j] == u'\n')
                    return std::nullopt;
                j += (m_text[j] == u'\\' && j + 1 < n && isAsciiPunctuation(m_text[j + 1])) ? 2 : 1;
            }
            if (j >= n)
                return std::nullopt;
            destinationEnd = j++;
        } else {
            int depth = 0;
            while (j < n) {
                const QChar c = m_text[j];
                const char16_t u = c.unicode();
                // Below U+0021 everything is white space or a control.
                if (u <= 0x20 || u == 0x7f
                    || (u >= 0x80 && (c.isSpace() || c.category() == QChar::Other_Control)))
                    break;
                if (c == u'\\' && j + 1 < n && isAsciiPunctuation(m_text[j + 1])) {
                    j += 2;
                    continue;
                }
                if (c == u'(') {
                    // Deeper nesting is no destination; the bound keeps the
                    // scans of overlapping brackets linear in total.
                    if (++depth > kMaxDestinationDepth)
                        return std::nullopt;
                } else if (c == u')') {
                    if (depth == 0)
                        break;
                    --depth;
                }
                ++j;
            }
            if (depth != 0)
                return std::nullopt;
            destinationEnd = j;
        }
        const qsizetype afterDestination = j;
        j = skipLinkSpace(j);
        if (j < n && j > afterDestination && (m_text[j] == u'"' || m_text[j] == u'\'' || m_text[j] == u'(')) {
            const QChar close = m_text[j] == u'(' ? QChar(u')') : m_text[j];
            const qsizetype end = titleEnd(close, j + 1);
            if (end >= n)
                return std::nullopt;
            j = skipLinkSpace(end + 1);
        }
        if (j >= n || m_text[j] != u')')
            return std::nullopt;
        return std::make_pair(unescaped(destinationStart, destinationEnd), j + 1);
    }

    // The text between `begin` and `end` with backslash escapes resolved.
    QString unescaped(qsizetype begin, qsizetype end) const
    {
        QString text;
        text.reserve(end - begin);
        for (qsizetype k = begin; k < end; ++k) {
            if (m_text[k] == u'\\' && k + 1 < end && isAsciiPunctuation(m_text[k + 1]))
                ++k;
            text += m_text[k];
        }
        return text;
    }

    // The first `close` at or after `from` that no backslash escapes. A title
    // opens after white space, so escapes pair up the same way from any
    // opener as from the start of the text: one pass lists the closers, and
    // each title is a search in that list instead of a scan that could run
    // over the rest of the text again and again.
    qsizetype titleEnd(QChar close, qsizetype from)
    {
        if (!m_closersListed) {
            m_closersListed = true;
            for (qsizetype k = 0; k < m_text.size(); ++k) {
                const QChar c = m_text[k];
                if (c == u'\\')
                    ++k;
                else if (c == u'"' || c == u'\'' || c == u')')
                    m_closers[c == u'"' ? 0 : c == u'\'' ? 1 : 2].push_back(k);
            }
        }
        const std::vector<qsizetype> &positions = m_closers[close == u'"' ? 0 : close == u'\'' ? 1 : 2];
        const auto found = std::lower_bound(positions.cbegin(), positions.cend(), from);
        return found == positions.cend() ? m_text.size() : *found;
    }

    qsizetype skipLinkSpace(qsizetype j) const
    {
        bool newline = false;
        while (j < m_text.size()) {
            const QChar c = m_text[j];
            if (c == u'\n') {
                if (newline)
                    break;
                newline = true;
            } else if (c != u' ' && c != u'\t') {
                break;
            }
            ++j;
        }
        return j;
    }

    // <scheme:rest> with a 2-32 character scheme and no spaces or angle brackets.
    qsizetype parseAutolink(qsizetype i)
    {
        const qsizetype n = m_text.size();
        qsizetype j = i + 1;
        const auto isAsciiLetter
            = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
        if (j < n && isAsciiLetter(m_text[j])) {
            qsizetype k = j + 1;
            while (k < n && k - j <= 32
                && (isAsciiLetter(m_text[k]) || (m_text[k] >= u'0' && m_text[k] <= u'9') || m_text[k] == u'+'
                    || m_text[k] == u'.' || m_text[k] == u'-'))
                ++k;
            if (k < n && m_text[k] == u':' && k - j >= 2 && k - j <= 32) {
                qsizetype end = k + 1;
                while (end < n && m_text[end] != u'>' && m_text[end] != u'<' && !m_text[end].isSpace()
                    && m_text[end].category() != QChar::Other_Control)
                    ++end;
                if (end < n && m_text[end] == u'>') {
                    const QString url = m_text.mid(j, end - j);
                    appendStructural(Node { Node::Type::linkOpen, {}, url });
                    appendText(url);
                    appendStructural(Node { Node::Type::linkClose, {}, {} });
                    return end + 1;
                }
            }
        }
        appendText(QStringLiteral("<"));
        return i + 1;
    }

    InlineText render() const
    {
        InlineText runs;
        int bold = 0;
        int italic = 0;
        QStringList links;
        const auto emit = [&](const QString &text, bool code) {
            if (text.isEmpty())
                return;
            InlineStyle style;
            style.bold = bold > 0;
            style.italic = italic > 0;
            style.code = code;
            if (!links.isEmpty())
                style.link = links.last();
            if (!runs.isEmpty() && runs.last().style == style)
                runs.last().text += text;
            else
                runs.append(InlineRun { text, style });
        };
        for (const Node &node : m_nodes) {
            switch (node.type) {
            case Node::Type::text:
                emit(node.text, false);
                break;
            case Node::Type::code:
                emit(node.text, true);
                break;
            case Node::Type::emphasisOpen:
                ++italic;
                break;
            case Node::Type::emphasisClose:
                --italic;
                break;
            case Node::Type::strongOpen:
                ++bold;
                break;
            case Node::Type::strongClose:
                --bold;
                break;
            case Node::Type::linkOpen:
                links.append(node.url);
                break;
            case Node::Type::linkClose:
                if (!links.isEmpty())
                    links.removeLast();
                break;
            }
        }
        return runs;
    }

    const QString &m_text;
    NodeList m_nodes;
    std::vector<Delimiter> m_delimiters;
    int m_top = -1;
    std::vector<Bracket> m_brackets;
    size_t m_inactiveBelow = 0; // brackets below this index can no longer open a link
    struct BacktickRuns {
        std::vector<qsizetype> starts;
        size_t next = 0;
    };
    std::unordered_map<qsizetype, BacktickRuns> m_runs;
    bool m_runsListed = false;
    std::vector<qsizetype> m_closers[3]; // unescaped ", ' and )
    bool m_closersListed = false;
    bool m_lastIsStructural = false;
};

} // namespace

InlineText renderInline(const QString &markdown)
{
    return InlineParser(markdown).run();
}

QString plainText(const InlineText &runs)
{
    QString text;
    for (const InlineRun &run : runs)
        text += run.text;
    return text;
}

QTextCharFormat charFormat(const InlineStyle &style, const QFont &base)
{
    QTextCharFormat format;
    QFont font = base;
    if (style.code) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (base.pixelSize() > 0)
            font.setPixelSize(base.pixelSize());
        else if (base.pointSizeF() > 0)
            font.setPointSizeF(base.pointSizeF());
    }
    if (style.bold)
        font.setWeight(QFont::Bold);
    font.setItalic(style.italic);
    format.setFont(font);
    if (!style.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(style.link);
        format.setFontUnderline(true);
    }
    return format;
}

} // namespace quillet
