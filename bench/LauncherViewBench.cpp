#include "SampleApplications.h"
#include "SampleText.h"
#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "defaults/Defaults.h"
#include "launcher/AgentLoop.h"
#include "launcher/AppIndexService.h"
#include "launcher/LauncherViewModel.h"
#include "ui/launcher/LauncherView.h"
#include "ui/launcher/MarkdownView.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

// The launcher over 2,000 applications, as the panel shows it.
struct Launcher {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("q.conf")) };
    AIService ai;
    ApiKeyStore keyStore { defaults, nullptr };
    AgentLoop loop { ai, defaults, keyStore };
    bench::ListWorkspace workspace { bench::sampleApplications(2000), true };
    AppIndexService index { workspace };
    LauncherViewModel model { index, workspace, loop };

    Launcher()
    {
        QEventLoop indexing;
        QObject::connect(&index, &AppIndexService::isIndexedChanged, &indexing, &QEventLoop::quit);
        index.buildIndex();
        indexing.exec();
    }
};

// One keystroke and its undo: the search runs, the results change and the
// launcher is painted again.
void searchKeystroke2000(benchmark::State &state)
{
    Launcher launcher;
    LauncherView view(launcher.model);
    view.show();
    launcher.model.setSearchText(QStringLiteral("vi"));
    view.repaint();
    bool longer = false;
    for (auto _ : state) {
        longer = !longer;
        launcher.model.setSearchText(longer ? QStringLiteral("vis") : QStringLiteral("vi"));
        view.repaint();
    }
}
BENCHMARK(searchKeystroke2000)->Unit(benchmark::kMicrosecond);

// A 50 KB answer gets one more streamed chunk (and loses it again, so every
// iteration sees the same answer): only its last paragraph is rebuilt.
void streamedChunkInto50KB(benchmark::State &state)
{
    const QString answer
        = bench::markdownAnswer(50 * 1024) + QStringLiteral("\n\nThe last paragraph is still ");
    const QString grown = answer + QStringLiteral("being written by the **model**, word by word.");
    MarkdownView view;
    view.resize(560, 400);
    view.showMarkdown(answer);
    bool longer = false;
    for (auto _ : state) {
        longer = !longer;
        view.showMarkdown(longer ? grown : answer);
    }
}
BENCHMARK(streamedChunkInto50KB)->Unit(benchmark::kMicrosecond);

// The same answer drawn from nothing, as a view without the incremental
// rebuild would on every chunk.
void whole50KBAnswer(benchmark::State &state)
{
    const QString answer = bench::markdownAnswer(50 * 1024);
    for (auto _ : state) {
        MarkdownView view;
        view.resize(560, 400);
        view.showMarkdown(answer);
        benchmark::DoNotOptimize(view.document()->blockCount());
    }
}
BENCHMARK(whole50KBAnswer)->Unit(benchmark::kMillisecond);

// 48 KB of inline Markdown that never closes what it opens, in a view.
void hostileAnswer48KB(benchmark::State &state)
{
    const QString answer = QStringLiteral("[](*a _b ").repeated(48 * 1024 / 9);
    for (auto _ : state) {
        MarkdownView view;
        view.resize(560, 400);
        view.showMarkdown(answer);
        benchmark::DoNotOptimize(view.document()->blockCount());
    }
}
BENCHMARK(hostileAnswer48KB)->Unit(benchmark::kMillisecond);

} // namespace
