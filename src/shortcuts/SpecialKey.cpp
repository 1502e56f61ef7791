#include "shortcuts/SpecialKey.h"

#include <QCoreApplication>
#include <QHash>

namespace quillet::shortcuts {

namespace {

struct Entry {
    SpecialKey key;
    int keyCode;
    const char *name;
    Qt::Key qtKey;
};

// Key names as Linux desktops print them in shortcuts ("KP" marks the keypad),
// the words in the user's language.
const Entry kEntries[] = {
    { SpecialKey::returnKey, 36, QT_TRANSLATE_NOOP("SpecialKey", "Return"), Qt::Key_Return },
    { SpecialKey::deleteKey, 51, QT_TRANSLATE_NOOP("SpecialKey", "Backspace"), Qt::Key_Backspace },
    { SpecialKey::deleteForward, 117, QT_TRANSLATE_NOOP("SpecialKey", "Delete"), Qt::Key_Delete },
    { SpecialKey::end, 119, QT_TRANSLATE_NOOP("SpecialKey", "End"), Qt::Key_End },
    { SpecialKey::escape, 53, QT_TRANSLATE_NOOP("SpecialKey", "Escape"), Qt::Key_Escape },
    { SpecialKey::help, 114, QT_TRANSLATE_NOOP("SpecialKey", "Insert"), Qt::Key_Insert },
    { SpecialKey::home, 115, QT_TRANSLATE_NOOP("SpecialKey", "Home"), Qt::Key_Home },
    { SpecialKey::space, 49, "", Qt::Key_Space },
    { SpecialKey::tab, 48, QT_TRANSLATE_NOOP("SpecialKey", "Tab"), Qt::Key_Tab },
    { SpecialKey::pageUp, 116, QT_TRANSLATE_NOOP("SpecialKey", "Page Up"), Qt::Key_PageUp },
    { SpecialKey::pageDown, 121, QT_TRANSLATE_NOOP("SpecialKey", "Page Down"), Qt::Key_PageDown },
    { SpecialKey::upArrow, 126, QT_TRANSLATE_NOOP("SpecialKey", "Up"), Qt::Key_Up },
    { SpecialKey::rightArrow, 124, QT_TRANSLATE_NOOP("SpecialKey", "Right"), Qt::Key_Right },
    { SpecialKey::downArrow, 125, QT_TRANSLATE_NOOP("SpecialKey", "Down"), Qt::Key_Down },
    { SpecialKey::leftArrow, 123, QT_TRANSLATE_NOOP("SpecialKey", "Left"), Qt::Key_Left },
    { SpecialKey::f1, 122, "F1", Qt::Key_F1 },
    { SpecialKey::f2, 120, "F2", Qt::Key_F2 },
    { SpecialKey::f3, 99, "F3", Qt::Key_F3 },
    { SpecialKey::f4, 118, "F4", Qt::Key_F4 },
    { SpecialKey::f5, 96, "F5", Qt::Key_F5 },
    { SpecialKey::f6, 97, "F6", Qt::Key_F6 },
    { SpecialKey::f7, 98, "F7", Qt::Key_F7 },
    { SpecialKey::f8, 100, "F8", Qt::Key_F8 },
    { SpecialKey::f9, 101, "F9", Qt::Key_F9 },
    { SpecialKey::f10, 109, "F10", Qt::Key_F10 },
    { SpecialKey::f11, 103, "F11", Qt::Key_F11 },
    { SpecialKey::f12, 111, "F12", Qt::Key_F12 },
    { SpecialKey::f13, 105, "F13", Qt::Key_F13 },
    { SpecialKey::f14, 107, "F14", Qt::Key_F14 },
    { SpecialKey::f15, 113, "F15", Qt::Key_F15 },
    { SpecialKey::f16, 106, "F16", Qt::Key_F16 },
    { SpecialKey::f17, 64, "F17", Qt::Key_F17 },
    { SpecialKey::f18, 79, "F18", Qt::Key_F18 },
    { SpecialKey::f19, 80, "F19", Qt::Key_F19 },
    { SpecialKey::f20, 90, "F20", Qt::Key_F20 },
    { SpecialKey::keypad0, 82, "KP 0", Qt::Key_0 },
    { SpecialKey::keypad1, 83, "KP 1", Qt::Key_1 },
    { SpecialKey::keypad2, 84, "KP 2", Qt::Key_2 },
    { SpecialKey::keypad3, 85, "KP 3", Qt::Key_3 },
    { SpecialKey::keypad4, 86, "KP 4", Qt::Key_4 },
    { SpecialKey::keypad5, 87, "KP 5", Qt::Key_5 },
    { SpecialKey::keypad6, 88, "KP 6", Qt::Key_6 },
    { SpecialKey::keypad7, 89, "KP 7", Qt::Key_7 },
    { SpecialKey::keypad8, 91, "KP 8", Qt::Key_8 },
    { SpecialKey::keypad9, 92, "KP 9", Qt::Key_9 },
    { SpecialKey::keypadClear, 71, QT_TRANSLATE_NOOP("SpecialKey", "KP Clear"), Qt::Key_Clear },
    { SpecialKey::keypadDecimal, 65, "KP .", Qt::Key_Period },
    { SpecialKey::keypadDivide, 75, "KP /", Qt::Key_Slash },
    { SpecialKey::keypadEnter, 76, QT_TRANSLATE_NOOP("SpecialKey", "KP Enter"), Qt::Key_Enter },
    { SpecialKey::keypadEquals, 81, "KP =", Qt::Key_Equal },
    { SpecialKey::keypadMinus, 78, "KP -", Qt::Key_Minus },
    { SpecialKey::keypadMultiply, 67, "KP *", Qt::Key_Asterisk },
    { SpecialKey::keypadPlus, 69, "KP +", Qt::Key_Plus },
};

static_assert(std::size(kEntries) == 53);

const Entry &entry(SpecialKey key)
{
    return kEntries[int(key)];
}

} // namespace

const QList<SpecialKey> &allSpecialKeys()
{
    static const QList<SpecialKey> all = [] {
        QList<SpecialKey> keys;
        for (const Entry &e : kEntries)
            keys.append(e.key);
        return keys;
    }();
    return all;
}

int keyCode(SpecialKey key)
{
    return entry(key).keyCode;
}

std::optional<SpecialKey> specialKey(int keyCode)
{
    static const QHash<int, SpecialKey> byCode = [] {
        QHash<int, SpecialKey> table;
        for (const Entry &e : kEntries)
            table.insert(e.keyCode, e.key);
        return table;
    }();
    const auto found = byCode.constFind(keyCode);
    if (found == byCode.constEnd())
        return std::nullopt;
    return *found;
}

QString name(SpecialKey key)
{
    const char *text = entry(key).name;
    return *text ? QCoreApplication::translate("SpecialKey", text) : QString();
}

Qt::Key qtKey(SpecialKey key)
{
    return entry(key).qtKey;
}

bool isFunctionKey(int code)
{
    const auto key = specialKey(code);
    return key && int(*key) >= int(SpecialKey::f1) && int(*key) <= int(SpecialKey::f20);
}

} // namespace quillet::shortcuts
