#include "app/DesktopSession.h"

#include "platform/wayland/WaylandPlatformServices.h"
#include "shortcuts/wayland/PortalGlobalShortcuts.h"
#include "shortcuts/x11/X11HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"
#include "shortcuts/x11/X11KeyboardLayout.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QKeyEvent>

namespace quillet {

namespace {

bool isWayland(const QString &platform)
{
    return platform.startsWith(QLatin1String("wayland"));
}

// What pasting is on Wayland, where there is no permission to grant: a
// virtual keyboard the compositor offers, or copying only.
PasteExplanation waylandPasteExplanation()
{
    PasteExplanation explanation;
    explanation.granted = QCoreApplication::translate(
        "DesktopSession", "Quillet pastes through the compositor's virtual keyboard");
    explanation.missing = QCoreApplication::translate("DesktopSession", "Chosen entries are only copied");
    explanation.requirement = QCoreApplication::translate("DesktopSession",
        "Pasting an item types Ctrl+V into the application in front through a virtual keyboard, which needs "
        "a compositor offering the virtual-keyboard protocol (sway, Hyprland) or KDE Plasma's fake input. "
        "Without it, press Ctrl+V yourself after choosing an entry.");
    explanation.helpButton = QCoreApplication::translate("DesktopSession", "How to Paste...");
    explanation.helpTitle = QCoreApplication::translate(
        "DesktopSession", "This compositor offers Quillet no virtual keyboard.");
    explanation.help = QCoreApplication::translate("DesktopSession",
        "Chosen entries are put on the clipboard: press Ctrl+V in your application to paste them. To have "
        "Quillet paste for you, use a compositor with the virtual-keyboard protocol (sway, Hyprland) or KDE "
        "Plasma, or start Quillet with QT_QPA_PLATFORM=xcb to work through XWayland.");
    explanation.notice = QCoreApplication::translate("DesktopSession",
        "Quillet cannot type pastes for you: the compositor offers no "
        "virtual keyboard. Chosen entries are put "
        "on the clipboard; paste them with Ctrl+V.");
    return explanation;
}

// On KDE Plasma the keystroke goes through KWin's fake input, which KWin
// grants to the programs whose installed desktop entry asks for it.
PasteExplanation kwinPasteExplanation()
{
    PasteExplanation explanation;
    explanation.granted
        = QCoreApplication::translate("DesktopSession", "KWin lets Quillet paste through its fake input");
    explanation.missing = QCoreApplication::translate("DesktopSession", "Chosen entries are only copied");
    explanation.requirement = QCoreApplication::translate("DesktopSession",
        "Pasting an item types Ctrl+V into the application in front through KWin's fake input, which KWin "
        "grants to programs whose installed desktop entry asks for it.");
    explanation.helpButton = QCoreApplication::translate("DesktopSession", "How to Paste...");
    explanation.helpTitle = QCoreApplication::translate("DesktopSession", "KWin does not let Quillet type.");
    explanation.help = QCoreApplication::translate("DesktopSession",
        "KWin grants its fake input (and the active window) only to a program that an installed desktop "
        "entry names in Exec and that asks for them in X-KDE-Wayland-Interfaces, as Quillet's own entry "
        "does. Install Quillet (its package puts app.quillet.Quillet.desktop where KDE finds it) and run "
        "the installed program rather than one from a build folder. Meanwhile chosen entries are put on the "
        "clipboard: press Ctrl+V in your application to paste them.");
    explanation.notice = QCoreApplication::translate("DesktopSession",
        "Quillet cannot type pastes for you: KWin has not granted it fake input. Chosen entries are put on "
        "the clipboard; paste them with Ctrl+V.");
    return explanation;
}

} // namespace

DesktopSession::DesktopSession(Defaults &defaults, Clock &clock)
    : m_defaults(defaults)
    , m_clock(clock)
    , m_platformName(QGuiApplication::platformName())
    , m_services(isWayland(m_platformName) ? wayland::makePlatformServices() : makePlatformServices())
{
    if (isWayland(m_platformName)) {
        m_portal = std::make_unique<shortcuts::wayland::PortalGlobalShortcuts>(
            QDBusConnection::sessionBus(), QGuiApplication::desktopFileName());
        m_pasteExplanation = m_services.desktopName == QLatin1String("KWin") ? kwinPasteExplanation()
                                                                             : waylandPasteExplanation();
    } else if (Display *display = shortcuts::x11::applicationDisplay()) {
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
        *m_services.loginItems, m_hotKeys.get(), m_layout.get(), m_keyStrokeReader, m_defaults, m_clock,
        m_portal.get(), m_pasteExplanation, &m_secrets };
}

void DesktopSession::describe(std::function<void(const QStringList &)> report)
{
    using State = shortcuts::DesktopShortcutService::State;
    if (!m_portal || m_portal->state() != State::connecting) {
        report(describeNow());
        return;
    }
    auto reported = std::make_shared<bool>(false);
    QObject::connect(m_portal.get(), &shortcuts::DesktopShortcutService::stateChanged, m_portal.get(),
        [this, report, reported] {
            if (*reported || m_portal->state() == State::connecting)
                return;
            *reported = true;
            report(describeNow());
        });
}

QStringList DesktopSession::describeNow() const
{
    if (m_platformName == QLatin1String("xcb"))
        return { describeSession(QStringLiteral("X11 session"), m_services.found, m_services.missing) };
    if (!isWayland(m_platformName)) {
        return { describeSession(
            QStringLiteral("No desktop session (display platform “%1”)").arg(m_platformName), {},
            { QStringLiteral("X11"), QStringLiteral("Wayland") }) };
    }
    QStringList found = m_services.found;
    QStringList missing = m_services.missing;
    const QString kind = m_services.desktopName.isEmpty()
        ? QStringLiteral("Wayland session")
        : QStringLiteral("Wayland session (%1)").arg(m_services.desktopName);
    const QString portal = QString::fromLatin1(shortcuts::wayland::PortalGlobalShortcuts::interface);
    if (m_portal->state() == shortcuts::DesktopShortcutService::State::ready) {
        found.append(QStringLiteral("%1 (version %2)").arg(portal).arg(m_portal->version()));
        return { describeSession(kind, found, missing) };
    }
    missing.append(portal);
    // GNOME's one line already sends the user to XWayland.
    if (m_services.desktopName == QLatin1String("GNOME"))
        return { describeSession(kind, found, missing) };
    return { describeSession(kind, found, missing),
        QStringLiteral(
            "Global shortcuts are unavailable: %1. Bind `quillet toggle` and the other commands to "
            "keys in the compositor's configuration instead (Settings, Shortcuts shows the lines).")
            .arg(m_portal->unavailableReason()) };
}

} // namespace quillet
