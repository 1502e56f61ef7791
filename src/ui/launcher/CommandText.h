#pragma once

#include <QString>
#include <QTextEdit>

namespace quillet {

// A piece of a command as shown: its own text, or the escape standing for a
// character that could hide what the command runs.
struct ShownPiece {
    QString text;
    bool escape = false;

    friend bool operator==(const ShownPiece &, const ShownPiece &) = default;
};

// `command` with every such character written as an escape: carriage
// return, escape, backspace and the other control characters as \r, \e,
// \b, \x01, ...; bidirectional controls, invisible format characters,
// unusual spaces, line separators and unassigned code points as \u202E and
// the like. Line breaks and tabs stay as they are. Escapes are drawn marked,
// so they cannot pass for text the command holds.
QList<ShownPiece> visiblePieces(QStringView command);
QString visibleControls(QStringView command);

// Plain text shown whole: it wraps (inside words when it must) and scrolls
// past `maxHeight`, never elides; selectable. setCommand() shows a command
// with its controls made visible.
class PlainTextView : public QTextEdit {
    Q_OBJECT
public:
    PlainTextView(const QFont &font, int maxHeight, QWidget *parent = nullptr);

    void setCommand(const QString &command);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_maxHeight;
};

} // namespace quillet
