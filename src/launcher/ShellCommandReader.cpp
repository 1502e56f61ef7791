#include "launcher/ShellCommandReader.h"

#include <QSet>

#include <algorithm>

namespace quillet {

namespace {

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isNameStart(QChar c)
{
    return c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isNameCharacter(QChar c)
{
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}

bool isName(QStringView text)
{
    return !text.isEmpty() && isNameStart(text[0]) && std::all_of(text.begin(), text.end(), isNameCharacter);
}

// What ${...} may hold without doing more than reading a parameter.
bool isPlainParameter(QStringView inside)
{
    if (isName(inside))
        return true;
    if (!inside.isEmpty() && std::all_of(inside.begin(), inside.end(), [](QChar c) { return c.isDigit(); }))
        return true;
    return inside.size() == 1 && QStringView(u"@*#?$!-").contains(inside[0]);
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - '0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - 'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// The text of $'...' as bash passes it on: C escapes resolved.
QString decodeAnsiC(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        const auto number = [&](int base, int maxDigits) {
            char32_t value = 0;
            int digits = 0;
            while (digits < maxDigits && i + 1 < text.size()) {
                const int d = hexValue(text[i + 1]);
                if (d < 0 || d >= base)
                    break;
                value = value * char32_t(base) + char32_t(d);
                ++digits;
                ++i;
            }
            return std::pair(value, digits);
        };
        switch (e.unicode()) {
        case 'a':
            out += u'\a';
            break;
        case 'b':
            out += u'\b';
            break;
        case 'e':
        case 'E':
            out += QChar(0x1b);
            break;
        case 'f':
            out += u'\f';
            break;
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case 'v':
            out += u'\v';
            break;
        case 'c':
            if (i + 1 < text.size())
                out += QChar(text[++i].unicode() & 0x1f);
            break;
        case 'x':
        case 'u':
        case 'U': {
            const auto [value, digits] = number(16, e == u'x' ? 2 : e == u'u' ? 4 : 8);
            if (digits == 0) {
                out += u'\\';
                out += e;
            } else {
                out += QString::fromUcs4(&value, 1);
            }
            break;
        }
        default:
            if (e >= u'0' && e <= u'7') {
                --i;
                const auto [value, digits] = number(8, 3);
                Q_UNUSED(digits);
                out += QChar(char16_t(value & 0xff));
            } else if (e == u'\\' || e == u'\'' || e == u'"' || e == u'?') {
                out += e;
            } else {
                out += u'\\';
                out += e;
            }
        }
    }
    return out;
}

// Whether a line of a here-document ends in a backslash that joins it to
// the next one (an odd number of them).
bool endsInContinuation(QStringView line)
{
    qsizetype count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == u'\\')
        ++count;
    return count % 2 == 1;
}

const QSet<QString> &reservedWords()
{
    static const QSet<QString> words { QStringLiteral("!"), QStringLiteral("{"), QStringLiteral("}"),
        QStringLiteral("if"), QStringLiteral("then"), QStringLiteral("else"), QStringLiteral("elif"),
        QStringLiteral("fi"), QStringLiteral("do"), QStringLiteral("done"), QStringLiteral("while"),
        QStringLiteral("until"), QStringLiteral("esac") };
    return words;
}

const QSet<QString> &headerWords()
{
    static const QSet<QString> words { QStringLiteral("for"), QStringLiteral("select"),
        QStringLiteral("case"), QStringLiteral("function") };
    return words;
}

} // namespace

bool isAssignment(const ShellWord &word)
{
    const QString &v = word.value;
    const qsizetype eq = v.indexOf(u'=');
    if (eq <= 0)
        return false;
    const qsizetype nameEnd = v[eq - 1] == u'+' ? eq - 1 : eq;
    return isName(QStringView(v).left(nameEnd));
}

qsizetype ShellSimpleCommand::assignmentCount() const
{
    qsizetype count = 0;
    while (count < words.size() && isAssignment(words[count]))
        ++count;
    return count;
}

const ShellWord *ShellSimpleCommand::commandWord() const
{
    if (!header.isEmpty())
        return nullptr;
    const qsizetype index = assignmentCount();
    return index < words.size() ? &words[index] : nullptr;
}

QList<ShellWord> ShellSimpleCommand::arguments() const
{
    if (!commandWord())
        return {};
    return words.mid(assignmentCount() + 1);
}

// The reading itself: one pass over the text, words collected into simple
// commands as the shell's tokenizer would.
class ShellReading {
public:
    ShellReading(const QString &text, ShellCommandReader &out)
        : m_text(text)
        , m_out(out)
    {
    }

    void run();

private:
    QChar at(qsizetype index) const { return index < m_text.size() ? m_text[index] : QChar(); }
    ShellWord &word()
    {
        if (!m_word)
            m_word = ShellWord();
        return *m_word;
    }

    void endWord();
    void endCommand();
    void addCommand(ShellSimpleCommand command);
    void readHereDocuments();
    void readRedirection();
    qsizetype readDollar(const QString &text, qsizetype i, ShellWord &into, bool inDoubleQuotes);
    void markExpansions(ShellWord &body);

    const QString &m_text;
    ShellCommandReader &m_out;
    qsizetype m_i = 0;
    ShellSimpleCommand m_command;
    std::optional<ShellWord> m_word;
    std::optional<ShellRedirection> m_redirection;
    // Here-documents whose bodies start after the next line break, as
    // (command, redirection) indices.
    QList<std::pair<qsizetype, qsizetype>> m_pendingBodies;
};

void ShellReading::endWord()
{
    if (!m_word)
        return;
    if (m_redirection) {
        m_redirection->target = *m_word;
        m_command.redirections.append(*m_redirection);
        if (m_redirection->isHereDocument())
            m_pendingBodies.append({ m_out.m_commands.size(), m_command.redirections.size() - 1 });
        m_redirection.reset();
    } else {
        m_command.words.append(*m_word);
    }
    m_word.reset();
}

void ShellReading::endCommand()
{
    endWord();
    if (m_redirection) {
        m_command.redirections.append(*m_redirection);
        m_redirection.reset();
    }
    if (!m_command.words.isEmpty() || !m_command.redirections.isEmpty() || m_command.definesFunction)
        addCommand(std::exchange(m_command, ShellSimpleCommand()));
}

// Splits off the leading reserved words and a header word; the body that
// follows "function name" is a command of its own.
void ShellReading::addCommand(ShellSimpleCommand command)
{
    QList<ShellWord> &words = command.words;
    qsizetype index = 0;
    while (index < words.size() && words[index].isLiteral() && reservedWords().contains(words[index].value))
        command.reservedWords.append(words[index++].value);
    if (index < words.size() && words[index].isLiteral() && headerWords().contains(words[index].value))
        command.header = words[index++].value;
    words = words.mid(index);

    if (command.header == u"function") {
        command.definesFunction = true;
        if (words.size() > 1) {
            ShellSimpleCommand body;
            body.words = words.mid(1);
            body.redirections = command.redirections;
            command.words = words.mid(0, 1);
            command.redirections.clear();
            m_out.m_commands.append(command);
            addCommand(body);
            return;
        }
    }
    m_out.m_commands.append(command);
}

void ShellReading::markExpansions(ShellWord &body)
{
    const QString &v = body.value;
    for (qsizetype k = 0; k < v.size(); ++k) {
        const QChar c = v[k];
        if (c == u'\\') {
            ++k;
        } else if (c == u'`') {
            m_out.m_substitutes = true;
        } else if (c == u'$') {
            ShellWord probe;
            readDollar(v, k, probe, true);
            body.complexExpansion = body.complexExpansion || probe.complexExpansion;
        }
    }
}

void ShellReading::readHereDocuments()
{
    for (const auto &[commandIndex, redirectionIndex] : std::as_const(m_pendingBodies)) {
        ShellRedirection &redirection = m_out.m_commands[commandIndex].redirections[redirectionIndex];
        const QString delimiter = redirection.target->value;
        const bool stripTabs = redirection.op == u"<<-";
        ShellWord body;
        body.expanded = redirection.target->isLiteral();
        // Under an unquoted delimiter bash joins continued lines before it
        // looks for the delimiter. The body ends at the first line that ends
        // it either way: reading too short a body only reads more as commands.
        const bool joins = redirection.target->isLiteral();
        const auto lineAt = [this](qsizetype start) {
            qsizetype end = m_text.indexOf(u'\n', start);
            if (end < 0)
                end = m_text.size();
            return std::pair(QStringView(m_text).mid(start, end - start), std::min(end + 1, m_text.size()));
        };
        const auto stripped = [stripTabs](QStringView line) {
            while (stripTabs && line.startsWith(u'\t'))
                line = line.mid(1);
            return line;
        };
        bool closed = false;
        while (m_i < m_text.size()) {
            const auto [line, next] = lineAt(m_i);
            if (stripped(line) == delimiter) {
                m_i = next;
                closed = true;
                break;
            }
            if (joins && endsInContinuation(line)) {
                QString logical;
                qsizetype at = m_i;
                for (;;) {
                    const auto [piece, after] = lineAt(at);
                    const bool continued = endsInContinuation(piece) && after < m_text.size();
                    logical += continued ? piece.chopped(1) : piece;
                    at = after;
                    if (!continued)
                        break;
                }
                if (stripped(logical) == delimiter) {
                    m_i = at;
                    closed = true;
                    break;
                }
            }
            m_i = next;
            body.value += stripped(line);
            body.value += u'\n';
        }
        if (!closed)
            m_out.m_unreadable = true;
        if (body.expanded)
            markExpansions(body);
        redirection.hereDocument = body;
    }
    m_pendingBodies.clear();
}

void ShellReading::readRedirection()
{
    const QChar c = m_text[m_i];
    // A word of digits right before the operator is a descriptor number.
    if (m_word && m_word->isPlain() && !m_word->value.isEmpty()
        && std::all_of(m_word->value.cbegin(), m_word->value.cend(), [](QChar d) { return d.isDigit(); }))
        m_word.reset();
    endWord();
    if (m_redirection) // two operators in a row
        m_out.m_unreadable = true;
    if (at(m_i + 1) == u'(') {
        m_out.m_substitutes = true; // process substitution
        m_i += 2;
        return;
    }
    QString op(c);
    qsizetype j = m_i + 1;
    if (c == u'>' && (at(j) == u'>' || at(j) == u'|' || at(j) == u'&')) {
        op += at(j++);
    } else if (c == u'<') {
        if (at(j) == u'<') {
            op += at(j++);
            if (at(j) == u'<' || at(j) == u'-')
                op += at(j++);
        } else if (at(j) == u'>' || at(j) == u'&') {
            op += at(j++);
        }
    }
    m_redirection = ShellRedirection { op, {}, {} };
    m_i = j;
}

// Reads the expansion that starts with the "$" at `i` of `text` into `into`;
// returns the index after what it took.
qsizetype ShellReading::readDollar(const QString &text, qsizetype i, ShellWord &into, bool inDoubleQuotes)
{
    into.expanded = true;
    const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
    if (next == u'(') {
        m_out.m_substitutes = true;
        return i + 2;
    }
    if (next == u'[') {
        into.complexExpansion = true;
        into.value += u'$';
        return i + 1;
    }
    if (next == u'{') {
        const qsizetype close = text.indexOf(u'}', i + 2);
        if (close >= 0 && isPlainParameter(QStringView(text).mid(i + 2, close - i - 2))) {
            into.value += QStringView(text).mid(i, close + 1 - i);
            return close + 1;
        }
        into.complexExpansion = true;
        into.value += u'$';
        return i + 1;
    }
    if (next == u'\'' && !inDoubleQuotes) {
        // $'...' with C escapes, kept undecoded.
        into.quoted = true;
        qsizetype j = i + 2;
        while (j < text.size() && text[j] != u'\'')
            j += text[j] == u'\\' ? 2 : 1;
        if (j >= text.size()) {
            m_out.m_unreadable = true;
            return text.size();
        }
        into.value += decodeAnsiC(QStringView(text).mid(i + 2, j - i - 2));
        return j + 1;
    }
    into.value += u'$';
    return i + 1;
}

void ShellReading::run()
{
    const qsizetype n = m_text.size();
    while (m_i < n) {
        const QChar c = m_text[m_i];
        if (isSpaceOrTab(c)) {
            endWord();
            ++m_i;
        } else if (c == u'\n') {
            endCommand();
            ++m_i;
            readHereDocuments();
        } else if (c == u';' || c == u')') {
            endCommand();
            ++m_i;
        } else if (c == u'(') {
            if (m_word || !m_command.words.isEmpty()) {
                qsizetype j = m_i + 1;
                while (j < n && isSpaceOrTab(m_text[j]))
                    ++j;
                if (at(j) == u')') {
                    m_command.definesFunction = true;
                    endCommand();
                    m_i = j + 1;
                    continue;
                }
                // NAME=( ... ) assigns an array; anything else is no syntax
                // this reader follows.
                const bool array = m_word && isAssignment(*m_word) && m_word->value.endsWith(u'=');
                if (!array)
                    m_out.m_unreadable = true;
            }
            endCommand();
            ++m_i;
        } else if (c == u'&') {
            if (at(m_i + 1) == u'>') {
                endWord();
                if (m_redirection)
                    m_out.m_unreadable = true;
                const bool append = at(m_i + 2) == u'>';
                m_redirection
                    = ShellRedirection { append ? QStringLiteral("&>>") : QStringLiteral("&>"), {}, {} };
                m_i += append ? 3 : 2;
            } else if (at(m_i + 1) == u'&') {
                endCommand();
                m_i += 2;
            } else {
                m_out.m_background = true;
                endCommand();
                ++m_i;
            }
        } else if (c == u'|') {
            endCommand();
            m_i += (at(m_i + 1) == u'|' || at(m_i + 1) == u'&') ? 2 : 1;
        } else if (c == u'<' || c == u'>') {
            readRedirection();
        } else if (c == u'#' && !m_word) {
            while (m_i < n && m_text[m_i] != u'\n')
                ++m_i;
        } else if (c == u'\'') {
            ShellWord &w = word();
            w.quoted = true;
            const qsizetype close = m_text.indexOf(u'\'', m_i + 1);
            if (close < 0) {
                m_out.m_unreadable = true;
                break;
            }
            w.value += QStringView(m_text).mid(m_i + 1, close - m_i - 1);
            m_i = close + 1;
        } else if (c == u'"') {
            ShellWord &w = word();
            w.quoted = true;
            qsizetype j = m_i + 1;
            bool closed = false;
            while (j < n) {
                const QChar d = m_text[j];
                if (d == u'"') {
                    closed = true;
                    break;
                }
                if (d == u'\\' && j + 1 < n) {
                    // Inside double quotes a backslash escapes only these.
                    const QChar e = m_text[j + 1];
                    if (e == u'\n') {
                    } else if (e == u'$' || e == u'`' || e == u'"' || e == u'\\') {
                        w.value += e;
                    } else {
                        w.value += d;
                        w.value += e;
                    }
                    j += 2;
                    continue;
                }
                if (d == u'`') {
                    m_out.m_substitutes = true;
                } else if (d == u'$') {
                    j = readDollar(m_text, j, w, true);
                    continue;
                }
                w.value += d;
                ++j;
            }
            if (!closed) {
                m_out.m_unreadable = true;
                break;
            }
            m_i = j + 1;
        } else if (c == u'\\') {
            if (m_i + 1 >= n) {
                m_out.m_unreadable = true;
                break;
            }
            // A backslash before a line break joins the lines and is gone.
            if (m_text[m_i + 1] != u'\n') {
                ShellWord &w = word();
                w.escaped = true;
                w.value += m_text[m_i + 1];
            }
            m_i += 2;
        } else if (c == u'`') {
            m_out.m_substitutes = true;
            ++m_i;
        } else if (c == u'$') {
            m_i = readDollar(m_text, m_i, word(), false);
        } else {
            ShellWord &w = word();
            if (c == u'*' || c == u'?' || c == u'[' || c == u'{' || c == u'}')
                w.expanded = true;
            w.value += c;
            ++m_i;
        }
    }
    endCommand();
    if (!m_pendingBodies.isEmpty())
        readHereDocuments();
}

ShellCommandReader::ShellCommandReader(const QString &text)
{
    ShellReading(text, *this).run();
}

} // namespace quillet
