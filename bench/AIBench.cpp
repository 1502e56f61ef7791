#include "SampleText.h"
#include "ai/GeminiStreamParser.h"
#include "ai/ResultDiff.h"

#include <QRandomGenerator>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <limits>

using namespace quillet;
using quillet::bench::edited;
using quillet::bench::words;

namespace {

QByteArray eventStream(int events)
{
    QByteArray body;
    for (int i = 0; i < events; ++i) {
        body
            += R"(data: {"candidates":[{"content":{"role":"model","parts":[{"text":"Here is the next piece of the answer, number )";
        body += QByteArray::number(i);
        body += R"(."}]}}],"usageMetadata":{"promptTokenCount":120,"candidatesTokenCount":)";
        body += QByteArray::number(i);
        body += "}}\r\n\r\n";
    }
    return body;
}

void parseTenThousandStreamEvents(benchmark::State &state)
{
    const QByteArray body = eventStream(10'000);
    for (auto _ : state) {
        gemini::StreamReader reader(gemini::StreamReader::Mode::chat);
        qsizetype events = 0;
        // Network reads arrive in pieces of a few kilobytes.
        for (qsizetype pos = 0; pos < body.size(); pos += 4096)
            events
                += reader.feed(QByteArrayView(body).sliced(pos, std::min<qsizetype>(4096, body.size() - pos)))
                       .size();
        events += reader.finish().size();
        if (events != 20'001)
            state.SkipWithError("wrong event count");
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(parseTenThousandStreamEvents)->Unit(benchmark::kMillisecond);

void diffTwoThousandWordTexts(benchmark::State &state)
{
    QRandomGenerator random(1);
    const QString oldText = words(random, 2000);
    const QString newText = edited(random, oldText);
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::diff(oldText, newText));
}
BENCHMARK(diffTwoThousandWordTexts)->Unit(benchmark::kMillisecond);

// The same texts through the full table, whatever its size: the cost the
// memory bound avoids.
void diffTwoThousandWordTextsFullTable(benchmark::State &state)
{
    QRandomGenerator random(1);
    const QString oldText = words(random, 2000);
    const QString newText = edited(random, oldText);
    LcsLimits limits;
    limits.maxTableBytes = std::numeric_limits<qint64>::max();
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::diff(oldText, newText, limits));
    state.counters["tokens"] = double(ResultDiff::tokenize(oldText).size());
}
BENCHMARK(diffTwoThousandWordTextsFullTable)->Unit(benchmark::kMillisecond);

void diffTwoThousandWordsRewritten(benchmark::State &state)
{
    QRandomGenerator random(2);
    const QString oldText = words(random, 2000);
    const QString newText = words(random, 2000);
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::diff(oldText, newText));
}
BENCHMARK(diffTwoThousandWordsRewritten)->Unit(benchmark::kMillisecond);

void diffTwentyThousandWordTexts(benchmark::State &state)
{
    QRandomGenerator random(3);
    const QString oldText = words(random, 20'000);
    const QString newText = edited(random, oldText);
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::diff(oldText, newText));
}
BENCHMARK(diffTwentyThousandWordTexts)->Unit(benchmark::kMillisecond);

// A long selection summarized in a few lines: far past the table bound.
void diffSummaryOfFiftyThousandWords(benchmark::State &state)
{
    QRandomGenerator random(4);
    const QString oldText = words(random, 50'000);
    const QString newText = words(random, 150);
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::diff(oldText, newText));
}
BENCHMARK(diffSummaryOfFiftyThousandWords)->Unit(benchmark::kMillisecond);

void tokenizeOneMegabyte(benchmark::State &state)
{
    QRandomGenerator random(5);
    QString text;
    while (text.size() < 1024 * 1024)
        text += words(random, 1000);
    text.truncate(1024 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultDiff::tokenize(text));
    state.SetBytesProcessed(state.iterations() * text.size() * qint64(sizeof(QChar)));
}
BENCHMARK(tokenizeOneMegabyte)->Unit(benchmark::kMillisecond);

} // namespace
