// The launcher's shortcut to the panel on screen, on a real X server (run it
// under scripts/with-xvfb): Quillet built as it runs, with a private store and
// preferences, its launcher toggled directly or through its global shortcut.
#include "SpinUntil.h"
#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/Store.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QTemporaryDir>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <benchmark/benchmark.h>

#include <functional>

using namespace quillet;
using bench::spinUntil;

namespace {

struct Running {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    DesktopSession desktop { defaults, Clock::system() };
    std::unique_ptr<QuilletApp> app;

    Running()
    {
        QString error;
        app = std::make_unique<QuilletApp>(
            desktop.platform(), Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error));
        app->start();
    }
};

// Notes the first paint of a window.
class FirstPaint : public QObject {
public:
    QPointer<QWidget> watched;
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// From `trigger` (which asks for the launcher) to the end of the event-loop
// turn that painted the panel: all of it is then drawn and flushed.
void measureShow(benchmark::State &state, const std::function<void(QuilletApp &)> &trigger)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X server: run it under scripts/with-xvfb");
        return;
    }
    Running running;
    FloatingPanelController &panels = running.app->panels();
    for (auto _ : state) {
        FirstPaint paint;
        QElapsedTimer timer;
        timer.start();
        trigger(*running.app);
        const bool shown = spinUntil([&] {
            if (FloatingWindow *panel = panels.launcherPanel(); panel && !paint.watched) {
                paint.watched = panel;
                panel->installEventFilter(&paint);
            }
            return paint.painted;
        });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (!shown) {
            state.SkipWithError("the launcher was not painted");
            return;
        }
        QPointer<FloatingWindow> panel = panels.launcherPanel();
        panel->removeEventFilter(&paint);
        running.app->state().toggleLauncher();
        spinUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return panel.isNull();
        });
    }
}

void toggleCallToFirstPaint(benchmark::State &state)
{
    // The call the shortcut's handler makes.
    measureShow(state, [](QuilletApp &app) { app.state().toggleLauncher(); });
}

void hotKeyToFirstPaint(benchmark::State &state)
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11 ? x11->display() : nullptr;
    measureShow(state, [display](QuilletApp &) {
        if (!display)
            return;
        const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
        const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
        const KeyCode space = XKeysymToKeycode(display, XK_space);
        // The timer runs from the press: Quillet acts on the release that
        // follows it at once.
        for (KeyCode key : { control, alt, space })
            XTestFakeKeyEvent(display, key, True, CurrentTime);
        for (KeyCode key : { space, alt, control })
            XTestFakeKeyEvent(display, key, False, CurrentTime);
        XFlush(display);
    });
}

} // namespace

BENCHMARK(toggleCallToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(hotKeyToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
