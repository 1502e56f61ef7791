#include "core/Search.h"
#include "store/Store.h"
#include "ui/common/HistoryListModel.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

constexpr int kEntries = 5000;

ClipboardItem entry(int n)
{
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.createdAt = item.lastUsedAt
        = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + qint64(n) * 1000, Qt::UTC);
    item.title = QStringLiteral("Entry number %1 with a title of a usual length").arg(n);
    item.contentTypeRaw = QStringLiteral("plainText");
    item.contentHash = QString::number(n).repeated(4).leftJustified(64, QLatin1Char('0'));
    return item;
}

ClipboardContent textOf(int n, int bytes)
{
    ClipboardContent content;
    content.id = QUuid::createUuid();
    content.utTypeIdentifier = QStringLiteral("text/plain;charset=utf-8");
    content.data = QByteArray(bytes, char('a' + n % 26));
    content.dataSize = bytes;
    content.textPreview = QString::fromLatin1(content.data->left(500));
    return content;
}

// A store of 5,000 entries, each with a 1 KB text and a 4 KB image payload
// whose 2 KB thumbnail is the entry's, as a copy records them.
struct FilledStore {
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
    FilledStore()
    {
        QString error;
        store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        for (int n = 0; n < kEntries; ++n) {
            ClipboardContent image = textOf(n, 4096);
            image.utTypeIdentifier = QStringLiteral("image/png");
            image.thumbnailData = QByteArray(2048, 'T');
            store->insertItem(entry(n), image.thumbnailData, { textOf(n, 1024), image });
        }
    }
};

FilledStore &filled()
{
    static FilledStore instance;
    return instance;
}

void findByHash(benchmark::State &state)
{
    Store &store = *filled().store;
    const QString hash = entry(kEntries / 2).contentHash.value();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.findItemByHash(hash));
}
BENCHMARK(findByHash)->Unit(benchmark::kMicrosecond);

void insertOneTextEntry(benchmark::State &state)
{
    Store &store = *filled().store;
    int n = kEntries;
    QList<QUuid> inserted;
    for (auto _ : state) {
        ClipboardItem item = entry(++n);
        inserted.append(item.id);
        store.insertItem(item, std::nullopt, { textOf(n, 1024) });
    }
    store.deleteItems(inserted);
}
BENCHMARK(insertOneTextEntry)->Unit(benchmark::kMicrosecond);

// The write of a copied picture's 8 MB into a store of usual size (the page
// size decides how many pages it takes in the log and the file).
void insertOnePicture(benchmark::State &state)
{
    Store &store = *filled().store;
    const QByteArray picture(8 * 1024 * 1024, 'P');
    int n = 2 * kEntries;
    for (auto _ : state) {
        ClipboardItem item = entry(++n);
        ClipboardContent image = textOf(n, 0);
        image.utTypeIdentifier = QStringLiteral("image/png");
        image.data = picture;
        image.dataSize = picture.size();
        store.insertItem(item, std::nullopt, { image });
        state.PauseTiming();
        store.deleteItems({ item.id });
        state.ResumeTiming();
    }
}
BENCHMARK(insertOnePicture)->Unit(benchmark::kMillisecond);

void listAllTitlesNewestFirst(benchmark::State &state)
{
    Store &store = *filled().store;
    for (auto _ : state) {
        const auto items = store.itemsByLastUsed();
        benchmark::DoNotOptimize(items.size());
    }
}
BENCHMARK(listAllTitlesNewestFirst)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// 5,000 entries of 20 KB text each (100 MB), each stored as a copy stores it.
constexpr int kLargeEntries = 5000;
constexpr int kLargeTextBytes = 20 * 1024;

QString largeText(int n)
{
    static const char *const words[] = { "Meeting", "invoice", "deploy", "release", "kernel", "budget",
        "server", "ticket", "review", "branch", "config", "report", "staging", "upload", "cache", "queue" };
    QString text = QStringLiteral("Log %1\n").arg(n);
    for (int word = 0; text.size() < kLargeTextBytes; ++word) {
        text += QLatin1String(words[(n * 7 + word * 5 + word / 16) % 16]);
        text += word % 12 == 11 ? QStringLiteral(" %1\n").arg(n * 131 + word) : QStringLiteral(" ");
    }
    return text.left(kLargeTextBytes);
}

struct LargeStore {
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
    LargeStore()
    {
        QString error;
        store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        for (int n = 0; n < kLargeEntries; ++n) {
            const QString text = largeText(n);
            ClipboardItem item = entry(n);
            item.title = text.section(QLatin1Char('\n'), 0, 0);
            ClipboardContent content;
            content.id = QUuid::createUuid();
            content.utTypeIdentifier = QStringLiteral("text/plain;charset=utf-8");
            content.data = text.toUtf8();
            content.dataSize = content.data->size();
            content.textPreview = text.left(500);
            store->insertItem(item, std::nullopt, { content }, foldForSearch(text));
        }
    }
};

LargeStore &large()
{
    static LargeStore instance;
    return instance;
}

const QString kNoMatch = QStringLiteral("zebra crossing");

void settle(HistoryListModel &model)
{
    while (model.isSearching())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Typing a query that matches nothing, one character per iteration (the
// whole query, then the query less its last character): the time the list
// model takes on the main thread. The search on the worker is awaited
// outside the timing, so it does not compete for the processor.
void largeSearchKeystrokeMainThread(benchmark::State &state)
{
    LargeStore &l = large();
    HistoryListModel model(*l.store, 30);
    bool full = false;
    for (auto _ : state) {
        full = !full;
        model.setSearchText(full ? kNoMatch : kNoMatch.chopped(1));
        benchmark::DoNotOptimize(model.filteredCount());
        state.PauseTiming();
        settle(model);
        state.ResumeTiming();
    }
}
BENCHMARK(largeSearchKeystrokeMainThread)->Unit(benchmark::kMillisecond);

// The same keystroke until the list holds the matches of the entries' texts
// (its CPU time counts every thread, the worker's too).
void largeSearchKeystrokeToResults(benchmark::State &state)
{
    LargeStore &l = large();
    HistoryListModel model(*l.store, 30);
    bool full = false;
    for (auto _ : state) {
        full = !full;
        model.setSearchText(full ? kNoMatch : kNoMatch.chopped(1));
        settle(model);
        benchmark::DoNotOptimize(model.filteredCount());
    }
}
BENCHMARK(largeSearchKeystrokeToResults)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A query that matches every entry past its title, to results.
void largeSearchEveryEntryToResults(benchmark::State &state)
{
    LargeStore &l = large();
    HistoryListModel model(*l.store, 30);
    bool full = false;
    for (auto _ : state) {
        full = !full;
        model.setSearchText(full ? QStringLiteral("invoice") : QStringLiteral("invoic"));
        settle(model);
        benchmark::DoNotOptimize(model.filteredCount());
    }
    state.counters["shown"] = double(model.filteredCount());
}
BENCHMARK(largeSearchEveryEntryToResults)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Typing quickly: ten keystrokes, each superseding the search of the one
// before, then the results of the last.
void largeSearchTenFastKeystrokes(benchmark::State &state)
{
    LargeStore &l = large();
    HistoryListModel model(*l.store, 30);
    for (auto _ : state) {
        for (int length = 5; length <= kNoMatch.size(); ++length)
            model.setSearchText(kNoMatch.left(length));
        settle(model);
        model.setSearchText(QString());
    }
}
BENCHMARK(largeSearchTenFastKeystrokes)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
