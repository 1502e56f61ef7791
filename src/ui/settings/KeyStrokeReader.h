#pragma once

#include "shortcuts/RecorderController.h"

#include <functional>
#include <optional>

class QKeyEvent;

namespace quillet {

// Reads a key event as the recorder's key stroke, or nothing for a key that
// cannot be part of a shortcut.
using KeyStrokeReader = std::function<std::optional<shortcuts::KeyStroke>(const QKeyEvent &)>;

// The key stroke of a key event by its Qt key, as the key is labelled on a US
// keyboard (shifted symbols count as their unshifted key), with Qt's
// modifiers. For key events that carry no native key code (synthesised
// events, platforms without a key map); nothing for a modifier key alone or a
// key outside the US set.
std::optional<shortcuts::KeyStroke> keyStrokeFromQtEvent(const QKeyEvent &event);

} // namespace quillet
