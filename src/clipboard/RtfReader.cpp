#include "clipboard/RtfReader.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <memory>
#include <vector>

namespace quillet {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80–0x9F.
constexpr char16_t kCp1252High[32] = { 0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178 };

// Destinations whose text is not part of the document body.
bool isSkippedDestination(const QByteArray &word)
{
    static const QSet<QByteArray> skipped { "fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
        "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote",
        "fldinst", "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable",
        "listoverridetable", "rsidtbl", "generator", "filetbl", "revtbl", "pgdsctbl", "mmathPr", "private",
        "nonshppict", "objdata", "bkmkstart", "bkmkend", "xe", "tc", "txe", "annotation", "atnid",
        "atnauthor", "comment", "doccomm", "operator", "author", "title", "subject", "keywords", "template",
        "buptim", "creatim", "revtim", "printim", "expandedcolortbl", "listtext", "pntext", "pntxta",
        "pntxtb", "shpinst", "sp", "fldtype", "wgrffmtfilter", "falt", "panose", "blipuid", "pnseclvl" };
    return skipped.contains(word);
}

// Text that a control word stands for in the body.
const QString *wordText(const QByteArray &word)
{
    static const QHash<QByteArray, QString> texts { { "par", QStringLiteral("\n") },
        { "line", QStringLiteral("\n") }, { "sect", QStringLiteral("\n") }, { "page", QStringLiteral("\n") },
        { "row", QStringLiteral("\n") }, { "tab", QStringLiteral("\t") }, { "cell", QStringLiteral("\t") },
        { "emdash", QStringLiteral("\u2014") }, { "endash", QStringLiteral("\u2013") },
        { "emspace", QStringLiteral("\u2003") }, { "enspace", QStringLiteral("\u2002") },
        { "qmspace", QStringLiteral("\u2005") }, { "bullet", QStringLiteral("\u2022") },
        { "lquote", QStringLiteral("\u2018") }, { "rquote", QStringLiteral("\u2019") },
        { "ldblquote", QStringLiteral("\u201C") }, { "rdblquote", QStringLiteral("\u201D") } };
    const auto it = texts.constFind(word);
    return it == texts.constEnd() ? nullptr : &*it;
}

struct GroupState {
    bool skip = false;
    int unicodeSkip = 1; // \ucN: fallback characters that follow each \uN
};

class Reader {
public:
    explicit Reader(const QByteArray &input)
        : m_in(input)
    {
    }

    std::optional<QString> read()
    {
        qsizetype start = 0;
        while (start < m_in.size() && isSpace(m_in[start]))
            ++start;
        if (!m_in.mid(start, 5).startsWith("{\\rtf"))
            return std::nullopt;
        m_pos = start;

        std::vector<GroupState> stack;
        GroupState state;
        bool finished = false;
        while (m_pos < m_in.size() && !finished) {
            const char c = m_in[m_pos];
            if (c == '{') {
                ++m_pos;
                stack.push_back(state);
                m_pendingSkip = 0;
                m_groupStart = true;
                continue;
            }
            if (c == '}') {
                ++m_pos;
                if (stack.empty())
                    return std::nullopt;
                state = stack.back();
                stack.pop_back();
                m_pendingSkip = 0;
                m_groupStart = false;
                if (stack.empty())
                    finished = true;
                continue;
            }
            if (stack.empty())
                return std::nullopt; // text outside the document group
            if (c == '\\') {
                if (!controlWord(state))
                    return std::nullopt;
                continue;
            }
            m_groupStart = false;
            ++m_pos;
            if (c == '\r' || c == '\n' || c == '\0')
                continue; // source line breaks carry no meaning
            if (m_pendingSkip > 0) {
                --m_pendingSkip;
                continue;
            }
            if (!state.skip)
                appendByte(static_cast<unsigned char>(c));
        }
        if (!finished)
            return std::nullopt; // truncated: the document group never closed
        flushBytes();
        flushUnits();
        return m_text;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    // Reads one control word or symbol at m_pos (which holds the backslash).
    bool controlWord(GroupState &state)
    {
        const bool atGroupStart = m_groupStart;
        m_groupStart = false;
        ++m_pos;
        if (m_pos >= m_in.size())
            return false;
        const char c = m_in[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            controlSymbol(c, state, atGroupStart);
            return true;
        }
        const qsizetype wordStart = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]) && m_pos - wordStart < 32)
            ++m_pos;
        const QByteArray word = m_in.mid(wordStart, m_pos - wordStart);
        bool hasParam = false;
        qint64 param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        const qsizetype digitsStart = m_pos;
        while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            if (m_pos - digitsStart < 10)
                param = param * 10 + (m_in[m_pos] - '0');
            ++m_pos;
        }
        hasParam = m_pos > digitsStart;
        if (negative)
            param = -param;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos; // the delimiting space belongs to the control word

        if (word == "bin") {
            // Binary data of `param` bytes follows; never read it as text.
            const qint64 length = hasParam ? qMax<qint64>(0, param) : 0;
            m_pos = qMin<qint64>(m_in.size(), m_pos + length);
            return true;
        }
        if (state.skip)
            return true;
        if (atGroupStart && isSkippedDestination(word)) {
            state.skip = true;
            return true;
        }
        if (word == "uc") {
            state.unicodeSkip = int(std::clamp<qint64>(param, 0, 16));
            return true;
        }
        if (word == "u" && hasParam) {
            qint64 unit = param;
            if (unit < 0)
                unit += 65536;
            if (unit >= 0 && unit <= 0xFFFF)
                appendUnit(char16_t(unit));
            m_pendingSkip = state.unicodeSkip;
            return true;
        }
        if (word == "ansicpg" && hasParam) {
            setCodePage(param);
            return true;
        }
        if (m_pendingSkip > 0) {
            // A control word may itself be the fallback for \uN.
            --m_pendingSkip;
            return true;
        }
        if (const QString *text = wordText(word))
            appendText(*text);
        return true;
    }

    void controlSymbol(char c, GroupState &state, bool atGroupStart)
    {
        switch (c) {
        case '*':
            if (atGroupStart)
                state.skip = true; // an ignorable destination we do not know
            return;
        case '\'': {
            int value = -1;
            if (m_pos + 1 < m_in.size()) {
                bool ok = false;
                value = m_in.mid(m_pos, 2).toInt(&ok, 16);
                if (ok)
                    m_pos += 2;
                else
                    value = -1;
            }
            if (value < 0 || state.skip)
                return;
            if (m_pendingSkip > 0) {
                --m_pendingSkip;
                return;
            }
            appendByte(static_cast<unsigned char>(value));
            return;
        }
        default:
            break;
        }
        if (state.skip)
            return;
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            appendByte(static_cast<unsigned char>(c));
            break;
        case '~':
            appendText(QStringLiteral("\u00A0"));
            break;
        case '_':
            appendText(QStringLiteral("\u2011"));
            break;
        case '\n':
        case '\r':
            appendText(QStringLiteral("\n"));
            break;
        case '\t':
            appendText(QStringLiteral("\t"));
            break;
        default:
            break; // \- (optional hyphen), \| and the like have no text
        }
    }

    void setCodePage(qint64 page)
    {
        m_codePage = page;
        m_decoder.reset();
        if (page != 1252 && page > 0 && page < 100000) {
            auto decoder
                = std::make_unique<QStringDecoder>(QByteArray("windows-") + QByteArray::number(page));
            if (decoder->isValid())
                m_decoder = std::move(decoder);
            else if (auto cp = std::make_unique<QStringDecoder>(QByteArray("CP") + QByteArray::number(page));
                     cp->isValid())
                m_decoder = std::move(cp);
        }
    }

    // Bytes in the document's code page are collected and decoded together, so
    // that multi-byte code pages read right.
    void appendByte(unsigned char byte)
    {
        flushUnits();
        m_bytes.append(char(byte));
    }

    void appendUnit(char16_t unit)
    {
        flushBytes();
        m_units.append(QChar(unit));
    }

    void appendText(const QString &text)
    {
        flushBytes();
        flushUnits();
        m_text.append(text);
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        if (m_decoder) {
            m_text.append(m_decoder->decode(m_bytes));
        } else {
            for (char ch : std::as_const(m_bytes)) {
                const auto b = static_cast<unsigned char>(ch);
                m_text.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
            }
        }
        m_bytes.clear();
    }

    // \uN values are UTF-16 code units; pairs form one character.
    void flushUnits()
    {
        if (m_units.isEmpty())
            return;
        flushBytes();
        for (qsizetype i = 0; i < m_units.size(); ++i) {
            const QChar unit = m_units[i];
            if (unit.isHighSurrogate() && i + 1 < m_units.size() && m_units[i + 1].isLowSurrogate()) {
                m_text.append(unit);
                m_text.append(m_units[++i]);
            } else if (unit.isSurrogate()) {
                m_text.append(QChar(QChar::ReplacementCharacter));
            } else {
                m_text.append(unit);
            }
        }
        m_units.clear();
    }

    const QByteArray &m_in;
    qsizetype m_pos = 0;
    int m_pendingSkip = 0;
    bool m_groupStart = false;
    qint64 m_codePage = 1252;
    std::unique_ptr<QStringDecoder> m_decoder;
    QByteArray m_bytes;
    QString m_units;
    QString m_text;
};

} // namespace

std::optional<QString> rtfToPlainText(const QByteArray &rtf)
{
    return Reader(rtf).read();
}

} // namespace quillet
