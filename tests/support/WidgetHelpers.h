#pragma once

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QString>
#include <QTextDocumentFragment>

namespace quillet::test {

// The text a tooltip shows: Qt renders a tooltip that looks like markup as
// rich text.
inline QString shownToolTip(const QString &tip)
{
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

// Asks `target` for its context menu at `position` (a right click there) and
// answers the menu that opened, if any.
inline QMenu *openContextMenu(QWidget *target, const QPoint &position)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, target->mapToGlobal(position));
    QApplication::sendEvent(target, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// Chooses the action named `name` in an open menu, as a click would (the
// menu closes).
inline bool chooseMenuAction(QMenu *menu, const QString &name)
{
    QAction *action = menu ? menu->findChild<QAction *>(name) : nullptr;
    if (!action)
        return false;
    menu->close();
    action->trigger();
    return true;
}

// The shown window (a dialog, parented or not) named `name`, if any.
template<typename Window = QWidget> Window *shownWindow(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            return qobject_cast<Window *>(window);
    }
    return nullptr;
}

} // namespace quillet::test
