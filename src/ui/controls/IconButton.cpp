#include "ui/controls/IconButton.h"

namespace quillet {

QToolButton *iconButton(const QIcon &icon, int size, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setIconSize(QSize(size, size));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; padding: 1px; background: transparent; }"));
    // Where a view lets Tab reach the button, the focus shows as a ring.
    button->setStyleSheet(button->styleSheet()
        + QStringLiteral(" QToolButton:focus { border: 1px solid palette(highlight); border-radius: 3px; }"));
    return button;
}

} // namespace quillet
