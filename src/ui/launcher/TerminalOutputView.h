#pragma once

#include <QByteArray>
#include <QTextEdit>

namespace quillet {

// What a command printed, as a terminal shows it: colours, bold, dim and
// underline from the escape sequences, every other control sequence dropped;
// monospaced, selectable, at most 200 pixels high (then it scrolls). Drawn
// on the dark box of its row.
class TerminalOutputView : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int maxHeight = 200;
    // Output beyond this is not drawn: the end of it is shown, from a line
    // start (or within one long line, from a character), so a huge output
    // cannot freeze the launcher.
    static constexpr qsizetype shownBytes = 256 * 1024;

    explicit TerminalOutputView(QWidget *parent = nullptr);

    // The raw terminal bytes of a command, after `omittedBytes` earlier bytes
    // that were not kept (a note says how much).
    void setOutput(const QByteArray &raw, qint64 omittedBytes = 0);
    // The text shown when no bytes were read ("(no output)" and the like).
    void setPlainOutput(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace quillet
