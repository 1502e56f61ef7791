#pragma once

#include "ui/AppActions.h"

class QMenu;
class QWidget;

namespace quillet {

// The context menu of one history entry, in the panel and the tray popup:
// pin or unpin, save a text entry as a snippet, and delete. With `showKeys` the menu also names the panel's
// keys for them. The menu deletes itself when closed.
QMenu *makeHistoryItemMenu(AppActions &actions, const ClipboardItem &item, bool showKeys, QWidget *parent);

} // namespace quillet
