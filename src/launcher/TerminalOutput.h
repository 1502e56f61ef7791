#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextCharFormat>

#include <optional>

namespace quillet {

struct TerminalStyle {
    QColor color;
    bool bold = false;
    bool dim = false;
    bool underline = false;

    // The colour to draw with: dim text at opacity 0.6.
    QColor displayColor() const;

    friend bool operator==(const TerminalStyle &, const TerminalStyle &) = default;
};

struct TerminalRun {
    QString text;
    TerminalStyle style;

    friend bool operator==(const TerminalRun &, const TerminalRun &) = default;
};

// Styled terminal text: consecutive runs never share a style.
using TerminalText = QList<TerminalRun>;

namespace terminalColors {
QColor defaultColor();
QColor standard(int index); // 0-7
QColor bright(int index); // 0-7
// The xterm 256-colour palette; nothing for an index outside 0-255.
std::optional<QColor> indexed(qint64 index);
} // namespace terminalColors

// The raw output of a command as styled text: UTF-8 (a byte that is not
// UTF-8 shows as a replacement character), CR LF as LF and other CRs
// dropped, trimmed; select graphic
// rendition sequences (colours, bold, dim, underline) applied and every other
// control sequence dropped. Linear in the input.
TerminalText attributedOutput(const QByteArray &data);

// The end of `raw` in at most `limit` bytes, as a terminal user wants to see
// it: starting at a line when the end holds a line break with text after it,
// else (one long line) at the first whole character. `raw` itself when it fits.
QByteArray shownTail(const QByteArray &raw, qsizetype limit);

// The text of `runs` without styling.
QString plainText(const TerminalText &runs);

// A character format for a run: `regular` (a monospaced font), bold when the
// run is bold, its colour, underlined when set.
QTextCharFormat charFormat(const TerminalStyle &style, const QFont &regular);

} // namespace quillet
