#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QTextEdit;
class QToolButton;
class QWidget;

namespace quillet::launcherStyle {

// The look shared by the launcher's widgets: sizes in pixels, the dark
// terminal box, and the symbols the launcher draws.

QFont pixelFont(const QFont &base, int pixels, QFont::Weight weight = QFont::Normal);
QFont monospaceFont(int pixels);

// The symbol's picture, tinted; knows the launcher's own symbols
// ("chevron.left", "stop.circle.fill", ...) besides the shared table.
QPixmap symbolPixmap(const QString &symbol, int size, const QColor &tint);
QIcon symbolIcon(const QString &symbol, int size, const QColor &tint);

// A borderless button showing a symbol; it never takes the keyboard focus.
QToolButton *plainButton(const QString &symbol, int size, const QColor &tint, QWidget *parent);

// The terminal box: its background, the command head a shade lighter, and
// the text colours.
QColor terminalBackground();
QColor terminalHeadBackground();
QColor terminalText(); // white at 0.9
QColor terminalGreen();
QColor approvalOrange();

// Makes `edit` a borderless, transparent, read-only text that is as high as
// its document (at most `maxHeight`, then it scrolls).
void makeFittedText(QTextEdit *edit);
void fitHeight(QTextEdit *edit, int maxHeight);

} // namespace quillet::launcherStyle
