#include "snippets/SnippetsViewModel.h"
#include "store/Store.h"
#include "ui/AppActions.h"
#include "ui/common/FloatingWindow.h"
#include "ui/panel/FloatingPanelView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

constexpr int kEntries = 5000;

class IdleActions final : public AppActions {
public:
    PanelTab panelTab() const override { return PanelTab::history; }
    void setPanelTab(PanelTab) override { }
    void paste(const ClipboardItem &) override { }
    void pasteSnippet(const Snippet &) override { }
    void clearHistory() override { }
    void showPanel() override { }
    void hidePanel() override { }
};

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
        content.utTypeIdentifier = QStringLiteral("text/plain");
        content.data = QByteArray(1024, 'x');
        content.dataSize = 1024;
        store.insertItem(item, std::nullopt, { content });
    }
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
    SnippetsViewModel snippets;
    IdleActions actions;
    Fixture()
    {
        QString error;
        store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        fill(*store);
        snippets.setModelContext(store.get());
    }
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

// Building the panel and rendering its first frame.
void openPanelToFirstPaint(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        auto *view = new FloatingPanelView(f.actions, *f.store, f.snippets);
        FloatingWindow panel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
        benchmark::DoNotOptimize(panel.grab());
    }
}
BENCHMARK(openPanelToFirstPaint)->Unit(benchmark::kMillisecond);

// Typing one character into the search and rendering the list again.
void searchKeystroke(benchmark::State &state)
{
    Fixture &f = fixture();
    auto *view = new FloatingPanelView(f.actions, *f.store, f.snippets);
    FloatingWindow panel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
    panel.grab();
    bool flip = false;
    for (auto _ : state) {
        view->setSearchText(flip ? QStringLiteral("entry 12") : QStringLiteral("entry 1"));
        flip = !flip;
        benchmark::DoNotOptimize(panel.grab());
    }
}
BENCHMARK(searchKeystroke)->Unit(benchmark::kMillisecond);

// The resident memory of an idle quillet process whose history holds 5,000
// entries (reported as counters; the time is the start-up to idle).
void idleResidentMemory(benchmark::State &state)
{
    QTemporaryDir home;
    for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR" })
        QDir().mkpath(home.filePath(QLatin1String(name)));
    QFile::setPermissions(home.filePath(QStringLiteral("XDG_RUNTIME_DIR")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        QDir().mkpath(home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet")));
        QString error;
        auto store
            = Store::open(home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet/Quillet.store")), &error);
        fill(*store);
    }
    double rssKiB = 0;
    for (auto _ : state) {
        QProcess quillet;
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR" })
            environment.insert(QLatin1String(name), home.filePath(QLatin1String(name)));
        quillet.setProcessEnvironment(environment);
        quillet.start(QStringLiteral(QUILLET_BINARY), {});
        QByteArray output;
        QDeadlineTimer deadline(60000);
        while (!output.contains("Quillet is running") && !deadline.hasExpired()
            && quillet.waitForReadyRead(int(deadline.remainingTime())))
            output += quillet.readAllStandardOutput();
        // Settled: the event loop has taken its first turns.
        quillet.waitForFinished(1000);
        QFile status(QStringLiteral("/proc/%1/status").arg(quillet.processId()));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    rssKiB = line.mid(6).trimmed().split(' ').first().toDouble();
            }
        }
        quillet.terminate();
        quillet.waitForFinished(10000);
    }
    state.counters["rss_MiB"] = rssKiB / 1024.0;
}
BENCHMARK(idleResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
