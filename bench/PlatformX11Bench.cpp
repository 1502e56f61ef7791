// Run under an X server: scripts/with-xvfb build-bench/bench/bench_platform_x11
#include "clipboard/PasteboardTransfer.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

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

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(3);
    for (char &c : bytes)
        c = char(generator.generate());
    return bytes;
}

void captureFromAnotherClient(benchmark::State &state, const QString &type, const QByteArray &data)
{
    const QByteArray display = X11Connection::qtDisplayName();
    if (display.isEmpty()) {
        state.SkipWithError("needs an X server (run under scripts/with-xvfb)");
        return;
    }
    X11Workspace workspace(X11Connection::open(display));
    Owner owner(type, data);
    {
        // Wait until the owner has the selection.
        X11Pasteboard probe(X11Connection::open(display));
        QDeadlineTimer deadline(10000);
        while (probe.types().isEmpty() && !deadline.hasExpired())
            QThread::msleep(5);
    }
    qsizetype bytes = 0;
    for (auto _ : state) {
        // A fresh pasteboard sees the copy as new: the target list is read too.
        state.PauseTiming();
        X11Pasteboard pasteboard(X11Connection::open(display));
        state.ResumeTiming();
        const PasteboardSnapshot snapshot = capture(pasteboard, workspace);
        if (snapshot.contents.isEmpty()) {
            state.SkipWithError("nothing captured");
            break;
        }
        bytes += snapshot.contents.first().data.size();
    }
    state.SetBytesProcessed(bytes);
}

void captureText1KB(benchmark::State &state)
{
    captureFromAnotherClient(state, QStringLiteral("UTF8_STRING"), QByteArray(1024, 'q'));
}
BENCHMARK(captureText1KB)->Unit(benchmark::kMicrosecond);

void capturePng8MB(benchmark::State &state)
{
    captureFromAnotherClient(
        state, QStringLiteral("image/png"), "\x89PNG\r\n\x1a\n" + randomBytes(8 * 1024 * 1024));
}
BENCHMARK(capturePng8MB)->Unit(benchmark::kMillisecond);

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
