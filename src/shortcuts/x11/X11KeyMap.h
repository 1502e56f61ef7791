#pragma once

#include "shortcuts/RecorderController.h"

#include <optional>

class QKeyEvent;
typedef struct _XDisplay Display;

namespace quillet::shortcuts::x11 {

// The X display of the running Qt application; null unless Qt runs on xcb.
Display *applicationDisplay();

// The keysym a stored key code stands for (the US ANSI key at that position).
std::optional<unsigned long> keysymForKeyCode(int keyCode);
// The stored key code of a keysym; letters in either case.
std::optional<int> keyCodeForKeysym(unsigned long keysym);

// Which X modifier bits the Alt, Super and NumLock keys set on this display.
struct ModifierMasks {
    unsigned int alt;
    unsigned int super;
    unsigned int numLock;
};
ModifierMasks modifierMasks(Display *display);

// Stored modifiers as X modifier bits (Command is Super, Option is Alt);
// nothing for a modifier X has no bit for (Function).
std::optional<unsigned int> xModifiers(int modifiers, const ModifierMasks &masks);
// X modifier state in the stored encoding; lock bits and others are dropped.
int modifiersFromX(unsigned int state, const ModifierMasks &masks);

// A key press of a Qt key event from the xcb platform, in the recorder's
// terms: the key is found by its position (the X key code's keysym in the
// first layout group, else the event's own keysym), the modifiers from the X
// state. Nothing for a key that has no stored key code (a modifier key alone,
// a key outside the US ANSI set).
std::optional<KeyStroke> keyStrokeFromEvent(const QKeyEvent &event, Display *display);

} // namespace quillet::shortcuts::x11
