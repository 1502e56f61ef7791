#pragma once

class QMenu;
class QWidget;

namespace quillet::shortcuts {

// The commands every application has (Undo, Cut, Copy, Paste, Select All,
// Save, Close, Quit, …) with their usual keys. A global shortcut on one of
// them would take the key away from every application, so the recorder checks
// new combinations against this menu.
QMenu *makeStandardEditingMenu(QWidget *parent = nullptr);

} // namespace quillet::shortcuts
