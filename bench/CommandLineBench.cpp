#include "store/Store.h"
#include "store/UserStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace quillet;

namespace {

constexpr int kEntries = 5000;

void fill(Store &store)
{
    for (int n = 0; n < kEntries; ++n) {
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.createdAt = item.lastUsedAt
            = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + qint64(n) * 1000, Qt::UTC);
        item.title = QStringLiteral("Entry %1: some copied text of a usual length").arg(n);
        item.contentTypeRaw = QStringLiteral("plainText");
        item.sourceAppName = QStringLiteral("Text Editor");
        item.contentHash = QString::number(n);
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = QStringLiteral("text/plain;charset=utf-8");
        content.data = QByteArray(1024, 'x');
        content.dataSize = 1024;
        store.insertItem(item, std::nullopt, { content });
    }
}

// A store of 5,000 entries in the benchmark's private XDG tree, and a Quillet
// running on it (offscreen: listing needs no display).
class Instance {
public:
    Instance()
    {
        QFile::setPermissions(
            m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QString error;
        QDir().mkpath(storeDirectory());
        if (auto store = Store::open(storePath(), &error))
            fill(*store);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~Instance() { stop(); }

    bool start()
    {
        if (m_process.state() == QProcess::Running)
            return true;
        m_process.start(QStringLiteral(QUILLET_BINARY), {});
        QByteArray output;
        QDeadlineTimer deadline(60000);
        while (!output.contains("Quillet is running")
            && m_process.waitForReadyRead(int(deadline.remainingTime())))
            output += m_process.readAll();
        return output.contains("Quillet is running");
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(10000);
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
};

Instance &instance()
{
    static Instance quillet;
    return quillet;
}

// Runs `quillet <arguments>` with its output discarded; false unless it exits 0.
bool run(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv { const_cast<char *>(QUILLET_BINARY) };
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QUILLET_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void command(benchmark::State &state, bool running, std::vector<std::string> arguments)
{
    if (running ? !instance().start() : (instance().stop(), false)) {
        state.SkipWithError("Quillet did not start");
        return;
    }
    for (auto _ : state) {
        if (!run(arguments)) {
            state.SkipWithError("the command failed");
            return;
        }
    }
}

} // namespace

// The whole command as a shell runs it: process start, connection, the
// instance's answer from 5,000 entries, printing.
BENCHMARK_CAPTURE(command, list_limit_10_running, true, { "list", "--limit", "10" })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(command, list_limit_10_json_running, true, { "list", "--json", "--limit", "10" })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(command, get_1_running, true, { "get", "1" })->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(command, toggle_running, true, { "toggle" })->Unit(benchmark::kMillisecond)->UseRealTime();
// Quillet not running: the store opened read-only.
BENCHMARK_CAPTURE(command, list_limit_10_store, false, { "list", "--limit", "10" })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// The floor: starting the program at all.
BENCHMARK_CAPTURE(command, version, false, { "--version" })->Unit(benchmark::kMillisecond)->UseRealTime();
