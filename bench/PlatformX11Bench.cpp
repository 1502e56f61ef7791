// Run under an X server: scripts/with-xvfb build-bench/bench/bench_platform_x11
#include "CaptureChain.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <ctime>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace quillet;
using namespace quillet::x11;

namespace {

// 1,000 desktop entries in a private data folder, in place before GIO reads
// the folders for the first time.
struct DesktopEntryTree {
    QTemporaryDir root;
    DesktopEntryTree()
    {
        const QString folder = root.filePath(QStringLiteral("applications"));
        QDir().mkpath(folder);
        for (int i = 0; i < 1000; ++i) {
            QFile file(folder + QStringLiteral("/org.example.App%1.desktop").arg(i));
            if (!file.open(QIODevice::WriteOnly))
                continue;
            file.write(QStringLiteral(
                "[Desktop Entry]\nType=Application\nName=Application %1\nName[de]=Anwendung %1\n"
                "Comment=Does thing %1\nExec=true %%U\nIcon=app-%1\nCategories=Utility;\n")
                           .arg(i)
                           .toUtf8());
        }
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.path()));
        QLoggingCategory::setFilterRules(QStringLiteral("quillet.*.debug=false"));
    }
};
DesktopEntryTree g_entries;

// Another application that owns the clipboard for the whole benchmark.
class Owner {
public:
    Owner(const QString &type, const QByteArray &data)
    {
        // xclip reports every request it serves: a pipe nobody reads would
        // fill up and stop it.
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("xclip"),
            { QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                QStringLiteral("-t"), type });
        m_process.waitForStarted();
        m_process.write(data);
        // No event loop runs here to flush the pipe.
        while (m_process.bytesToWrite() > 0 && m_process.waitForBytesWritten(10000)) { }
        m_process.closeWriteChannel();
    }
    ~Owner()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The whole path as Quillet runs it: another client copies, the clipboard
// thread notices and reads, the monitor hands the snapshot over, the worker
// makes its values and the entry is stored. Timed from the start of the
// copying process (xclip's own start-up included) to the stored entry; the
// longest gap between two turns of the main event loop meanwhile is the
// longest main-thread stall.
void copyToStored(benchmark::State &state, const QString &type, const QByteArray &data, bool vary)
{
    const QByteArray display = X11Connection::qtDisplayName();
    if (display.isEmpty()) {
        state.SkipWithError("needs an X server (run under scripts/with-xvfb)");
        return;
    }
    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
    defaults.setInteger(QStringLiteral("maxHistorySize"), 100000);
    X11Pasteboard pasteboard(X11Connection::open(display));
    X11Workspace workspace(X11Connection::open(display));
    bench::CaptureChain chain(pasteboard, workspace, defaults, dir.filePath(QStringLiteral("Quillet.store")));

    // The longest gap between two turns of the main event loop, in wall time
    // (what the user feels; other processes share the processor) and in the
    // main thread's own processor time (the work Quillet did in one turn).
    QElapsedTimer loop;
    qint64 longestStall = 0;
    double lastCpu = threadCpuMs();
    double longestCpuStall = 0;
    QTimer beat;
    beat.setInterval(0);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, loop.restart());
        const double cpu = threadCpuMs();
        longestCpuStall = std::max(longestCpuStall, cpu - lastCpu);
        lastCpu = cpu;
    });
    std::vector<double> latencies;
    int n = 0;
    for (auto _ : state) {
        QByteArray bytes = data;
        if (vary) // a new copy each time, not a repeat of the last
            bytes.replace(0, 8, QByteArray::number(++n).rightJustified(8, '0'));
        int settled = 0;
        const auto connection
            = QObject::connect(&chain.history, &HistoryManager::settled, [&] { ++settled; });
        QElapsedTimer timer;
        timer.start();
        Owner owner(type, bytes);
        loop.start();
        lastCpu = threadCpuMs();
        beat.start();
        const QDeadlineTimer deadline(20000);
        while (settled == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        beat.stop();
        QObject::disconnect(connection);
        const double ms = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime(ms / 1000.0);
        latencies.push_back(ms);
        if (deadline.hasExpired()) {
            state.SkipWithError("not stored");
            break;
        }
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["p90_ms"] = latencies[std::min(latencies.size() - 1, latencies.size() * 9 / 10)];
        state.counters["longest_stall_ms"] = double(longestStall);
        state.counters["longest_stall_cpu_ms"] = longestCpuStall;
    }
}

void copyToStoredText1KB(benchmark::State &state)
{
    copyToStored(state, QStringLiteral("UTF8_STRING"), QByteArray(1024, 'q'), false);
}
BENCHMARK(copyToStoredText1KB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(100);

QByteArray noisyPng(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QRandomGenerator generator(5);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = generator.generate();
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void copyToStoredPng8MB(benchmark::State &state)
{
    // Random pixels do not compress: 1450 × 1450 × 4 is about 8 MB of PNG.
    // The same picture each time: a repeat is hashed, decoded and refreshed.
    static const QByteArray png = noisyPng(1450);
    state.counters["png_bytes"] = double(png.size());
    copyToStored(state, QStringLiteral("image/png"), png, false);
}
BENCHMARK(copyToStoredPng8MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void listDesktopEntries1000(benchmark::State &state)
{
    X11Workspace workspace(nullptr);
    qsizetype listed = 0;
    for (auto _ : state)
        listed = workspace.installedApplications().size();
    state.counters["entries"] = double(listed);
}
BENCHMARK(listDesktopEntries1000)->Unit(benchmark::kMillisecond);

} // namespace
