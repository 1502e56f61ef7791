#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/wayland/WaylandConnection.h"

#include <memory>

struct org_kde_kwin_fake_input;

namespace quillet::wayland {

class KWinWorkspace;

// Ctrl+C and Ctrl+V through KWin's fake input (org_kde_kwin_fake_input, the
// protocol KDE Connect's remote keyboard uses), which KWin hands only to
// programs whose desktop entry asks for it in X-KDE-Wayland-Interfaces. The
// keys are evdev codes that KWin runs through its own keyboard, so they join
// the seat's modifier state. Terminal emulators get Ctrl+Shift+C and
// Ctrl+Shift+V, since Ctrl+C interrupts the program running in them.
//
// A paste first asks KWin to activate the paste target again and waits,
// within a bound, until it is active. Without the protocol nothing is sent
// and isTrusted() is false: entries are then only put on the clipboard.
class KWinKeySynthesizer final : public KeySynthesizer {
public:
    // `connection` is the synthesizer's own; `workspace` (optional, must
    // outlive the synthesizer) tells the window in front and activates the
    // paste target.
    KWinKeySynthesizer(std::shared_ptr<WaylandConnection> connection, KWinWorkspace *workspace);
    ~KWinKeySynthesizer() override;

    bool isTrusted() override { return m_input != nullptr; }
    void postCopy() override;
    void postPaste(std::optional<WindowId> target = std::nullopt) override;

    void setActivationTimeout(int milliseconds) { m_activationTimeoutMs = milliseconds; }

private:
    void activate(WindowId target);
    void sendChord(quint32 letterKey, std::optional<WindowId> window);

    std::shared_ptr<WaylandConnection> m_connection;
    KWinWorkspace *m_workspace;
    org_kde_kwin_fake_input *m_input = nullptr;
    int m_activationTimeoutMs = 500;
};

} // namespace quillet::wayland
