// Long texts on the interface thread, offscreen: the word diff of two
// 20,000-word texts and a 50 MB answer streamed into the AI panel and into the
// launcher's chat. Each reports the longest time the event loop was held up
// (stallMs; stallCpuMs counts the main thread's own processor time only) and
// the process's peak resident memory (peakMB; run one benchmark per process to
// read it alone, e.g. --benchmark_filter=streamInto); the chat also how long
// its answer took to be drawn in full after the stream ended (drawnAfterMs).
//   build-bench/bench/bench_ai_stream
#include "SampleApplications.h"
#include "SampleText.h"
#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "ai/TextTransformManager.h"
#include "clipboard/SelectionCapture.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "launcher/AgentLoop.h"
#include "launcher/AppIndexService.h"
#include "launcher/ConversationSession.h"
#include "launcher/LauncherViewModel.h"
#include "store/Store.h"
#include "support/FakeGeminiServer.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "ui/ai/AITransformView.h"
#include "ui/launcher/ConversationView.h"
#include "ui/launcher/MarkdownView.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

using namespace quillet;

namespace {

constexpr qsizetype kAnswerBytes = 50 * 1024 * 1024;

// The main thread's own processor time: unlike the wall clock, it does not
// count the time the machine gave to other programs.
qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The longest pass of the event loop, by the wall clock and by the main
// thread's own processor time: how long input would have waited.
struct Stall {
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
    void add(const Stall &other)
    {
        wallNs = std::max(wallNs, other.wallNs);
        cpuNs = std::max(cpuNs, other.cpuNs);
    }
    void report(benchmark::State &state) const
    {
        state.counters["stallMs"] = double(wallNs) / 1e6;
        state.counters["stallCpuMs"] = double(cpuNs) / 1e6;
    }
};

// Runs the event loop until `done` holds (at most 60 s), measuring its
// longest pass.
template<typename Condition> Stall longestStallUntil(Condition done)
{
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 lastWall = 0;
    qint64 lastCpu = threadCpuNs();
    Stall stall;
    QTimer beat;
    beat.setInterval(0);
    QObject::connect(&beat, &QTimer::timeout, &loop, [&] {
        const qint64 wall = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        stall.add({ wall - lastWall, cpu - lastCpu });
        lastWall = wall;
        lastCpu = cpu;
        if (done() || clock.elapsed() > 60'000)
            loop.quit();
    });
    beat.start();
    loop.exec();
    return stall;
}

double peakResidentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// A 50 MB answer as the service streams it: 4 KB events, 64 to a write,
// each a paragraph of its own or all of them one paragraph.
test::FakeReply hugeAnswer(bool paragraphs = true)
{
    const QByteArray event = test::gemini::textChunk(
        QString(4096, QLatin1Char('a')) + (paragraphs ? QStringLiteral("\n\n") : QStringLiteral(" ")));
    QByteArray write;
    for (int i = 0; i < 64; ++i)
        write += "data: " + event + "\r\n\r\n";
    test::FakeReply reply;
    for (qsizetype sent = 0; sent < kAnswerBytes; sent += write.size())
        reply.writes.append(write);
    return reply;
}

// The AI panel over fakes, talking to a local stand-in of the service.
struct Panel {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("q.conf")) };
    std::unique_ptr<Store> store = Store::open(dir.filePath(QStringLiteral("q.store")), nullptr);
    test::FakePasteboard pasteboard;
    test::FakeKeySynthesizer keystrokes;
    test::FakeWorkspace workspace;
    test::FakeGeminiServer server;
    AIService ai { [url = server.baseUrl()] { return url; } };
    SelectionCapture capture { pasteboard, keystrokes, Clock::system() };
    ApiKeyStore keyStore { defaults, nullptr };
    TextTransformManager manager { pasteboard, capture, keystrokes, workspace, defaults, keyStore,
        Clock::system(), ai };
    PromptLibrary prompts { *store, Clock::system() };
    AITransformView view { manager, prompts, Clock::system() };

    Panel()
    {
        defaults.setString(keys::geminiAPIKey, QStringLiteral("bench-key"));
        keyStore.load();
        view.resize(AITransformView::width, AITransformView::height);
        view.show();
    }
};

// A finished answer to a 20,000-word selection, from its last chunk to its
// word diff drawn: the diff is made on a worker and drawn a slice at a time.
void diffOfTwentyThousandWords(benchmark::State &state)
{
    QRandomGenerator random(7);
    const QString selection = bench::words(random, 20'000);
    const QString answer = bench::edited(random, selection);
    Panel panel;
    Stall stall;
    for (auto _ : state) {
        panel.manager.setSelectedText(selection);
        panel.server.enqueue(test::gemini::textStream({ answer }));
        panel.manager.transform(QStringLiteral("Fix"));
        longestStallUntil([&] { return panel.manager.isProcessing() && panel.manager.result()->size() > 0; });
        stall.add(longestStallUntil([&] { return panel.view.isShowingDiff(); }));
    }
    stall.report(state);
}
BENCHMARK(diffOfTwentyThousandWords)->Unit(benchmark::kMillisecond)->Iterations(3);

// A 50 MB answer streamed into the AI panel until the request ends.
void streamInto50MBPanel(benchmark::State &state)
{
    Panel panel;
    panel.manager.setSelectedText(QStringLiteral("some text"));
    panel.manager.setMode(TransformMode::input);
    Stall stall;
    for (auto _ : state) {
        panel.server.enqueue(hugeAnswer());
        panel.manager.transform(QStringLiteral("Expand"));
        stall.add(longestStallUntil([&] { return !panel.manager.isProcessing(); }));
    }
    stall.report(state);
    state.counters["peakMB"] = peakResidentMB();
    state.counters["shownChars"] = double(panel.manager.result().value_or(QString()).size());
}
BENCHMARK(streamInto50MBPanel)->Unit(benchmark::kMillisecond)->Iterations(1);

// A 50 MB answer streamed into the launcher's chat until its turn ends:
// 4 KB paragraphs (0), or a single paragraph (1).
void streamInto50MBChat(benchmark::State &state)
{
    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("q.conf")));
    defaults.setString(keys::geminiAPIKey, QStringLiteral("bench-key"));
    test::FakeGeminiServer server;
    AIService ai([url = server.baseUrl()] { return url; });
    ApiKeyStore keyStore(defaults, nullptr);
    keyStore.load();
    AgentLoop loop(ai, defaults, keyStore);
    bench::ListWorkspace workspace({}, true);
    AppIndexService index(workspace);
    LauncherViewModel model(index, workspace, loop);
    ConversationView view(model);
    view.resize(560, 400);
    view.show();
    Stall stall;
    for (auto _ : state) {
        auto session = std::make_shared<ConversationSession>(LauncherMode::aiChat, QStringLiteral("? tell"));
        view.setSession(session);
        server.enqueue(hugeAnswer(state.range(0) == 0));
        loop.start(QStringLiteral("tell me everything"), session, AgentLoop::Turn::followUp);
        // The view goes on drawing after the last chunk, until the answer
        // stands as it finally looks; then a second more.
        QElapsedTimer ended;
        QElapsedTimer drawn;
        const auto caughtUp = [&view] {
            const QList<MarkdownView *> answers = view.findChildren<MarkdownView *>();
            return std::all_of(answers.begin(), answers.end(),
                [](const MarkdownView *answer) { return answer->isCaughtUp(); });
        };
        stall.add(longestStallUntil([&] {
            if (session->isProcessing())
                return false;
            if (!ended.isValid())
                ended.start();
            if (!drawn.isValid() && caughtUp()) {
                drawn.start();
                state.counters["drawnAfterMs"] = double(ended.elapsed());
            }
            return drawn.isValid() && drawn.elapsed() > 1000;
        }));
    }
    stall.report(state);
    state.counters["peakMB"] = peakResidentMB();
}
BENCHMARK(streamInto50MBChat)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(0)->Arg(1);

} // namespace
