#include "core/Search.h"
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
    ClearCounts clearCounts() override { return {}; }
    bool undoRemoval() override { return false; }
    void setPinned(const ClipboardItem &, bool) override { }
    void remove(const ClipboardItem &) override { }
    void saveAsSnippet(const ClipboardItem &) override { }
    void showPanel() override { }
    void hidePanel() override { }
    void openSettings() override { }
    void quit() override { }
};

// Copied texts of the usual kinds: a few lines each, and every fiftieth a long
// one (a log, a source file) of about 20 kB.
QString entryText(int n)
{
    static const char *const words[] = { "meeting", "invoice", "deploy", "release", "kernel", "résumé",
        "café", "budget", "server", "ticket", "review", "branch", "config", "report", "staging", "upload" };
    QString text = QStringLiteral("Entry %1: some copied text of a usual length\n").arg(n);
    const int lines = n % 50 == 0 ? 300 : 4;
    for (int line = 0; line < lines; ++line) {
        for (int word = 0; word < 9; ++word)
            text += QString::fromUtf8(words[(n * 7 + line * 3 + word * 5) % 16]) + QLatin1Char(' ');
        text += QStringLiteral("%1\n").arg(n * 31 + line);
    }
    return text;
}

void fill(Store &store)
{
    for (int n = 0; n < kEntries; ++n) {
        const QString text = entryText(n);
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.createdAt = item.lastUsedAt
            = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + qint64(n) * 1000, Qt::UTC);
        item.title = text.section(QLatin1Char('\n'), 0, 0);
        item.contentTypeRaw = QStringLiteral("plainText");
        item.sourceAppName = QStringLiteral("Text Editor");
        item.contentHash = QString::number(n);
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = QStringLiteral("text/plain");
        content.data = text.toUtf8();
        content.dataSize = content.data->size();
        store.insertItem(item, std::nullopt, { content }, foldForSearch(text));
    }
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Store> store = [this] {
        QString error;
        auto opened = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        fill(*opened);
        return opened;
    }();
    SnippetsViewModel snippets { *store };
    IdleActions actions;
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

// Typing one character into the search and rendering the list again; each
// iteration types or deletes the last character of a query. The queries match
// titles and later lines of the entries (whole-text search): many entries,
// some, one, none.
const QStringList kQueries { QStringLiteral("cafe"), QStringLiteral("entry 12"), QStringLiteral("154321"),
    QStringLiteral("zebra") };

void searchKeystroke(benchmark::State &state)
{
    Fixture &f = fixture();
    auto *view = new FloatingPanelView(f.actions, *f.store, f.snippets);
    FloatingWindow panel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
    panel.grab();
    const QString query = kQueries.at(state.range(0));
    bool full = false;
    for (auto _ : state) {
        full = !full;
        view->setSearchText(full ? query : query.chopped(1));
        benchmark::DoNotOptimize(panel.grab());
    }
    state.SetLabel(query.toStdString());
    state.counters["shown"] = view->shownRowCount();
}
BENCHMARK(searchKeystroke)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The store's part of a keystroke: matching the folded texts of every entry
// (about 4 MB here) with instr().
void wholeTextMatch(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString query = kQueries.at(state.range(0));
    qsizetype matches = 0;
    for (auto _ : state)
        matches = f.store->itemIdsWithSearchText(query).size();
    state.SetLabel(query.toStdString());
    state.counters["matches"] = double(matches);
}
BENCHMARK(wholeTextMatch)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

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
