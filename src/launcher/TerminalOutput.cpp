#include "launcher/TerminalOutput.h"

#include "core/Text.h"

namespace quillet {

namespace terminalColors {

QColor defaultColor()
{
    return QColor::fromRgbF(0.75f, 0.75f, 0.75f);
}

QColor standard(int index)
{
    static const float table[8][3] = {
        { 0.0f, 0.0f, 0.0f },
        { 0.8f, 0.2f, 0.2f },
        { 0.2f, 0.75f, 0.2f },
        { 0.8f, 0.7f, 0.2f },
        { 0.3f, 0.5f, 0.9f },
        { 0.75f, 0.3f, 0.75f },
        { 0.2f, 0.75f, 0.8f },
        { 0.8f, 0.8f, 0.8f },
    };
    const auto &c = table[index & 7];
    return QColor::fromRgbF(c[0], c[1], c[2]);
}

QColor bright(int index)
{
    static const float table[8][3] = {
        { 0.5f, 0.5f, 0.5f },
        { 1.0f, 0.3f, 0.3f },
        { 0.3f, 1.0f, 0.3f },
        { 1.0f, 1.0f, 0.3f },
        { 0.4f, 0.6f, 1.0f },
        { 1.0f, 0.4f, 1.0f },
        { 0.3f, 1.0f, 1.0f },
        { 1.0f, 1.0f, 1.0f },
    };
    const auto &c = table[index & 7];
    return QColor::fromRgbF(c[0], c[1], c[2]);
}

std::optional<QColor> indexed(qint64 index)
{
    if (index < 0 || index > 255)
        return std::nullopt;
    if (index < 8)
        return standard(int(index));
    if (index < 16)
        return bright(int(index - 8));
    if (index < 232) {
        const int k = int(index - 16);
        const auto level = [](int c) { return c == 0 ? 0.0f : float(c * 40 + 55) / 255.0f; };
        return QColor::fromRgbF(level(k / 36), level((k / 6) % 6), level(k % 6));
    }
    const float grey = float((index - 232) * 10 + 8) / 255.0f;
    return QColor::fromRgbF(grey, grey, grey);
}

} // namespace terminalColors

QColor TerminalStyle::displayColor() const
{
    QColor shown = color;
    if (dim)
        shown.setAlphaF(0.6f);
    return shown;
}

namespace {

// A decimal integer with an optional sign, nothing else; overflow is no number.
std::optional<qint64> parseCode(QStringView piece)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-')) {
        negative = piece[i] == u'-';
        ++i;
    }
    if (i >= piece.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < piece.size(); ++i) {
        const char16_t c = piece[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - (c - u'0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return negative ? -value : value;
}

void applyGraphicRendition(QStringView parameters, TerminalStyle &style)
{
    QList<qint64> codes;
    if (parameters.isEmpty()) {
        codes.append(0);
    } else {
        for (const QStringView piece : parameters.split(u';', Qt::SkipEmptyParts)) {
            if (const auto code = parseCode(piece))
                codes.append(*code);
        }
    }

    const qsizetype count = codes.size();
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 code = codes[i];
        if (code == 0) {
            style = TerminalStyle { terminalColors::defaultColor(), false, false, false };
        } else if (code == 1) {
            style.bold = true;
        } else if (code == 2) {
            style.dim = true;
        } else if (code == 4) {
            style.underline = true;
        } else if (code == 22) {
            style.bold = false;
            style.dim = false;
        } else if (code == 24) {
            style.underline = false;
        } else if (code >= 30 && code <= 37) {
            style.color = terminalColors::standard(int(code - 30));
        } else if (code == 38) {
            const qsizetype remaining = count - i - 1;
            if (remaining >= 2 && codes[i + 1] == 5) {
                if (const auto color = terminalColors::indexed(codes[i + 2]))
                    style.color = *color;
                i += 2;
            } else if (remaining >= 4 && codes[i + 1] == 2) {
                const auto component = [](qint64 v) { return float(std::clamp<qint64>(v, 0, 255)) / 255.0f; };
                style.color = QColor::fromRgbF(
                    component(codes[i + 2]), component(codes[i + 3]), component(codes[i + 4]));
                i += 4;
            }
        } else if (code == 39) {
            style.color = terminalColors::defaultColor();
        } else if (code >= 90 && code <= 97) {
            style.color = terminalColors::bright(int(code - 90));
        }
    }
}

} // namespace

TerminalText attributedOutput(const QByteArray &data)
{
    // A stray byte that is not UTF-8 shows as one replacement character; the
    // rest of the output stays readable.
    QString text = QString::fromUtf8(data);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.remove(u'\r');
    text = text.trimmed();

    TerminalText runs;
    TerminalStyle style { terminalColors::defaultColor(), false, false, false };
    const auto append = [&](QStringView piece) {
        if (piece.isEmpty())
            return;
        if (!runs.isEmpty() && runs.last().style == style)
            runs.last().text += piece;
        else
            runs.append(TerminalRun { piece.toString(), style });
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (text[i] != u'\x1b') {
            const qsizetype escape = text.indexOf(u'\x1b', i);
            const qsizetype end = escape < 0 ? n : escape;
            append(QStringView(text).mid(i, end - i));
            i = end;
            continue;
        }
        if (i + 1 >= n)
            break; // a lone ESC at the end
        if (text[i + 1] != u'[') {
            ++i; // drop the ESC alone; what follows is text
            continue;
        }
        qsizetype j = i + 2;
        while (j < n && !(text[j] >= u'\x40' && text[j] <= u'\x7e'))
            ++j;
        if (j >= n)
            break; // unterminated: the rest is dropped
        if (text[j] == u'm')
            applyGraphicRendition(QStringView(text).mid(i + 2, j - i - 2), style);
        i = j + 1;
    }
    return runs;
}

QByteArray shownTail(const QByteArray &raw, qsizetype limit)
{
    if (raw.size() <= limit)
        return raw;
    const QByteArrayView end = QByteArrayView(raw).last(limit);
    // From the first whole line, when one follows with something on it.
    const qsizetype lineBreak = end.indexOf('\n');
    if (lineBreak >= 0) {
        const QByteArrayView rest = end.sliced(lineBreak + 1);
        if (!rest.trimmed().isEmpty())
            return rest.toByteArray();
    }
    // Within one long line: from the first whole character.
    qsizetype start = 0;
    while (start < end.size() && start < 3 && (quint8(end[start]) & 0xC0) == 0x80)
        ++start;
    return end.sliced(start).toByteArray();
}

QString plainText(const TerminalText &runs)
{
    QString text;
    for (const TerminalRun &run : runs)
        text += run.text;
    return text;
}

QTextCharFormat charFormat(const TerminalStyle &style, const QFont &regular)
{
    QTextCharFormat format;
    QFont font = regular;
    font.setBold(style.bold);
    format.setFont(font);
    format.setForeground(style.displayColor());
    format.setFontUnderline(style.underline);
    return format;
}

} // namespace quillet
