// Run under a Wayland compositor with data-control, for example:
//   scripts/with-sway build-bench/bench/bench_platform_wayland
//   scripts/with-kwin build-bench/bench/bench_platform_wayland
#include "CaptureChain.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/wayland/KWinWorkspace.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace quillet;
using namespace quillet::wayland;

namespace {

// A unique 1 KB text, so no copy is mistaken for the one before.
QByteArray uniqueText(int round)
{
    QByteArray text
        = QByteArray::number(round) + ' ' + QByteArray::number(QRandomGenerator::global()->generate64());
    text.append(1024 - text.size(), 'x');
    return text;
}

// wl-copy offering `text` until it is ended; its start-up is part of a copy.
void startCopy(QProcess &copy, const QByteArray &text)
{
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    copy.start(QStringLiteral("wl-copy"),
        { QStringLiteral("--foreground"), QStringLiteral("--type"), QStringLiteral("text/plain") });
    copy.write(text);
    copy.closeWriteChannel();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// From starting `wl-copy` with a 1 KB text until Quillet's clipboard thread
// has noticed the new selection and read the text back: what a copy costs
// before the history stores it. Reported per copy: median and 90th percentile.
void BM_CopyToRead(benchmark::State &state)
{
    WaylandPasteboard pasteboard(WaylandConnection::open());
    if (!pasteboard.isAvailable()) {
        state.SkipWithError("the compositor offers no data-control protocol");
        return;
    }
    const ReadPlan plan { [](const QStringList &) { return QStringList { QStringLiteral("text/plain") }; },
        {} };
    std::vector<double> milliseconds;
    int round = 0;
    for (auto _ : state) {
        const QByteArray text = uniqueText(++round);
        QProcess copy;
        QElapsedTimer timer;
        timer.start();
        startCopy(copy, text);
        qint64 seen = pasteboard.changeCount();
        bool done = false;
        while (!done && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (pasteboard.changeCount() == seen)
                continue;
            seen = pasteboard.changeCount();
            QFuture<PasteboardContents> read = pasteboard.read(plan);
            read.waitForFinished();
            const PasteboardContents contents = read.result();
            done
                = !contents.items.isEmpty() && contents.items.first().representations.value(0).second == text;
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(elapsed / 1000.0);
        if (!done) {
            state.SkipWithError("a copy was not seen within 10 s");
            break;
        }
        milliseconds.push_back(elapsed);
        copy.terminate();
        copy.waitForFinished(5000);
    }
    if (!milliseconds.empty()) {
        state.counters["median_ms"] = percentile(milliseconds, 0.5);
        state.counters["p90_ms"] = percentile(milliseconds, 0.9);
    }
}
// The whole path as Quillet runs it on Wayland: wl-copy copies a unique 1 KB
// text, the clipboard thread notices the selection and reads it, the monitor
// hands the snapshot over and the history stores a new entry. Timed from
// starting wl-copy (its own start-up included) to the stored entry.
void BM_CopyToStored(benchmark::State &state)
{
    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
    defaults.setInteger(QStringLiteral("maxHistorySize"), 100000);
    WaylandPasteboard pasteboard(WaylandConnection::open());
    // The source application as Quillet looks it up: on KWin through its
    // window management, elsewhere through foreign-toplevel.
    std::shared_ptr<WaylandConnection> desktop = WaylandConnection::open();
    std::unique_ptr<Workspace> workspace;
    if (desktop && desktop->has(protocols::plasmaWindowManagement))
        workspace = std::make_unique<KWinWorkspace>(desktop);
    else
        workspace = std::make_unique<WaylandWorkspace>(desktop);
    if (!pasteboard.isAvailable()) {
        state.SkipWithError("the compositor offers no data-control protocol");
        return;
    }
    bench::CaptureChain chain(
        pasteboard, *workspace, defaults, dir.filePath(QStringLiteral("Quillet.store")));

    std::vector<double> milliseconds;
    int round = 0;
    for (auto _ : state) {
        const QByteArray text = uniqueText(++round);
        const qint64 before = chain.store->itemCount();
        QProcess copy;
        QElapsedTimer timer;
        timer.start();
        startCopy(copy, text);
        const QDeadlineTimer deadline(10000);
        while (chain.store->itemCount() == before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(elapsed / 1000.0);
        copy.terminate();
        copy.waitForFinished(5000);
        if (deadline.hasExpired()) {
            state.SkipWithError("a copy was not stored within 10 s");
            break;
        }
        milliseconds.push_back(elapsed);
        // wl-copy's exit hands the entry back to the clipboard; let that settle
        // so it is not part of the next copy.
        const QDeadlineTimer calm(2000);
        while (!calm.hasExpired()
            && (chain.monitor.lastChangeCount() != pasteboard.changeCount() || chain.monitor.isCapturing()))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    if (!milliseconds.empty()) {
        state.counters["median_ms"] = percentile(milliseconds, 0.5);
        state.counters["p90_ms"] = percentile(milliseconds, 0.9);
    }
}
BENCHMARK(BM_CopyToStored)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CopyToRead)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
