#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "app/cli/CommandSocket.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/UserStore.h"
#include "ui/common/SymbolIcons.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

using namespace quillet;

// The running application, loaded by `quillet` when it is started without a
// command and no Quillet runs yet: the GUI, the platform services and
// everything else that `quillet COMMAND` never needs.
extern "C" __attribute__((visibility("default"))) int quilletDesktopMain(int argc, char *argv[])
{
    // A Wayland session gets Qt's Wayland platform and Quillet's Wayland
    // services; QT_QPA_PLATFORM=xcb keeps the X11 path through XWayland.
    // Without any display Quillet still starts and says what is missing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb;offscreen" : "xcb;wayland;offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setOrganizationName(QStringLiteral("Quillet"));
    QApplication::setDesktopFileName(QStringLiteral("app.quillet.Quillet"));
    // Quillet lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    installIconThemeFallback();
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("app.quillet.Quillet"), QIcon(QStringLiteral(":/quillet/app.quillet.Quillet.svg"))));

    QTextStream errors(stderr);
    StoreOpening opening = openUserStoreWithRecovery();
    if (!opening.store) {
        errors << "Could not create ModelContainer: " << opening.error << '\n';
        return 1;
    }

    Defaults &defaults = Defaults::shared();
    DesktopSession desktop(defaults, Clock::system());
    QuilletApp quillet(desktop.platform(), std::move(opening.store));
    QObject::connect(&quillet, &QuilletApp::quitRequested, &app, &QApplication::quit);

    QString error;
    switch (quillet.commandServer().listen(cli::commandSocketPath(), &error)) {
    case CommandServer::Listening::listening:
        break;
    case CommandServer::Listening::anotherInstance:
        // Started at the same moment as another Quillet, which won.
        QTextStream(stdout) << "Quillet is already running.\n";
        return 0;
    case CommandServer::Listening::failed:
        errors << "quillet commands cannot reach this Quillet: " << error << '\n';
        break;
    }
    quillet.start();

    for (const QString &line : desktop.unavailableFeatures() + quillet.notices())
        errors << line << '\n';
    errors.flush();
    desktop.describe([](const QStringList &lines) {
        QTextStream out(stderr);
        for (const QString &line : lines)
            out << line << '\n';
    });
    QTextStream(stdout) << "Quillet is running. History: " << quillet.store().itemCount() << " entries in "
                        << quillet.store().path() << '\n';
    return app.exec();
}
