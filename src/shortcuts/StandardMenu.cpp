#include "shortcuts/StandardMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace quillet::shortcuts {

namespace {

struct Command {
    const char *title;
    QKeySequence::StandardKey standard;
    // The keys GTK and Qt applications on Linux use, whatever the platform
    // theme reports (some themes leave Quit or Close without a key).
    const char *linuxKeys;
};

const Command kCommands[] = {
    { "Undo", QKeySequence::Undo, "Ctrl+Z" },
    { "Redo", QKeySequence::Redo, "Ctrl+Shift+Z; Ctrl+Y" },
    { "Cut", QKeySequence::Cut, "Ctrl+X; Shift+Del" },
    { "Copy", QKeySequence::Copy, "Ctrl+C; Ctrl+Ins" },
    { "Paste", QKeySequence::Paste, "Ctrl+V; Shift+Ins" },
    { "Select All", QKeySequence::SelectAll, "Ctrl+A" },
    { "Find", QKeySequence::Find, "Ctrl+F" },
    { "New", QKeySequence::New, "Ctrl+N" },
    { "Open", QKeySequence::Open, "Ctrl+O" },
    { "Save", QKeySequence::Save, "Ctrl+S" },
    { "Print", QKeySequence::Print, "Ctrl+P" },
    { "Close", QKeySequence::Close, "Ctrl+W" },
    { "Quit", QKeySequence::Quit, "Ctrl+Q" },
    // Terminals copy and paste with Shift, and Quillet pastes into them so.
    { "Copy in Terminal", QKeySequence::UnknownKey, "Ctrl+Shift+C" },
    { "Paste in Terminal", QKeySequence::UnknownKey, "Ctrl+Shift+V" },
};

} // namespace

QMenu *makeStandardEditingMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    for (const Command &command : kCommands) {
        QList<QKeySequence> keys = QKeySequence::listFromString(QString::fromLatin1(command.linuxKeys));
        if (command.standard != QKeySequence::UnknownKey) {
            for (const QKeySequence &key : QKeySequence::keyBindings(command.standard)) {
                if (!keys.contains(key))
                    keys.append(key);
            }
        }
        menu->addAction(QString::fromLatin1(command.title))->setShortcuts(keys);
    }
    return menu;
}

} // namespace quillet::shortcuts
