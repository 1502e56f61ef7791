#pragma once

#include "shortcuts/Shortcut.h"

#include <QList>
#include <QString>

#include <optional>

namespace quillet::shortcuts {

// The keys that produce no printable character, in their listing order.
enum class SpecialKey {
    returnKey,
    deleteKey,
    deleteForward,
    end,
    escape,
    help,
    home,
    space,
    tab,
    pageUp,
    pageDown,
    upArrow,
    rightArrow,
    downArrow,
    leftArrow,
    f1,
    f2,
    f3,
    f4,
    f5,
    f6,
    f7,
    f8,
    f9,
    f10,
    f11,
    f12,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
    f20,
    keypad0,
    keypad1,
    keypad2,
    keypad3,
    keypad4,
    keypad5,
    keypad6,
    keypad7,
    keypad8,
    keypad9,
    keypadClear,
    keypadDecimal,
    keypadDivide,
    keypadEnter,
    keypadEquals,
    keypadMinus,
    keypadMultiply,
    keypadPlus,
};

// All 53, in order.
const QList<SpecialKey> &allSpecialKeys();

int keyCode(SpecialKey key);
// The special key at a key code, if any.
std::optional<SpecialKey> specialKey(int keyCode);

// The key's name in a description ("Page Up", "F5", "KP 7"). Space has none of
// its own: its text is localised (see KeyboardShortcuts::description).
QString name(SpecialKey key);

// The Qt key a menu action's shortcut uses for this key.
Qt::Key qtKey(SpecialKey key);

// F1 to F20, the function keys that have key codes; they make a shortcut
// without Control, Option or Command.
bool isFunctionKey(int keyCode);

} // namespace quillet::shortcuts
