#pragma once

#include "app/QuilletApp.h"
#include "platform/keyring/KeyringSecretStore.h"
#include "platform/x11/PlatformServices.h"

#include <functional>
#include <memory>

namespace quillet {

namespace shortcuts {
class HotKeyBackend;
class KeyboardLayout;
namespace wayland {
class PortalGlobalShortcuts;
}
} // namespace shortcuts

// The desktop Quillet runs on, chosen once at start-up from Qt's platform:
// on Wayland the Wayland implementations of the platform interfaces and the
// desktop portal's global shortcuts, on X11 the X11 implementations and key
// grabs, stand-ins that do nothing otherwise. Create it after the
// QApplication; it must outlive the QuilletApp built on it.
class DesktopSession {
public:
    DesktopSession(Defaults &defaults, Clock &clock);
    ~DesktopSession();

    QuilletApp::Platform platform();
    // One sentence per feature that cannot work in this session.
    const QStringList &unavailableFeatures() const { return m_services.unavailableFeatures; }
    // Calls `report` once with the start-up lines: one naming the session
    // with the protocols (or X11 extensions) found and missing, then any
    // feature that turned out unavailable. On Wayland that waits for the
    // desktop portal's answer, which arrives through the event loop.
    void describe(std::function<void(const QStringList &)> report);

private:
    QStringList describeNow() const;

    Defaults &m_defaults;
    Clock &m_clock;
    QString m_platformName;
    PlatformServices m_services;
    std::unique_ptr<shortcuts::HotKeyBackend> m_hotKeys;
    std::unique_ptr<shortcuts::KeyboardLayout> m_layout;
    std::unique_ptr<shortcuts::wayland::PortalGlobalShortcuts> m_portal;
    KeyStrokeReader m_keyStrokeReader;
    PasteExplanation m_pasteExplanation;
    // The desktop's keyring, for the API key.
    KeyringSecretStore m_secrets { KeyringSecretStore::quilletFolder };
};

} // namespace quillet
