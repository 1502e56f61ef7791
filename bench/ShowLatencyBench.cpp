// The tray popup and the first history panel on screen, on a real X server
// (run it under scripts/with-xvfb; the tray click needs a tray host such as
// trayer): Quillet built as it runs, with a private store of 1,000 entries.
// Each figure runs from the request (the icon's activation, the hot key's
// call) to the end of the event-loop turn that painted the window.
#include "SpinUntil.h"
#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"
#include "support/StoreFixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <benchmark/benchmark.h>

#include <functional>

using namespace quillet;
using bench::spinUntil;

namespace {

constexpr int kEntries = 1000;
// The store a fresh process of this program opens (set by the parent).
constexpr const char *kStoreVariable = "QUILLET_BENCH_STORE";

QString makeStore(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("Quillet.store"));
    QString error;
    auto store = Store::open(path, &error);
    test::fillHistory(*store, kEntries);
    return path;
}

struct Running {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    DesktopSession desktop { defaults, Clock::system() };
    std::unique_ptr<QuilletApp> app;

    explicit Running(const QString &storePath)
    {
        QString error;
        app = std::make_unique<QuilletApp>(desktop.platform(), Store::open(storePath, &error));
        app->start();
    }
};

// The first turns after start-up, as a user's first click or key comes later.
void settle()
{
    QDeadlineTimer idle(500);
    spinUntil([&] { return idle.hasExpired(); });
}

// Notes the first paint of a window.
class FirstPaint : public QObject {
public:
    QPointer<QWidget> watched;
    bool painted = false;

    bool paintedOnce(QWidget *window)
    {
        if (window && !watched) {
            watched = window;
            window->installEventFilter(this);
        }
        return painted;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// The memory this process has written (heap, stacks, its own data), in MiB:
// unlike all private pages, it does not depend on which libraries other
// programs happen to share with it.
double dirtyMiB()
{
    QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
    double kiB = 0;
    if (rollup.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : rollup.readAll().split('\n')) {
            if (line.startsWith("Private_Dirty:"))
                kiB += line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toDouble();
        }
    }
    return kiB / 1024.0;
}

bool needsX(benchmark::State &state)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return true;
    state.SkipWithError("needs an X server: run it under scripts/with-xvfb");
    return false;
}

void measurePopup(benchmark::State &state, const std::function<void(TrayController &)> &trigger)
{
    QTemporaryDir storeDir;
    Running running(makeStore(storeDir));
    TrayController &tray = running.app->tray();
    settle();
    for (auto _ : state) {
        FirstPaint paint;
        QElapsedTimer timer;
        timer.start();
        trigger(tray);
        const bool shown = spinUntil([&] { return paint.paintedOnce(tray.popup()); });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!shown) {
            state.SkipWithError("the popup was not painted");
            return;
        }
        tray.popup()->removeEventFilter(&paint);
        QPointer<QWidget> popup = tray.popup();
        tray.hidePopup();
        spinUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return !popup || !popup->isVisible();
        });
    }
}

// The call the icon's activation makes.
void popupShowToFirstPaint(benchmark::State &state)
{
    if (needsX(state))
        measurePopup(state, [](TrayController &tray) { tray.showPopup(); });
}
BENCHMARK(popupShowToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// A real click on the icon, through the tray host.
void trayClickToFirstPaint(benchmark::State &state)
{
    if (!needsX(state))
        return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        state.SkipWithError("needs a system tray: run trayer first");
        return;
    }
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11->display();
    measurePopup(state, [display](TrayController &tray) {
        const QPoint centre = tray.iconGeometry().center();
        XTestFakeMotionEvent(display, -1, centre.x(), centre.y(), CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
    });
}
BENCHMARK(trayClickToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// The first history panel of a process, shown half a second after start-up.
// Runs alone in a fresh process of this program (started by coldPanelShow).
void firstPanelShowInThisProcess(benchmark::State &state)
{
    if (!needsX(state))
        return;
    Running running(qEnvironmentVariable(kStoreVariable));
    settle();
    const double idleMiB = dirtyMiB();
    for (auto _ : state) {
        FirstPaint paint;
        QElapsedTimer timer;
        timer.start();
        running.app->state().showPanel();
        const bool shown = spinUntil([&] { return paint.paintedOnce(running.app->panels().panel()); });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!shown)
            state.SkipWithError("the panel was not painted");
    }
    state.counters["idle_dirty_MiB"] = idleMiB;
}

[[maybe_unused]] const bool childRegistered = [] {
    if (qEnvironmentVariableIsSet(kStoreVariable)) {
        benchmark::RegisterBenchmark("firstPanelShowInThisProcess", firstPanelShowInThisProcess)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return true;
}();

// The first panel show after start-up: each iteration is a new process.
void coldPanelShow(benchmark::State &state)
{
    if (!needsX(state))
        return;
    QTemporaryDir storeDir;
    const QString store = makeStore(storeDir);
    double idleMiB = 0;
    double cpuMs = 0;
    int shown = 0;
    for (auto _ : state) {
        QProcess child;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kStoreVariable), store);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--benchmark_filter=^firstPanelShowInThisProcess/"),
                QStringLiteral("--benchmark_format=json") });
        child.waitForFinished(60000);
        const QJsonArray runs
            = QJsonDocument::fromJson(child.readAllStandardOutput()).object().value("benchmarks").toArray();
        if (runs.isEmpty() || runs.first().toObject().contains(QLatin1String("error_message"))) {
            state.SkipWithError("the fresh process did not show its panel");
            return;
        }
        const QJsonObject run = runs.first().toObject();
        state.SetIterationTime(run.value("real_time").toDouble() / 1e3);
        idleMiB += run.value("idle_dirty_MiB").toDouble();
        cpuMs += run.value("cpu_time").toDouble();
        ++shown;
    }
    // The main thread's processor time, which the load of other programs
    // on the machine does not stretch.
    state.counters["show_cpu_ms"] = cpuMs / std::max(shown, 1);
    state.counters["idle_dirty_MiB"] = idleMiB / std::max(shown, 1);
}
BENCHMARK(coldPanelShow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// The panel shown again later (built afresh, as every show after a close).
void warmPanelShow(benchmark::State &state)
{
    if (!needsX(state))
        return;
    QTemporaryDir storeDir;
    Running running(makeStore(storeDir));
    settle();
    AppState &app = running.app->state();
    app.showPanel();
    app.hidePanel();
    for (auto _ : state) {
        FirstPaint paint;
        QElapsedTimer timer;
        timer.start();
        app.showPanel();
        const bool shown = spinUntil([&] { return paint.paintedOnce(running.app->panels().panel()); });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!shown) {
            state.SkipWithError("the panel was not painted");
            return;
        }
        app.hidePanel();
        spinUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return !running.app->panels().panel();
        });
    }
}
BENCHMARK(warmPanelShow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace
