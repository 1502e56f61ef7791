#include "SampleApplications.h"
#include "SampleText.h"
#include "launcher/AppIndexService.h"
#include "launcher/CommandApproval.h"
#include "launcher/MarkdownBlocks.h"
#include "launcher/TerminalOutput.h"

#include <QEventLoop>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

void indexApplications2000(benchmark::State &state)
{
    const QList<InstalledApplication> apps = bench::sampleApplications(2000);
    for (auto _ : state)
        benchmark::DoNotOptimize(AppIndexService::indexApplications(apps));
}
BENCHMARK(indexApplications2000)->Unit(benchmark::kMillisecond);

// The whole pass as the application runs it: worker thread, then publication
// on this thread.
void buildIndex2000(benchmark::State &state)
{
    bench::ListWorkspace workspace(bench::sampleApplications(2000));
    for (auto _ : state) {
        AppIndexService service(workspace);
        QEventLoop loop;
        QObject::connect(&service, &AppIndexService::isIndexedChanged, &loop, &QEventLoop::quit);
        service.buildIndex();
        loop.exec();
        benchmark::DoNotOptimize(service.apps().size());
    }
}
BENCHMARK(buildIndex2000)->Unit(benchmark::kMillisecond);

void search2000(benchmark::State &state, const char *query)
{
    bench::ListWorkspace workspace(bench::sampleApplications(2000));
    AppIndexService service(workspace);
    QEventLoop loop;
    QObject::connect(&service, &AppIndexService::isIndexedChanged, &loop, &QEventLoop::quit);
    service.buildIndex();
    loop.exec();
    const QString q = QString::fromLatin1(query);
    for (auto _ : state)
        benchmark::DoNotOptimize(service.search(q));
}
BENCHMARK_CAPTURE(search2000, one_letter, "c")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(search2000, word, "studio")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(search2000, acronym, "vsc")->Unit(benchmark::kMicrosecond);

// Compiler-like output: coloured file names, bold errors, 256-colour and
// true-colour runs, erase-line sequences.
QByteArray colouredOutput(qsizetype size)
{
    QByteArray out;
    int line = 0;
    while (out.size() < size) {
        out += "\x1b[1m src/file" + QByteArray::number(line)
            + ".cpp:\x1b[0m \x1b[1;31merror:\x1b[0m expected ';' "
              "\x1b[38;5;244mbefore\x1b[0m \x1b[38;2;200;120;40m'}'\x1b[39m token \x1b[K\r\n";
        ++line;
    }
    out.truncate(size);
    return out;
}

void terminalOutput1MB(benchmark::State &state)
{
    const QByteArray data = colouredOutput(1024 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(attributedOutput(data));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(terminalOutput1MB)->Unit(benchmark::kMillisecond);

// The whole read of an answer: blocks, nested containers and inline runs.
void markdown50KB(benchmark::State &state)
{
    const QString text = bench::markdownAnswer(50 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseMarkdown(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(markdown50KB)->Unit(benchmark::kMillisecond);

// 48 KB of inline Markdown that opens what it never closes: each shape once
// made the inline pass quadratic.
void hostileInline48KB(benchmark::State &state, const char *unit)
{
    const QString piece = QString::fromUtf8(unit);
    const QString text = piece.repeated(48 * 1024 / piece.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(parseMarkdown(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK_CAPTURE(hostileInline48KB, empty_links, "[](")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, open_titles, "[](x (")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, nested_destinations, "[](()()")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, open_angle_destinations, "[[a](<b")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, mixed_openers, "*a _b [c ](")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, strong_runs, "**a")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileInline48KB, star_underscore, "*_")->Unit(benchmark::kMillisecond);

// Backtick runs of every length from 1 up, none of them closed.
void unclosedCodeSpans48KB(benchmark::State &state)
{
    QString text;
    for (int length = 1; text.size() < 48 * 1024; ++length)
        text += QString(length, u'`') + QStringLiteral("code ");
    for (auto _ : state)
        benchmark::DoNotOptimize(parseMarkdown(text));
}
BENCHMARK(unclosedCodeSpans48KB)->Unit(benchmark::kMillisecond);

// 48 KB of block structure nested as deep as it goes: quotes in quotes, and
// list items each indented under the one before.
void hostileBlocks48KB(benchmark::State &state, bool lists)
{
    QString text;
    if (lists) {
        for (int depth = 0; text.size() < 48 * 1024; ++depth)
            text += QString(2 * depth, u' ') + QStringLiteral("- item\n");
    } else {
        text = QStringLiteral("> ").repeated(24 * 1024) + QStringLiteral("deep");
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(parseMarkdown(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK_CAPTURE(hostileBlocks48KB, nested_quotes, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hostileBlocks48KB, nested_lists, true)->Unit(benchmark::kMillisecond);

void dangerCheck(benchmark::State &state)
{
    const QString command
        = QStringLiteral("cd ~/src/quillet && git log --oneline -20 | grep -i fix 2>/dev/null");
    for (auto _ : state)
        benchmark::DoNotOptimize(isDangerous(command));
}
BENCHMARK(dangerCheck)->Unit(benchmark::kMicrosecond);

} // namespace
