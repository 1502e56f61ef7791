#pragma once

#include "platform/Workspace.h"

#include <optional>

namespace quillet {

// Synthetic copy and paste keystrokes sent to the application in front.
class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;

    // Whether synthetic key events can be posted at all.
    virtual bool isTrusted() = 0;

    virtual void postCopy() = 0;
    // Pastes into `target`, which is given the focus back first; without a
    // target, into whatever has the focus.
    virtual void postPaste(std::optional<WindowId> target = std::nullopt) = 0;
};

} // namespace quillet
