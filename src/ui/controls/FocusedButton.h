#pragma once

class QKeyEvent;
class QWidget;

namespace quillet {

// Keyboard-driven views give Return a meaning of their own (paste, apply,
// submit). On a button the user reached with Tab, Return presses that button
// instead, as on any desktop. Returns whether `event` was such a press.
bool pressFocusedButton(QWidget *view, QKeyEvent *event);

} // namespace quillet
