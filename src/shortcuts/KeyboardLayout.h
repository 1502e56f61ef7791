#pragma once

#include <QString>

#include <optional>

namespace quillet::shortcuts {

// The current keyboard layout, asked what a key types.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text the key at a key code types with no modifiers (empty if it types
    // nothing); nothing when no layout can be read.
    virtual std::optional<QString> translate(int keyCode) const = 0;
};

} // namespace quillet::shortcuts
