#include "shortcuts/x11/X11KeyMap.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace quillet::shortcuts::x11 {

namespace {

struct KeyEntry {
    int keyCode;
    KeySym keysym;
};

// Key codes are positions on a US ANSI keyboard; the keysym is what that key
// types there. The Help position is the Insert key on PC keyboards.
const KeyEntry kKeys[] = {
    { 0, XK_a },
    { 1, XK_s },
    { 2, XK_d },
    { 3, XK_f },
    { 4, XK_h },
    { 5, XK_g },
    { 6, XK_z },
    { 7, XK_x },
    { 8, XK_c },
    { 9, XK_v },
    { 11, XK_b },
    { 12, XK_q },
    { 13, XK_w },
    { 14, XK_e },
    { 15, XK_r },
    { 16, XK_y },
    { 17, XK_t },
    { 18, XK_1 },
    { 19, XK_2 },
    { 20, XK_3 },
    { 21, XK_4 },
    { 22, XK_6 },
    { 23, XK_5 },
    { 24, XK_equal },
    { 25, XK_9 },
    { 26, XK_7 },
    { 27, XK_minus },
    { 28, XK_8 },
    { 29, XK_0 },
    { 30, XK_bracketright },
    { 31, XK_o },
    { 32, XK_u },
    { 33, XK_bracketleft },
    { 34, XK_i },
    { 35, XK_p },
    { 36, XK_Return },
    { 37, XK_l },
    { 38, XK_j },
    { 39, XK_apostrophe },
    { 40, XK_k },
    { 41, XK_semicolon },
    { 42, XK_backslash },
    { 43, XK_comma },
    { 44, XK_slash },
    { 45, XK_n },
    { 46, XK_m },
    { 47, XK_period },
    { 48, XK_Tab },
    { 49, XK_space },
    { 50, XK_grave },
    { 51, XK_BackSpace },
    { 53, XK_Escape },
    { 64, XK_F17 },
    { 65, XK_KP_Decimal },
    { 67, XK_KP_Multiply },
    { 69, XK_KP_Add },
    { 71, XK_Clear },
    { 75, XK_KP_Divide },
    { 76, XK_KP_Enter },
    { 78, XK_KP_Subtract },
    { 79, XK_F18 },
    { 80, XK_F19 },
    { 81, XK_KP_Equal },
    { 82, XK_KP_0 },
    { 83, XK_KP_1 },
    { 84, XK_KP_2 },
    { 85, XK_KP_3 },
    { 86, XK_KP_4 },
    { 87, XK_KP_5 },
    { 88, XK_KP_6 },
    { 89, XK_KP_7 },
    { 90, XK_F20 },
    { 91, XK_KP_8 },
    { 92, XK_KP_9 },
    { 96, XK_F5 },
    { 97, XK_F6 },
    { 98, XK_F7 },
    { 99, XK_F3 },
    { 100, XK_F8 },
    { 101, XK_F9 },
    { 103, XK_F11 },
    { 105, XK_F13 },
    { 106, XK_F16 },
    { 107, XK_F14 },
    { 109, XK_F10 },
    { 111, XK_F12 },
    { 113, XK_F15 },
    { 114, XK_Insert },
    { 115, XK_Home },
    { 116, XK_Prior },
    { 117, XK_Delete },
    { 118, XK_F4 },
    { 119, XK_End },
    { 120, XK_F2 },
    { 121, XK_Next },
    { 122, XK_F1 },
    { 123, XK_Left },
    { 124, XK_Right },
    { 125, XK_Down },
    { 126, XK_Up },
};

// Other keysyms the same keys type: shifted Tab, the keypad with NumLock off.
const KeyEntry kAliases[] = {
    { 48, XK_ISO_Left_Tab },
    { 114, XK_Help },
    { 82, XK_KP_Insert },
    { 83, XK_KP_End },
    { 84, XK_KP_Down },
    { 85, XK_KP_Next },
    { 86, XK_KP_Left },
    { 87, XK_KP_Begin },
    { 88, XK_KP_Right },
    { 89, XK_KP_Home },
    { 91, XK_KP_Up },
    { 92, XK_KP_Prior },
    { 65, XK_KP_Delete },
    { 65, XK_KP_Separator },
};

unsigned int maskOfRow(int row)
{
    return 1u << row;
}

} // namespace

Display *applicationDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

std::optional<unsigned long> keysymForKeyCode(int keyCode)
{
    static const QHash<int, KeySym> table = [] {
        QHash<int, KeySym> result;
        for (const KeyEntry &entry : kKeys)
            result.insert(entry.keyCode, entry.keysym);
        return result;
    }();
    const auto found = table.constFind(keyCode);
    if (found == table.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<int> keyCodeForKeysym(unsigned long keysym)
{
    static const QHash<KeySym, int> table = [] {
        QHash<KeySym, int> result;
        for (const KeyEntry &entry : kKeys)
            result.insert(entry.keysym, entry.keyCode);
        for (const KeyEntry &entry : kAliases)
            result.insert(entry.keysym, entry.keyCode);
        return result;
    }();
    KeySym lower = keysym;
    KeySym upper = keysym;
    XConvertCase(keysym, &lower, &upper);
    const auto found = table.constFind(lower);
    if (found == table.constEnd())
        return std::nullopt;
    return *found;
}

ModifierMasks modifierMasks(Display *display)
{
    ModifierMasks masks { Mod1Mask, Mod4Mask, Mod2Mask };
    if (!display)
        return masks;
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map)
        return masks;
    bool alt = false, super = false, numLock = false;
    // Rows 0-2 are Shift, Lock and Control; Mod1 to Mod5 follow.
    for (int row = Mod1MapIndex; row <= Mod5MapIndex; ++row) {
        for (int column = 0; column < map->max_keypermod; ++column) {
            const KeyCode code = map->modifiermap[row * map->max_keypermod + column];
            if (code == 0)
                continue;
            const KeySym keysym = XkbKeycodeToKeysym(display, code, 0, 0);
            if (!alt && (keysym == XK_Alt_L || keysym == XK_Alt_R)) {
                masks.alt = maskOfRow(row);
                alt = true;
            } else if (!super && (keysym == XK_Super_L || keysym == XK_Super_R)) {
                masks.super = maskOfRow(row);
                super = true;
            } else if (!numLock && keysym == XK_Num_Lock) {
                masks.numLock = maskOfRow(row);
                numLock = true;
            }
        }
    }
    XFreeModifiermap(map);
    return masks;
}

std::optional<unsigned int> xModifiers(int modifiers, const ModifierMasks &masks)
{
    if (modifiers & ~(command | shift | option | control))
        return std::nullopt;
    unsigned int state = 0;
    if (modifiers & command)
        state |= masks.super;
    if (modifiers & option)
        state |= masks.alt;
    if (modifiers & control)
        state |= ControlMask;
    if (modifiers & shift)
        state |= ShiftMask;
    return state;
}

int modifiersFromX(unsigned int state, const ModifierMasks &masks)
{
    int modifiers = 0;
    if (state & masks.super)
        modifiers |= command;
    if (state & masks.alt)
        modifiers |= option;
    if (state & ControlMask)
        modifiers |= control;
    if (state & ShiftMask)
        modifiers |= shift;
    return modifiers;
}

std::optional<KeyStroke> keyStrokeFromEvent(const QKeyEvent &event, Display *display)
{
    if (!display)
        return std::nullopt;
    std::optional<int> keyCode;
    const quint32 xKeyCode = event.nativeScanCode();
    if (xKeyCode >= 8 && xKeyCode <= 255)
        keyCode = keyCodeForKeysym(XkbKeycodeToKeysym(display, KeyCode(xKeyCode), 0, 0));
    if (!keyCode && event.nativeVirtualKey() != 0)
        keyCode = keyCodeForKeysym(event.nativeVirtualKey());
    if (!keyCode)
        return std::nullopt;
    return KeyStroke { *keyCode, modifiersFromX(event.nativeModifiers(), modifierMasks(display)) };
}

} // namespace quillet::shortcuts::x11
