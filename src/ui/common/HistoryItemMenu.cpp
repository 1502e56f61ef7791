#include "ui/common/HistoryItemMenu.h"

#include "ui/common/SymbolIcons.h"

#include <QCoreApplication>
#include <QMenu>

namespace quillet {

QMenu *makeHistoryItemMenu(AppActions &actions, const ClipboardItem &item, bool showKeys, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("historyItemMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto addAction = [&](const QString &text, const char *name, const QString &symbol,
                               const QKeySequence &keys, std::function<void()> run) {
        QAction *action
            = menu->addAction(symbolIcon(symbol, menu->palette().color(QPalette::WindowText)), text);
        action->setObjectName(QLatin1String(name));
        // Shown for the user's information: the panel handles the keys.
        if (showKeys) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        QObject::connect(action, &QAction::triggered, menu, std::move(run));
        return action;
    };
    // The actions hold copies: the entry's row may be gone when they run.
    AppActions *target = &actions;
    const ClipboardItem entry = item;
    addAction(item.isPinned ? QCoreApplication::translate("HistoryItemMenu", "Unpin")
                            : QCoreApplication::translate("HistoryItemMenu", "Pin"),
        "pinAction", QStringLiteral("pin.fill"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [target, entry] { target->setPinned(entry, !entry.isPinned); });
    const ContentType type = item.contentType();
    addAction(QCoreApplication::translate("HistoryItemMenu", "Save as Snippet"), "saveAsSnippetAction",
        QStringLiteral("doc.text"), {}, [target, entry] { target->saveAsSnippet(entry); })
        ->setEnabled(
            type == ContentType::plainText || type == ContentType::richText || type == ContentType::html);
    menu->addSeparator();
    addAction(QCoreApplication::translate("HistoryItemMenu", "Delete"), "deleteAction",
        QStringLiteral("trash"), QKeySequence(Qt::Key_Delete), [target, entry] { target->remove(entry); });
    return menu;
}

} // namespace quillet
