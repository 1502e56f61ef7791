#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/wayland/WaylandConnection.h"

#include <memory>

struct zwp_virtual_keyboard_v1;

namespace quillet::wayland {

class WaylandWorkspace;

// Ctrl+C and Ctrl+V through a virtual keyboard (zwp_virtual_keyboard_v1,
// offered by wlroots compositors and KDE Plasma). The keyboard carries a
// keymap of its own (US layout, built with xkbcommon), so the keystroke means
// Ctrl+V whatever the user's layout, and the modifiers the user still holds
// on the real keyboard do not mix in: the compositor sends the focused
// window this keyboard's modifier state with its keys. Terminal emulators get
// Ctrl+Shift+C and Ctrl+Shift+V, since Ctrl+C interrupts their program.
//
// A paste first asks the compositor to activate the paste target again (when
// the workspace can) and waits, within a bound, until it is active. Without
// the protocol nothing is sent and isTrusted() is false: entries are then
// only put on the clipboard.
class WaylandKeySynthesizer final : public KeySynthesizer {
public:
    // `connection` is the synthesizer's own; `workspace` (optional, must
    // outlive the synthesizer) activates the paste target.
    WaylandKeySynthesizer(std::shared_ptr<WaylandConnection> connection, WaylandWorkspace *workspace);
    ~WaylandKeySynthesizer() override;

    bool isTrusted() override { return m_keyboard != nullptr; }
    void postCopy() override;
    void postPaste(std::optional<WindowId> target = std::nullopt) override;

    void setActivationTimeout(int milliseconds) { m_activationTimeoutMs = milliseconds; }

private:
    bool uploadKeymap();
    void activate(WindowId target);
    void sendChord(quint32 letterKey, std::optional<WindowId> window);

    std::shared_ptr<WaylandConnection> m_connection;
    WaylandWorkspace *m_workspace;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    quint32 m_controlMask = 0;
    quint32 m_shiftMask = 0;
    int m_activationTimeoutMs = 500;
};

} // namespace quillet::wayland
