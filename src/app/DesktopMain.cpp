#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "app/cli/CommandLine.h"
#include "app/cli/CommandSocket.h"
#include "core/Clock.h"
#include "core/Memory.h"
#include "core/Translations.h"
#include "defaults/Defaults.h"
#include "store/UserStore.h"
#include "ui/common/SymbolIcons.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QIcon>
#include <QTextStream>
#include <QThread>

#include <cstdio>

#include <unistd.h>

using namespace quillet;

namespace {

// Another Quillet holds the instance lock: it may still be starting, so its
// socket is given a few seconds to answer before this one gives up.
int showTheRunningInstance()
{
    constexpr int kStartingMs = 10000;
    constexpr int kPollMs = 100;
    QDeadlineTimer deadline(kStartingMs);
    QString error;
    do {
        switch (cli::showRunningInstance(&error)) {
        case cli::ShowOutcome::shown:
            QTextStream(stdout) << "Quillet is already running; its panel is shown.\n";
            return 0;
        case cli::ShowOutcome::failed:
        case cli::ShowOutcome::notRunning:
            break;
        }
        QThread::msleep(kPollMs);
    } while (!deadline.hasExpired());
    QTextStream(stdout) << "Quillet is already running.\n";
    return 0;
}

// Runs Quillet until it is asked to quit; on return its objects are gone:
// the store is closed, the clipboard connection and the command socket too.
int runQuillet(std::unique_ptr<Store> store, QTextStream &errors)
{
    Defaults &defaults = Defaults::shared();
    DesktopSession desktop(defaults, Clock::system());
    QuilletApp quillet(desktop.platform(), std::move(store));
    QObject::connect(&quillet, &QuilletApp::quitRequested, qApp, &QApplication::quit);

    QString error;
    switch (quillet.commandServer().listen(cli::commandSocketPath(), &error)) {
    case CommandServer::Listening::listening:
        break;
    case CommandServer::Listening::anotherInstance:
        // Started at the same moment as another Quillet, which won.
        QTextStream(stdout) << "Quillet is already running.\n";
        return 0;
    case CommandServer::Listening::failed:
        errors << "quillet: commands cannot reach this Quillet: " << error << '\n';
        break;
    }
    quillet.start();

    for (const QString &line : desktop.unavailableFeatures() + quillet.notices())
        errors << "quillet: " << line << '\n';
    errors.flush();
    desktop.describe([](const QStringList &lines) {
        QTextStream out(stderr);
        for (const QString &line : lines)
            out << "quillet: " << line << '\n';
    });
    // The terminal speaks English, like every command-line message.
    const qint64 entries = quillet.store().itemCount();
    QTextStream(stdout) << "Quillet is running. History: " << entries
                        << (entries == 1 ? " entry in " : " entries in ") << quillet.store().path() << '\n';
    return QApplication::exec();
}

// What remains after Quillet's own objects are gone is Qt's teardown of the
// display connection and the fonts, which took longer than all the rest of a
// quit (it loads the font configuration only to free it) and keeps nothing.
// Only a clipboard that one of Quillet's own text fields still owns needs it:
// Qt hands that to the clipboard manager on its way out.
// Sanitizer builds end normally, so that their leak report runs.
int leave(int code)
{
#if defined(__SANITIZE_ADDRESS__)
    return code;
#endif
    if (QGuiApplication::clipboard()->ownsClipboard())
        return code;
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
}

} // namespace

// The running application, loaded by `quillet` when it is started without a
// command and no Quillet runs yet: the GUI, the platform services and
// everything else that `quillet COMMAND` never needs.
extern "C" __attribute__((visibility("default"))) int quilletDesktopMain(int argc, char *argv[])
{
    // A copied picture passes through several buffers of its size; mapped
    // apart, each goes back to the system when it is freed.
    mapLargeBuffersApart(256 * 1024);
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
    installTranslations(app);
    // Quillet lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    installIconThemeFallback();
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("app.quillet.Quillet"), QIcon(QStringLiteral(":/quillet/app.quillet.Quillet.svg"))));

    QTextStream errors(stderr);
    // One Quillet per user, settled before anything opens the store: two
    // started together would record every copy twice, or take each other's
    // fresh store for a broken one.
    cli::InstanceLock instance;
    QString lockError;
    switch (instance.acquire(cli::InstanceLock::userLockPath(), &lockError)) {
    case cli::InstanceLock::Outcome::acquired:
        break;
    case cli::InstanceLock::Outcome::heldByAnother:
        return showTheRunningInstance();
    case cli::InstanceLock::Outcome::failed:
        errors << "quillet: cannot make sure no other Quillet runs: " << lockError << '\n';
        break;
    }

    StoreOpening opening = openUserStoreWithRecovery();
    if (!opening.store) {
        errors << "quillet: the history cannot be opened: " << opening.error << '\n';
        return 1;
    }
    if (opening.store->isConverting()) {
        errors << "quillet: converting the history in " << opening.store->path()
               << " to a smaller format; copies are recorded again once that is done.\n";
        errors.flush();
    } else if (!opening.store->isAvailable()) {
        errors
            << "quillet: the history in " << opening.store->path()
            << " cannot be used: " << opening.store->unavailableReason()
            << ". Quillet runs without recording copies; it tries again when asked and at the next start.\n";
        errors.flush();
    }

    const int code = runQuillet(std::move(opening.store), errors);
    return leave(code);
}
