#include "ui/controls/FocusedButton.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace quillet {

bool pressFocusedButton(QWidget *view, QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    auto *button = qobject_cast<QAbstractButton *>(view->focusWidget());
    if (!button || !view->isAncestorOf(button) || !button->isEnabled())
        return false;
    button->click();
    return true;
}

} // namespace quillet
