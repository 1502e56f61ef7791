#include "store/Store.h"

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

// A store of 5,000 entries, each with a 1 KB text and a 4 KB image payload.
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
            store->insertItem(entry(n), QByteArray(2048, 'T'), { textOf(n, 1024), image });
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
