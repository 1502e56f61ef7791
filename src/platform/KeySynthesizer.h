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

    // The window that should receive the next paste; recorded when a Quillet
    // panel takes the focus, so the paste can give it back first.
    virtual void setPasteTarget(std::optional<WindowId> window) = 0;

    virtual void postCopy() = 0;
    virtual void postPaste() = 0;
};

} // namespace quillet
