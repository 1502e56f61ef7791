// The AI panel on a real X server: from the hot key's action to the panel
// drawn. (A finished answer's word diff: bench_ai_stream.)
//   scripts/with-xvfb build-bench/bench/bench_ai_panel
#include "ai/TextTransformManager.h"
#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/UserStore.h"
#include "ui/ai/AITransformView.h"
#include "ui/common/FloatingWindow.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

// Spins the event loop until `done` holds; false after 10 s.
template<typename Condition> bool spinUntil(Condition done)
{
    QDeadlineTimer deadline(10'000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Notes when a window has finished its first paint: the paint of every
// widget in it happens in one pass, and a call queued from the first of them
// runs once the pass (and its flush to the screen) is over.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QElapsedTimer &clock)
        : m_clock(clock)
    {
    }
    void watch(QWidget *window)
    {
        m_window = window;
        m_drawnAt = -1;
        m_queued = false;
    }
    bool drawn() const { return m_drawnAt >= 0; }
    qint64 drawnAt() const { return m_drawnAt; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_queued && m_window && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window() == m_window) {
            m_queued = true;
            QMetaObject::invokeMethod(
                this, [this] { m_drawnAt = m_clock.nsecsElapsed(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QElapsedTimer &m_clock;
    QWidget *m_window = nullptr;
    qint64 m_drawnAt = -1;
    bool m_queued = false;
};

// The hot key's action (AppState::triggerAITransform) on the real
// application over the X11 services, with text selected in another program
// (xclip owns PRIMARY), until the AI panel near the pointer has drawn its
// first frame.
void hotKeyToAIPanelDrawn(benchmark::State &state)
{
    QProcess selection;
    selection.setStandardOutputFile(QProcess::nullDevice());
    selection.setStandardErrorFile(QProcess::nullDevice());
    selection.start(QStringLiteral("xclip"),
        { QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("primary"),
            QStringLiteral("-i") });
    selection.waitForStarted();
    selection.write("Thank you for you're patience. We recieved your order on monday.");
    selection.closeWriteChannel();
    // xclip owns PRIMARY once it has read its input.
    if (!spinUntil([] {
            QProcess read;
            read.setStandardOutputFile(QProcess::nullDevice());
            read.start(QStringLiteral("xclip"),
                { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary") });
            return read.waitForFinished(5000) && read.exitCode() == 0;
        })) {
        state.SkipWithError("xclip did not take PRIMARY");
        return;
    }

    DesktopSession desktop(Defaults::shared(), Clock::system());
    StoreOpening opening = openUserStoreWithRecovery();
    QuilletApp app(desktop.platform(), std::move(opening.store));
    app.start();
    QElapsedTimer clock;
    clock.start();
    FirstPaint firstPaint(clock);
    qApp->installEventFilter(&firstPaint);

    // Where the time goes: reading the selection, and from there to the
    // panel drawn (built, mapped by the window manager, painted).
    qint64 capturedAt = 0;
    double capturing = 0;
    QObject::connect(&app.transform(), &TextTransformManager::selectedTextChanged, &app, [&] {
        if (app.transform().selectedText())
            capturedAt = clock.nsecsElapsed();
    });
    for (auto _ : state) {
        const qint64 start = clock.nsecsElapsed();
        app.state().triggerAITransform();
        const bool shown = spinUntil([&] {
            if (FloatingWindow *panel = app.panels().aiPanel(); panel && !firstPaint.drawn())
                firstPaint.watch(panel);
            return firstPaint.drawn();
        });
        if (!shown) {
            state.SkipWithError("the AI panel was not drawn");
            break;
        }
        state.SetIterationTime(double(firstPaint.drawnAt() - start) / 1e9);
        capturing += double(capturedAt - start) / 1e6;
        if (app.transform().selectedText().value_or(QString()).isEmpty()) {
            state.SkipWithError("the selection was not read");
            break;
        }
        firstPaint.watch(nullptr);
        app.panels().aiPanel()->close();
        spinUntil([&] { return !app.panels().aiPanel(); });
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    qApp->removeEventFilter(&firstPaint);
    state.counters["capture_ms"] = capturing / double(state.iterations());
    selection.kill();
    selection.waitForFinished(5000);
}
BENCHMARK(hotKeyToAIPanelDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
