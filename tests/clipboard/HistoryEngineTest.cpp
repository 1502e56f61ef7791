#include "clipboard/ClipboardMonitor.h"
#include "clipboard/DerivedValues.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "clipboard/TypeRegistry.h"
#include "core/Search.h"
#include "defaults/PreferenceKeys.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

constexpr WindowId kEditor = 42;

// The history engine as the application wires it: the monitor feeds the
// history manager; the paste service writes back through the same clipboard.
struct Engine {
    QTemporaryDir dir;
    test::ManualClock clock;
    test::FakePasteboard pasteboard;
    test::FakeWorkspace workspace;
    test::FakeKeySynthesizer keys;
    Defaults defaults { dir.filePath(u"Quillet.conf"_s) };
    test::TempStore store;
    std::unique_ptr<ExcludedAppsService> excluded;
    std::unique_ptr<HistoryManager> history;
    std::unique_ptr<ClipboardMonitor> monitor;
    std::unique_ptr<PasteService> paste;
    int snapshotsSeen = 0;

    // `present`: text on the clipboard before the monitor starts.
    explicit Engine(bool notifies = true, const QString &present = {})
    {
        pasteboard.notifies = notifies;
        if (!present.isEmpty())
            pasteboard.copyText(present);
        excluded = std::make_unique<ExcludedAppsService>(defaults, workspace);
        history = std::make_unique<HistoryManager>(*store, *excluded, defaults, clock);
        monitor = std::make_unique<ClipboardMonitor>(
            pasteboard, workspace, defaults, clock, [this](const PasteboardSnapshot &snapshot) {
                ++snapshotsSeen;
                history->addSnapshot(snapshot);
            });
        paste = std::make_unique<PasteService>(*store, pasteboard, keys, defaults, clock);
        paste->setPasteTarget(kEditor);
        monitor->start();
    }

    // Another application copies `text`; then one poll interval passes.
    void copy(const QString &text, const QString &app = u"org.gnome.TextEditor"_s)
    {
        workspace.setFrontmost(app, app.section(QLatin1Char('.'), -1));
        pasteboard.copyText(text);
        tick();
    }
    void tick()
    {
        clock.advance(500ms);
        settle();
    }
    // Waits until every snapshot handed over is stored.
    void settle()
    {
        QVERIFY(QTest::qWaitFor([this] { return !history->isBusy(); }));
    }

    QStringList titles() { return test::historyTitles(*store); }
    ClipboardItem first() { return store->itemsByLastUsed(1).value(0); }
};

} // namespace

class HistoryEngineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A store that refuses writes keeps the copies made meanwhile and says
    // so, answers a command at once, and takes the copies, in order, once it
    // can; nothing stored before is lost.
    void copiesWaitForAStoreThatRefusesWrites_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("reason");
        QTest::newRow("locked by another program") << false << u"locked by another program"_s;
        QTest::newRow("disk full") << true << u"disk is full"_s;
    }
    void copiesWaitForAStoreThatRefusesWrites()
    {
        QFETCH(bool, full);
        QFETCH(QString, reason);
        Engine e;
        e.copy(u"kept before"_s);
        std::optional<test::FileLock> lock;
        full ? test::capPages(*e.store, true) : void(lock.emplace(e.store->path(), false));
        // Larger than a page, so that a capped file needs new ones.
        const QString padding(40000, QLatin1Char('.'));
        for (const QString &text : { u"first"_s, u"second"_s }) {
            e.pasteboard.copyText(text + padding);
            e.clock.advance(500ms);
            QVERIFY(QTest::qWaitFor([&] {
                return e.history->problem().contains(text == u"first"_s ? u"1 copy"_s : u"2 copies"_s);
            }));
        }
        PasteboardSnapshot added;
        added.contents.append({ types::utf8PlainText, "added" });
        QVERIFY(e.history->addSnapshot(added, HistoryManager::Origin::command).result().contains(reason));
        QCOMPARE(e.titles(), QStringList { u"kept before"_s });

        full ? test::capPages(*e.store, false) : lock.reset();
        e.history->retryNow();
        e.settle();
        QVERIFY(e.history->problem().isEmpty());
        const QStringList titles = e.titles();
        QCOMPARE(titles.size(), 3);
        QVERIFY(titles[0].startsWith(u"second"_s) && titles[1].startsWith(u"first"_s));
    }

    void contentPresentAtLaunchIsNotRecorded()
    {
        Engine e(true, u"already there"_s);
        e.monitor->start(); // a second start adds no second poll loop
        e.clock.advance(2s);
        QCOMPARE(e.snapshotsSeen, 0);
        e.copy(u"new"_s);
        QCOMPARE(e.snapshotsSeen, 1);
    }

    void recordsANewCopyWithItsDerivedValues()
    {
        Engine e;
        const QDateTime copiedAt = e.clock.now();
        e.copy(u"Hello"_s);
        QCOMPARE(e.store->itemCount(), 1);
        const ClipboardItem item = e.first();
        QCOMPARE(item.title, u"Hello"_s);
        QCOMPARE(item.contentType(), ContentType::plainText);
        QCOMPARE(item.useCount, 0);
        QCOMPARE(item.sourceAppBundleID, std::optional<QString>(u"org.gnome.TextEditor"_s));
        // Stamped when the copy was seen, not when its values were ready.
        QCOMPARE(item.createdAt, copiedAt.addMSecs(ClipboardMonitor::kCoalesce.count()));
        const auto contents = e.store->contents(item.id);
        QCOMPARE(contents.size(), 1);
        QCOMPARE(contents.first().dataSize, 5);
        QCOMPARE(contents.first().textPreview, std::optional<QString>(u"Hello"_s));
    }

    void searchReachesEveryLineOfAnEntry()
    {
        Engine e;
        e.copy(u"Groceries\nmilk\nCafé au lait"_s);
        const QUuid copied = e.first().id;
        QCOMPARE(e.store->itemIdsWithSearchText(foldForSearch(u"CAFE AU"_s)), QSet<QUuid> { copied });

        // An entry recorded before search reached the whole text is indexed
        // afterwards, in batches.
        const ClipboardItem older = test::textItem(u"Older"_s);
        QVERIFY(e.store->insertItem(
            older, std::nullopt, { test::content(u"text/plain"_s, "Older\nsecond line") }));
        QCOMPARE(e.history->indexForSearch(10), 1);
        QCOMPARE(e.history->indexForSearch(10), 0);
        QCOMPARE(e.store->itemIdsWithSearchText(u"second line"_s), QSet<QUuid> { older.id });
    }

    void blankTextIsRecordedWithAnEmptyTitle()
    {
        Engine e;
        e.copy(u"   \n\n"_s);
        QCOMPARE(e.titles(), QStringList { QString() });
    }

    void repeatedCopyRefreshesTheEntry()
    {
        Engine e;
        e.copy(u"same"_s);
        e.copy(u"other"_s);
        e.copy(u"same"_s, u"org.kde.kate"_s);
        QCOMPARE(e.titles(), (QStringList { u"same"_s, u"other"_s }));
        const ClipboardItem item = e.first();
        QCOMPARE(item.useCount, 1);
        QCOMPARE(item.sourceAppBundleID, std::optional<QString>(u"org.kde.kate"_s));
        QVERIFY(item.lastUsedAt > item.createdAt);
    }

    void storesOnlySupportedRepresentations()
    {
        Engine e;
        e.pasteboard.setContents({ PasteboardItem { { { u"application/pdf"_s, "%PDF" },
            { types::png, test::pngOf(1000, 500) }, { u"text/plain;charset=utf-8"_s, "caption" } } } });
        e.tick();
        const ClipboardItem item = e.first();
        QCOMPARE(item.title, u"Image"_s);
        QCOMPARE(item.contentType(), ContentType::image);
        const auto contents = e.store->contents(item.id);
        QCOMPARE(contents.size(), 2);
        QCOMPARE(contents.at(0).utTypeIdentifier, types::png);
        QVERIFY(contents.at(0).thumbnailData);
        QCOMPARE(QImage::fromData(*contents.at(0).thumbnailData).size(), QSize(200, 100));
        QCOMPARE(e.store->itemThumbnail(item.id), contents.at(0).thumbnailData);
        QCOMPARE(contents.at(1).utTypeIdentifier, u"text/plain;charset=utf-8"_s);
        QVERIFY(!contents.at(1).thumbnailData);
    }

    void htmlWithACharsetIsStoredAsHtml()
    {
        Engine e;
        e.pasteboard.setContents({ PasteboardItem { { { u"text/html;charset=utf-8"_s, "<b>Hi</b>" } } } });
        e.tick();
        QCOMPARE(e.first().contentType(), ContentType::html);
        QCOMPARE(e.store->contents(e.first().id).value(0).data, QByteArray("<b>Hi</b>"));
    }

    void entryWithOnlyUnsupportedContentIsKeptButCannotBePasted()
    {
        Engine e;
        e.pasteboard.setContents({ PasteboardItem { { { u"application/pdf"_s, "%PDF-1.7" } } } });
        e.tick();
        QCOMPARE(e.store->itemCount(), 1);
        QCOMPARE(e.first().title, u"Clipboard Content"_s);
        const qint64 count = e.pasteboard.changeCount();
        QVERIFY(!e.paste->paste(e.first()));
        QCOMPARE(e.pasteboard.changeCount(), count);
        QCOMPARE(e.first().useCount, 0);
    }

    void pruningKeepsTheLimit_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("pinned");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("remaining");
        QTest::newRow("fourth copy drops the oldest") << qint64(3) << 0 << 4 << 3;
        QTest::newRow("pinned entries are not counted") << qint64(3) << 2 << 5 << 5;
        QTest::newRow("stored 0 means 500") << qint64(0) << 0 << 12 << 12;
        QTest::newRow("negative means 500") << qint64(-4) << 0 << 6 << 6;
    }
    void pruningKeepsTheLimit()
    {
        QFETCH(qint64, limit);
        QFETCH(int, pinned);
        QFETCH(int, copies);
        QFETCH(int, remaining);
        Engine e;
        e.defaults.setInteger(keys::maxHistorySize, limit);
        for (int i = 0; i < copies; ++i) {
            e.copy(u"copy %1"_s.arg(i));
            if (i < pinned) {
                ClipboardItem item = e.first();
                item.isPinned = true;
                QVERIFY(e.store->updateItem(item));
            }
        }
        QCOMPARE(e.store->itemCount(), remaining);
        if (limit == 3 && pinned == 0)
            QVERIFY(!e.titles().contains(u"copy 0"_s));
        if (pinned)
            QCOMPARE(e.store->unpinnedItemsByLastUsed().size(), 3);
    }

    void pruningDropsTheOldestUseNotTheOldestCopy()
    {
        Engine e;
        e.defaults.setInteger(keys::maxHistorySize, 2);
        e.copy(u"a"_s);
        e.copy(u"b"_s);
        e.copy(u"a"_s); // a used again: b is now the oldest use
        e.copy(u"c"_s);
        QCOMPARE(e.titles(), (QStringList { u"c"_s, u"a"_s }));
    }

    void excludedApplicationsAreIgnoredEntirely()
    {
        Engine e;
        e.copy(u"shared"_s, u"org.gnome.TextEditor"_s);
        e.excluded->addExcluded(u"org.keepassxc.KeePassXC"_s);
        e.copy(u"password"_s, u"org.keepassxc.KeePassXC"_s);
        e.copy(u"shared"_s, u"org.keepassxc.KeePassXC"_s);
        QCOMPARE(e.snapshotsSeen, 3);
        QCOMPARE(e.titles(), QStringList { u"shared"_s });
        QCOMPARE(e.first().useCount, 0);
        QCOMPARE(e.first().sourceAppBundleID, std::optional<QString>(u"org.gnome.TextEditor"_s));
    }

    void droppedChangesStayConsumed_data()
    {
        QTest::addColumn<QList<PasteboardItem>>("contents");
        QTest::newRow("cleared clipboard") << QList<PasteboardItem> {};
        QTest::newRow("only atoms") << QList<PasteboardItem> { PasteboardItem { { { u"TARGETS"_s, "x" } } } };
        QTest::newRow("password manager secret") << QList<PasteboardItem> { PasteboardItem {
            { { u"text/plain"_s, "hunter2" }, { types::passwordManagerHint, "secret" } } } };
        QTest::newRow("own write") << QList<PasteboardItem> { PasteboardItem {
            { { u"text/plain"_s, "mine" }, { types::selfMarker, "" } } } };
    }
    void droppedChangesStayConsumed()
    {
        QFETCH(QList<PasteboardItem>, contents);
        Engine e;
        e.copy(u"before"_s);
        e.pasteboard.setContents(contents);
        e.tick();
        e.tick();
        QCOMPARE(e.snapshotsSeen, 1);
        QCOMPARE(e.monitor->lastChangeCount(), e.pasteboard.changeCount());
        QCOMPARE(e.store->itemCount(), 1);
    }

    void twoCopiesWithinOneIntervalRecordOnlyTheSecond()
    {
        Engine e(false);
        e.pasteboard.copyText(u"first"_s);
        e.clock.advance(200ms);
        e.pasteboard.copyText(u"second"_s);
        e.clock.advance(300ms);
        e.settle();
        QCOMPARE(e.titles(), QStringList { u"second"_s });
    }

    void withoutNotificationsFollowsThePollingIntervalLive()
    {
        Engine e(false);
        QCOMPARE(e.monitor->pollingInterval(), 500ms);
        e.defaults.setDouble(keys::pollingInterval, 2.0);
        e.pasteboard.copyText(u"slow"_s);
        e.clock.advance(1900ms);
        e.settle();
        QCOMPARE(e.store->itemCount(), 0);
        e.clock.advance(100ms);
        e.settle();
        QCOMPARE(e.store->itemCount(), 1);
        e.defaults.setDouble(keys::pollingInterval, 0.25);
        e.pasteboard.copyText(u"fast"_s);
        e.clock.advance(250ms);
        e.settle();
        QCOMPARE(e.store->itemCount(), 2);
        // Absurd values are brought back into a sane range.
        e.defaults.setDouble(keys::pollingInterval, 0.0001);
        QCOMPARE(e.monitor->pollingInterval(), 100ms);
        e.defaults.setDouble(keys::pollingInterval, 0.0);
        QCOMPARE(e.monitor->pollingInterval(), 500ms);
    }

    void aNotifiedChangeIsReadAtOnceAndIdleNeedsNoTimer()
    {
        Engine e;
        e.clock.runDue();
        QCOMPARE(e.clock.pendingCount(), 0);
        // A burst of owner changes is read once, a few milliseconds later.
        e.pasteboard.copyText(u"first"_s);
        e.pasteboard.copyText(u"second"_s);
        e.clock.advance(ClipboardMonitor::kCoalesce);
        e.settle();
        QCOMPARE(e.snapshotsSeen, 1);
        QCOMPARE(e.titles(), QStringList { u"second"_s });
        QCOMPARE(e.clock.pendingCount(), 0);
    }

    // A picture's values take far longer to make than a text's; a large
    // entry is written by the store's worker while the next one waits.
    void entriesAppearInCopyOrder_data()
    {
        QTest::addColumn<PasteboardItem>("first");
        QTest::addColumn<QString>("title");
        QTest::newRow("slow picture")
            << PasteboardItem { { { types::png, test::pngOf(3000, 3000) } } } << u"Image"_s;
        const QByteArray large = QByteArray("large ") + QByteArray(2 << 20, 'x');
        QTest::newRow("written in the background") << PasteboardItem { { { types::plainText, large } } }
                                                   << QString::fromLatin1(large.left(kMaxTitleCharacters));
    }
    void entriesAppearInCopyOrder()
    {
        QFETCH(PasteboardItem, first);
        QFETCH(QString, title);
        Engine e;
        // Copied, then a text, then copied again, before any is stored.
        e.pasteboard.setContents({ first });
        e.clock.advance(ClipboardMonitor::kCoalesce);
        e.clock.advance(1s);
        e.pasteboard.copyText(u"after it"_s);
        e.clock.advance(ClipboardMonitor::kCoalesce);
        e.clock.advance(1s);
        e.pasteboard.setContents({ first });
        e.clock.advance(ClipboardMonitor::kCoalesce);
        QVERIFY(e.history->isBusy());
        e.settle();
        // The repeat found the first copy instead of storing it twice.
        QCOMPARE(e.titles(), (QStringList { title, u"after it"_s }));
        QCOMPARE(e.first().useCount, 1);
        QVERIFY(e.first().createdAt < e.store->itemsByLastUsed().last().createdAt);
    }

    void anOwnerlessClipboardGetsTheNewestEntryBack()
    {
        Engine e;
        e.copy(u"older"_s);
        e.copy(u"newest"_s);
        e.pasteboard.clear(); // the owner exited
        e.tick();
        e.paste->offerNewestEntry();
        QCOMPARE(e.pasteboard.items().first().representations,
            (QList<std::pair<QString, QByteArray>> {
                { u"text/plain"_s, "newest" }, { types::selfMarker, QByteArray() } }));
        e.tick();
        QCOMPARE(e.snapshotsSeen, 2);
        QCOMPARE(e.first().useCount, 0);
        // A copy that took the place meanwhile is not overridden.
        e.pasteboard.copyText(u"newer"_s);
        e.paste->offerNewestEntry();
        QCOMPARE(e.pasteboard.string(), std::optional<QString>(u"newer"_s));
    }

    void pasteMovesTheEntryUpAndIsNotRecordedAgain()
    {
        Engine e;
        e.copy(u"older"_s);
        e.copy(u"newer"_s);
        const ClipboardItem older = e.store->itemsByLastUsed().last();
        e.clock.advance(1s);
        QVERIFY(e.paste->paste(older));

        QCOMPARE(e.titles(), (QStringList { u"older"_s, u"newer"_s }));
        QCOMPARE(e.first().useCount, 1);
        const PasteboardItem written = e.pasteboard.items().first();
        QCOMPARE(
            written.representations.first(), (std::pair<QString, QByteArray> { u"text/plain"_s, "older" }));
        QCOMPARE(written.representations.last().first, types::selfMarker);

        // The keystroke follows 0.1 s later, not before.
        e.clock.advance(99ms);
        QVERIFY(e.keys.posted.isEmpty());
        e.clock.advance(1ms);
        QCOMPARE(e.keys.posted, QStringList { u"paste"_s });
        QCOMPARE(e.keys.pasteTargets.first(), std::optional<WindowId>(kEditor));

        const int seen = e.snapshotsSeen;
        e.tick();
        QCOMPARE(e.snapshotsSeen, seen);
        QCOMPARE(e.store->itemCount(), 2);
        QCOMPARE(e.first().useCount, 1);
    }

    void pasteWithoutKeystroke_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("pasteAfterSelection");
        QTest::addColumn<bool>("target");
        QTest::newRow("no synthetic keys") << false << true << true;
        QTest::newRow("paste after selection off") << true << false << true;
        QTest::newRow("no window to paste into") << true << true << false;
    }
    void pasteWithoutKeystroke()
    {
        QFETCH(bool, trusted);
        QFETCH(bool, pasteAfterSelection);
        QFETCH(bool, target);
        Engine e;
        e.keys.trusted = trusted;
        if (!target)
            e.paste->setPasteTarget(std::nullopt);
        e.defaults.setBool(keys::pasteAfterSelection, pasteAfterSelection);
        e.copy(u"entry"_s);
        QVERIFY(e.paste->paste(e.first()));
        e.clock.advance(1s);
        QVERIFY(e.keys.posted.isEmpty());
        QCOMPARE(e.pasteboard.items().first().representations.first().second, QByteArray("entry"));
        QCOMPARE(e.first().useCount, 1);
    }

    void pastesSnippets()
    {
        Engine e;
        const SnippetFolder folder { QUuid::createUuid(), u"Work"_s, 0 };
        QVERIFY(e.store->insertFolder(folder));
        const Snippet withData { QUuid::createUuid(), u"Sig"_s, 0, u"text/html"_s, u"Regards"_s, std::nullopt,
            e.clock.now(), folder.id, true };
        const Snippet textOnly { QUuid::createUuid(), u"Text only"_s, 1, u"text/plain"_s, u"not pasted"_s,
            std::nullopt, e.clock.now(), folder.id, false };
        QVERIFY(e.store->insertSnippet(withData, QByteArray("<i>Regards</i>")));
        QVERIFY(e.store->insertSnippet(textOnly, std::nullopt));

        const qint64 count = e.pasteboard.changeCount();
        QVERIFY(!e.paste->pasteSnippet(textOnly));
        QCOMPARE(e.pasteboard.changeCount(), count);

        QVERIFY(e.paste->pasteSnippet(withData));
        QCOMPARE(e.pasteboard.items().first(),
            (PasteboardItem { { { u"text/html"_s, "<i>Regards</i>" }, { types::selfMarker, "" } } }));
        e.clock.advance(100ms);
        QCOMPARE(e.keys.posted, QStringList { u"paste"_s });
        e.tick();
        QCOMPARE(e.store->itemCount(), 0);
    }

    void unpinningPrunesAndRemovingDeletesEvenPinned()
    {
        Engine e;
        e.defaults.setInteger(keys::maxHistorySize, 1);
        e.copy(u"kept"_s);
        QVERIFY(e.history->setPinned(e.first().id, true));
        e.copy(u"newest"_s);
        QCOMPARE(e.store->itemCount(), 2);
        const QUuid kept = e.store->itemsByLastUsed().last().id;
        // Back among the unpinned, the older entry is over the limit.
        QVERIFY(e.history->setPinned(kept, false));
        QCOMPARE(e.titles(), QStringList { u"newest"_s });
        QVERIFY(!e.history->setPinned(kept, true));

        QVERIFY(e.history->setPinned(e.first().id, true));
        QVERIFY(e.history->remove(e.first().id));
        QCOMPARE(e.store->itemCount(), 0);
        QVERIFY(!e.history->remove(kept));
    }

    void clearKeepsPinnedResetRemovesAll()
    {
        Engine e;
        e.copy(u"pinned"_s);
        ClipboardItem pinned = e.first();
        pinned.isPinned = true;
        QVERIFY(e.store->updateItem(pinned));
        e.copy(u"loose"_s);
        const SnippetFolder folder { QUuid::createUuid(), u"F"_s, 0 };
        QVERIFY(e.store->insertFolder(folder));

        e.paste->clearHistory();
        QCOMPARE(e.titles(), QStringList { u"pinned"_s });

        e.paste->resetHistory();
        QCOMPARE(e.store->itemCount(), 0);
        QCOMPARE(e.store->folders().size(), 1);

        // The same content again is new after a reset.
        e.copy(u"pinned"_s);
        QCOMPARE(e.store->itemCount(), 1);
        QCOMPARE(e.first().useCount, 0);
        QVERIFY(e.first().id != pinned.id);
    }

    void excludedSetIsPersistedOnEveryChange()
    {
        Engine e;
        QSignalSpy spy(e.excluded.get(), &ExcludedAppsService::excludedBundleIDsChanged);
        e.excluded->addExcluded(u"b.app"_s);
        e.excluded->addExcluded(u"a.app"_s);
        e.excluded->addExcluded(u"a.app"_s);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(e.defaults.stringList(keys::excludedAppBundleIDs), (QStringList { u"a.app"_s, u"b.app"_s }));
        e.excluded->removeExcluded(u"missing"_s);
        e.excluded->removeExcluded(u"a.app"_s);
        ExcludedAppsService reloaded(e.defaults, e.workspace);
        QCOMPARE(reloaded.excludedBundleIDs(), QSet<QString> { u"b.app"_s });
        QVERIFY(!reloaded.isExcluded(u"B.app"_s)); // exact comparison
    }

    void installedAppsAreListedOnceByName()
    {
        Engine e;
        e.workspace.installed
            = { { u"org.b.Zed"_s, u"zed"_s, {}, {} }, { u"org.a.Alpha"_s, u"Alpha"_s, {}, {} },
                  { u"org.b.Zed"_s, u"Zed again"_s, {}, {} }, { u"org.c.beta"_s, u"beta"_s, {}, {} } };
        const auto apps = e.excluded->installedApps();
        QStringList names;
        for (const auto &app : apps)
            names.append(app.name);
        QCOMPARE(names, (QStringList { u"Alpha"_s, u"beta"_s, u"zed"_s }));
        QVERIFY(!apps.first().icon.isNull());
    }
};

QUILLET_TEST_MAIN(HistoryEngineTest)
#include "HistoryEngineTest.moc"
