#pragma once

#include "app/QuilletApp.h"
#include "platform/x11/PlatformServices.h"

#include <memory>

namespace quillet {

namespace shortcuts {
class HotKeyBackend;
class KeyboardLayout;
} // namespace shortcuts

// The desktop Quillet runs on, chosen once at start-up: the X11
// implementations of the platform interfaces and of the shortcut library's
// backend when Qt runs on X11, stand-ins that do nothing otherwise. Create it
// after the QApplication; it must outlive the QuilletApp built on it.
class DesktopSession {
public:
    DesktopSession(Defaults &defaults, Clock &clock);
    ~DesktopSession();

    QuilletApp::Platform platform();
    // One sentence per feature that cannot work in this session.
    const QStringList &unavailableFeatures() const { return m_services.unavailableFeatures; }

private:
    Defaults &m_defaults;
    Clock &m_clock;
    PlatformServices m_services;
    std::unique_ptr<shortcuts::HotKeyBackend> m_hotKeys;
    std::unique_ptr<shortcuts::KeyboardLayout> m_layout;
    KeyStrokeReader m_keyStrokeReader;
};

} // namespace quillet
