#include "platform/x11/PlatformServices.h"

#include "platform/InertServices.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeySynthesizer.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XdgAutostart.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet {

namespace {

// The X11 extensions and window-manager features Quillet relies on.
void probe(x11::X11Connection &connection, PlatformServices &services)
{
    int opcode = 0, event = 0, error = 0;
    for (const char *extension : { "XFIXES", "XTEST" }) {
        const bool present = XQueryExtension(connection.display(), extension, &opcode, &event, &error);
        (present ? services.found : services.missing).append(QString::fromLatin1(extension));
    }
    bool activeWindow = false;
    if (const auto supported
        = connection.property(connection.root(), connection.atom("_NET_SUPPORTED"), XA_ATOM)) {
        const auto *atoms = reinterpret_cast<const long *>(supported->bytes.constData());
        for (unsigned long i = 0; i < supported->items; ++i)
            activeWindow |= x11::XAtom(atoms[i]) == connection.atom("_NET_ACTIVE_WINDOW");
    }
    (activeWindow ? services.found : services.missing).append(QStringLiteral("_NET_ACTIVE_WINDOW"));
}

} // namespace

QString describeSession(const QString &kind, const QStringList &found, const QStringList &missing)
{
    return QStringLiteral("%1: found %2; missing %3.")
        .arg(kind, found.isEmpty() ? QStringLiteral("nothing") : found.join(QStringLiteral(", ")),
            missing.isEmpty() ? QStringLiteral("nothing") : missing.join(QStringLiteral(", ")));
}

PlatformServices makePlatformServices()
{
    PlatformServices services;
    services.loginItems = std::make_unique<x11::XdgAutostart>();

    const QString platform = QGuiApplication::platformName();
    std::shared_ptr<x11::X11Connection> clipboardConnection;
    std::shared_ptr<x11::X11Connection> desktopConnection;
    QString reason;
    if (platform != QLatin1String("xcb")) {
        reason = QStringLiteral("Quillet needs an X11 session, and the display platform is “%1”")
                     .arg(platform.isEmpty() ? QStringLiteral("none") : platform);
    } else {
        const QByteArray display = x11::X11Connection::qtDisplayName();
        clipboardConnection = x11::X11Connection::open(display);
        desktopConnection = x11::X11Connection::open(display);
        if (!clipboardConnection || !desktopConnection) {
            clipboardConnection.reset();
            desktopConnection.reset();
            reason
                = QStringLiteral("the X server “%1” cannot be reached").arg(QString::fromLocal8Bit(display));
        }
    }

    if (!clipboardConnection) {
        services.pasteboard = std::make_unique<InertPasteboard>();
        services.workspace = std::make_unique<x11::X11Workspace>(nullptr);
        services.keySynthesizer = std::make_unique<InertKeySynthesizer>();
        services.unavailableFeatures
            << QStringLiteral("Clipboard history is unavailable: %1.").arg(reason)
            << QStringLiteral(
                   "Pasting into other applications and AI transforms of selected text are unavailable: %1.")
                   .arg(reason)
            << QStringLiteral(
                   "The application a copy came from cannot be told, so excluded applications are not "
                   "recognised: %1.")
                   .arg(reason);
        return services;
    }

    probe(*desktopConnection, services);
    auto pasteboard = std::make_unique<x11::X11Pasteboard>(clipboardConnection);
    services.pasteboard = std::move(pasteboard);
    auto workspace = std::make_unique<x11::X11Workspace>(desktopConnection);
    auto keys = std::make_unique<x11::X11KeySynthesizer>(desktopConnection);
    keys->setTerminalCheck([workspace = workspace.get()](WindowId window) {
        const auto application = workspace->applicationOf(window);
        return application && application->isTerminal;
    });
    services.workspace = std::move(workspace);
    if (!keys->isTrusted()) {
        services.unavailableFeatures << QStringLiteral("Pasting into other applications and AI transforms of "
                                                       "selected text are unavailable: the X server lacks "
                                                       "the XTest extension.");
    }
    services.keySynthesizer = std::move(keys);
    return services;
}

} // namespace quillet
