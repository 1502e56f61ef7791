#include "shortcuts/x11/X11KeyboardLayout.h"

#include "shortcuts/x11/X11KeyMap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <xkbcommon/xkbcommon.h>

namespace quillet::shortcuts::x11 {

namespace {

bool isLatin(char32_t character)
{
    return character != 0 && character < 0x250;
}

} // namespace

std::optional<QString> X11KeyboardLayout::translate(int keyCode) const
{
    if (!m_display)
        return std::nullopt;
    XkbStateRec state;
    if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    const auto keysym = keysymForKeyCode(keyCode);
    const KeyCode xKeyCode = keysym ? XKeysymToKeycode(m_display, *keysym) : 0;
    if (xKeyCode == 0)
        return QString();

    // A group the key does not have gives NoSymbol, which is no character.
    auto characterInGroup = [&](int group) -> char32_t {
        return xkb_keysym_to_utf32(XkbKeycodeToKeysym(m_display, xKeyCode, group, 0));
    };
    char32_t character = characterInGroup(state.group);
    for (int group = 0; !isLatin(character) && group < XkbNumKbdGroups; ++group) {
        const char32_t other = characterInGroup(group);
        if (isLatin(other))
            character = other;
    }
    if (character == 0)
        return QString();
    return QString::fromUcs4(&character, 1);
}

} // namespace quillet::shortcuts::x11
