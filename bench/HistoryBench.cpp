#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "defaults/PreferenceKeys.h"
#include "settings/SettingsViewModel.h"
#include "store/Store.h"
#include "ui/common/HistoryListModel.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

constexpr int kEntries = 5000;

class NoWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override
    {
        return RunningApplication { QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor") };
    }
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override { }
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override { return {}; }
    QIcon applicationIcon(const InstalledApplication &) override { return {}; }
    bool openApplication(const QString &, QString *) override { return false; }
};

PasteboardSnapshot textSnapshot(int n)
{
    PasteboardSnapshot snapshot;
    QByteArray text = QByteArray("Clipboard text number ") + QByteArray::number(n) + ' ';
    text = text.repeated(1024 / text.size() + 1).left(1024);
    snapshot.contents.append({ QStringLiteral("text/plain;charset=utf-8"), text });
    snapshot.sourceAppBundleID = QStringLiteral("org.gnome.TextEditor");
    snapshot.sourceAppName = QStringLiteral("Text Editor");
    return snapshot;
}

// 5,000 entries of 1 KB text, recorded the way the monitor records them.
struct History {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    NoWorkspace workspace;
    std::unique_ptr<Store> store;
    std::unique_ptr<ExcludedAppsService> excluded;
    std::unique_ptr<HistoryManager> manager;

    void settle()
    {
        while (manager->isBusy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }

    History()
    {
        QString error;
        store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        excluded = std::make_unique<ExcludedAppsService>(defaults, workspace);
        manager = std::make_unique<HistoryManager>(*store, *excluded, defaults, Clock::system());
        defaults.setInteger(keys::maxHistorySize, kEntries);
        for (int n = 0; n < kEntries; ++n)
            manager->addSnapshot(textSnapshot(n));
        settle();
    }
};

History &history()
{
    static History instance;
    return instance;
}

void addSnapshotNew(benchmark::State &state)
{
    History &h = history();
    int n = kEntries;
    for (auto _ : state) {
        h.manager->addSnapshot(textSnapshot(++n)); // each new entry prunes the oldest
        h.settle();
    }
}
BENCHMARK(addSnapshotNew)->Unit(benchmark::kMicrosecond);

void addSnapshotDuplicate(benchmark::State &state)
{
    History &h = history();
    const PasteboardSnapshot snapshot = textSnapshot(kEntries + 1);
    h.manager->addSnapshot(snapshot);
    h.settle();
    for (auto _ : state) {
        h.manager->addSnapshot(snapshot);
        h.settle();
    }
}
BENCHMARK(addSnapshotDuplicate)->Unit(benchmark::kMicrosecond);

void pruneHistoryAtLimit(benchmark::State &state)
{
    History &h = history();
    for (auto _ : state)
        h.manager->pruneHistory(); // at the limit: nothing beyond it to delete
}
BENCHMARK(pruneHistoryAtLimit)->Unit(benchmark::kMicrosecond);

void exportHistory(benchmark::State &state)
{
    History &h = history();
    SettingsViewModel settings(h.defaults, h.dir.filePath(QStringLiteral("data")));
    const QString path = h.dir.filePath(QStringLiteral("export.json"));
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.exportHistory(*h.store, path));
}
BENCHMARK(exportHistory)->Unit(benchmark::kMillisecond);

// One new entry with the history full: the time until both lists show it.
void newEntryReachesTheLists(benchmark::State &state)
{
    History &h = history();
    HistoryListModel panel(*h.store, 30);
    HistoryListModel popup(*h.store, 20);
    int n = 2 * kEntries;
    for (auto _ : state) {
        state.PauseTiming();
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
        item.title = QStringLiteral("Entry %1").arg(++n);
        item.contentTypeRaw = QStringLiteral("plainText");
        state.ResumeTiming();
        h.store->insertItem(item, std::nullopt, {});
        if (panel.filteredAt(0)->id != item.id || popup.filteredAt(0)->id != item.id)
            state.SkipWithError("not shown");
    }
}
BENCHMARK(newEntryReachesTheLists)->Unit(benchmark::kMillisecond);

// The files a history of 5,000 copied texts of 200 bytes takes on disk once
// the store is closed (reported as counters; bench/store-size prints them).
void storeSizeOfShortTexts(benchmark::State &state)
{
    qint64 bytes = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillet.store"));
        {
            Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
            defaults.setInteger(keys::maxHistorySize, kEntries);
            NoWorkspace workspace;
            QString error;
            auto store = Store::open(path, &error);
            ExcludedAppsService excluded(defaults, workspace);
            HistoryManager manager(*store, excluded, defaults, Clock::system());
            for (int n = 0; n < kEntries; ++n) {
                PasteboardSnapshot snapshot;
                QByteArray text = "Copied text " + QByteArray::number(n)
                    + ": the Quick Brown Fox jumps over the lazy dog. ";
                snapshot.contents.append(
                    { QStringLiteral("text/plain;charset=utf-8"), text.repeated(4).left(200) });
                snapshot.sourceAppBundleID = QStringLiteral("org.gnome.TextEditor");
                snapshot.sourceAppName = QStringLiteral("Text Editor");
                manager.addSnapshot(snapshot);
            }
            while (manager.isBusy())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        bytes = 0;
        for (const QString &suffix : { QString(), QStringLiteral("-wal"), QStringLiteral("-shm") })
            bytes += QFileInfo(path + suffix).size();
    }
    state.counters["store_bytes"] = double(bytes);
    state.counters["store_MB"] = double(bytes) / 1e6;
}
BENCHMARK(storeSizeOfShortTexts)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
