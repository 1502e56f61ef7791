#include "app/DesktopSession.h"

#include "shortcuts/x11/X11HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"
#include "shortcuts/x11/X11KeyboardLayout.h"

#include <QKeyEvent>

namespace quillet {

DesktopSession::DesktopSession(Defaults &defaults, Clock &clock)
    : m_defaults(defaults)
    , m_clock(clock)
    , m_services(makePlatformServices())
{
    if (Display *display = shortcuts::x11::applicationDisplay()) {
        m_hotKeys = std::make_unique<shortcuts::x11::X11HotKeyBackend>(display);
        m_layout = std::make_unique<shortcuts::x11::X11KeyboardLayout>(display);
        m_keyStrokeReader = [display](const QKeyEvent &event) {
            return shortcuts::x11::keyStrokeFromEvent(event, display);
        };
    }
}

DesktopSession::~DesktopSession() = default;

QuilletApp::Platform DesktopSession::platform()
{
    return { *m_services.pasteboard, *m_services.workspace, *m_services.keySynthesizer,
        *m_services.loginItems, m_hotKeys.get(), m_layout.get(), m_keyStrokeReader, m_defaults, m_clock };
}

} // namespace quillet
