// Run under a Wayland compositor with data-control, for example:
//   scripts/with-sway build-bench/bench/bench_platform_wayland
#include "platform/wayland/WaylandPasteboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>

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
        copy.setStandardOutputFile(QProcess::nullDevice());
        copy.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        copy.start(QStringLiteral("wl-copy"),
            { QStringLiteral("--foreground"), QStringLiteral("--type"), QStringLiteral("text/plain") });
        copy.write(text);
        copy.closeWriteChannel();
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
BENCHMARK(BM_CopyToRead)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
