#include "ui/launcher/TerminalOutputView.h"
#include "ui/common/Palette.h"

#include "launcher/TerminalOutput.h"
#include "ui/launcher/LauncherStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>

namespace quillet {

using namespace launcherStyle;

TerminalOutputView::TerminalOutputView(QWidget *parent)
    : QTextEdit(parent)
{
    makeFittedText(this);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFont(monospaceFont(11));
    quillet::setTextColor(this, terminalColors::defaultColor());
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        [this] { fitHeight(this, maxHeight); });
}

void TerminalOutputView::setOutput(const QByteArray &raw, qint64 omittedBytes)
{
    const QByteArray shown = shownTail(raw, shownBytes);
    omittedBytes += raw.size() - shown.size();
    QString note;
    if (omittedBytes > 0)
        note = tr("(%1 KB of earlier output not shown)\n").arg((omittedBytes + 1023) / 1024);
    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (!note.isEmpty()) {
        QTextCharFormat dim;
        dim.setFont(font());
        QColor color = terminalColors::defaultColor();
        color.setAlphaF(0.6f);
        dim.setForeground(color);
        cursor.insertText(note, dim);
    }
    for (const TerminalRun &run : attributedOutput(shown))
        cursor.insertText(run.text, charFormat(run.style, font()));
    cursor.endEditBlock();
    fitHeight(this, maxHeight);
}

void TerminalOutputView::setPlainOutput(const QString &text)
{
    clear();
    QTextCharFormat format;
    format.setFont(font());
    format.setForeground(terminalColors::defaultColor());
    QTextCursor(document()).insertText(text, format);
    fitHeight(this, maxHeight);
}

void TerminalOutputView::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    fitHeight(this, maxHeight);
}

} // namespace quillet
