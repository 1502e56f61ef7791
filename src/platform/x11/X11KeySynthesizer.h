#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/x11/X11Connection.h"

#include <memory>

namespace quillet::x11 {

// Ctrl+C and Ctrl+V through the XTest extension.
//
// A paste first gives the focus back to its target (the window that was
// active before a Quillet panel took it), then waits, within a bound,
// until the user has let go of the modifiers of the shortcut that summoned
// the panel: Super+Ctrl+V is not a paste. Modifiers still down after the
// bound are released, and the Control key pressed here is released on every
// path, so no key is ever left pressed.
class X11KeySynthesizer final : public KeySynthesizer {
public:
    explicit X11KeySynthesizer(std::shared_ptr<X11Connection> connection);

    bool isTrusted() override;
    void postCopy() override;
    void postPaste(std::optional<WindowId> target = std::nullopt) override;

    // Bounds of the two waits before a keystroke, in milliseconds.
    void setActivationTimeout(int milliseconds) { m_activationTimeoutMs = milliseconds; }
    void setModifierTimeout(int milliseconds) { m_modifierTimeoutMs = milliseconds; }

    // Whether any modifier key (Shift, Control, Alt, Super, AltGr, …; not the
    // lock keys) is down right now.
    bool anyModifierDown();

private:
    void activateTarget(WindowId target);
    void releaseModifiers();
    void sendChord(const char *letter);
    QList<unsigned char> modifierKeycodes();

    std::shared_ptr<X11Connection> m_connection;
    std::optional<bool> m_hasXTest;
    int m_activationTimeoutMs = 500;
    int m_modifierTimeoutMs = 500;
};

} // namespace quillet::x11
