#include "store/Store.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace quillet;
using namespace Qt::StringLiterals;

namespace {

QDateTime at(int seconds)
{
    return QDateTime::fromSecsSinceEpoch(1'700'000'000 + seconds, Qt::UTC);
}

// An entry last used `lastUsed` seconds into the test's timeline (later is
// newer), with a content hash of its own.
ClipboardItem entry(const QString &title, int lastUsed, bool pinned = false)
{
    ClipboardItem item = test::textItem(title, 0, pinned);
    item.createdAt = item.lastUsedAt = at(lastUsed);
    item.contentHash = u"hash-"_s + title;
    return item;
}

// Counts rows through a second connection, as sqlite3 would see the file.
qint64 rowCount(const QString &path, const QString &table)
{
    qint64 count = -1;
    {
        auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"probe"_s);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(u"SELECT COUNT(*) FROM "_s + table) && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(u"probe"_s);
    return count;
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Store> m_store;
    QString m_path;

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(u"%1.store"_s.arg(QUuid::createUuid().toString(QUuid::Id128)));
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
    }
    void cleanup() { m_store.reset(); }

    // A clear gives the space back: in a new store at once, in an older one
    // once it has been converted.
    void clearingGivesTheSpaceBack_data()
    {
        QTest::addColumn<bool>("older");
        QTest::newRow("new store") << false;
        QTest::newRow("older store, converted") << true;
    }
    void clearingGivesTheSpaceBack()
    {
        QFETCH(bool, older);
        if (older) {
            m_store.reset();
            test::execOnFile(m_path, { u"PRAGMA auto_vacuum=NONE"_s, u"VACUUM"_s });
            QCOMPARE(rowCount(m_path, u"pragma_auto_vacuum WHERE auto_vacuum = 0"_s), 1);
            m_store = Store::open(m_path, nullptr);
            m_store->convertToIncrementalVacuum();
            QVERIFY(QTest::qWaitFor(
                [&] { return rowCount(m_path, u"pragma_auto_vacuum WHERE auto_vacuum = 2"_s) == 1; }));
        }
        for (int n = 0; n < 3; ++n)
            QVERIFY(m_store->insertItem(entry(QString::number(n), n), std::nullopt,
                { test::content(u"text/plain"_s, QByteArray(1024 * 1024, char('a' + n))) }));
        const qint64 full = m_store->sizeOnDisk();
        QVERIFY(m_store->deleteUnpinnedItems());
        QVERIFY(QTest::qWaitFor([&] { return m_store->sizeOnDisk() < full / 4; }));
    }

    void newStoreRecordsSchemaAndUsesWal()
    {
        QVERIFY(m_store->insertItem(entry(u"a"_s, 1), std::nullopt, {}));
        QVERIFY(QFileInfo::exists(m_path + u"-wal"_s));
        m_store.reset();
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
        QCOMPARE(m_store->itemCount(), 1);
        QCOMPARE(rowCount(m_path, u"StoreMetadata WHERE key = 'schemaVersion' AND value = '1.0.0'"_s), 1);
    }

    // A large copy fills the log; it is copied back in the background and the
    // log shrinks again, instead of staying large (which would ask for a
    // checkpoint after every later commit).
    void theLogShrinksAfterALargeCopy()
    {
        const QString wal = m_path + u"-wal"_s;
        QVERIFY(m_store->insertItem(
            entry(u"big"_s, 1), std::nullopt, { test::content(u"image/png"_s, QByteArray(6 << 20, 'x')) }));
        QVERIFY(QFileInfo(wal).size() > 4 << 20);
        int n = 0;
        QTRY_VERIFY_WITH_TIMEOUT(m_store->insertItem(entry(u"small %1"_s.arg(++n), 2), std::nullopt, {})
                && QFileInfo(wal).size() < 4 << 20,
            10000);
    }

    void aReaderSeesTheWriterAndChangesNothing()
    {
        QVERIFY(m_store->insertItem(entry(u"a"_s, 1), std::nullopt, {}));
        QString error;
        auto reader = Store::openReadOnly(m_path, &error);
        QVERIFY2(reader, qPrintable(error));
        QCOMPARE(reader->itemCount(), 1);
        QVERIFY(m_store->insertItem(entry(u"b"_s, 2), std::nullopt, {}));
        QCOMPARE(reader->itemCount(), 2);
        QVERIFY(!reader->insertItem(entry(u"c"_s, 3), std::nullopt, {}));
        QCOMPARE(m_store->itemCount(), 2);

        const QString missing = m_dir.filePath(u"missing.store"_s);
        QVERIFY(!Store::openReadOnly(missing, &error));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void itemRoundTripsWithPayloads()
    {
        ClipboardItem item = entry(u"Hello"_s, 5);
        item.useCount = 3;
        item.sourceAppBundleID = u"org.gnome.TextEditor"_s;
        item.sourceAppName = u"Text Editor"_s;
        item.createdAt = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
        ClipboardContent png = test::content(u"image/png"_s, QByteArray("\x89PNG", 4));
        png.textPreview.reset();
        png.thumbnailData = QByteArray("thumb");
        const ClipboardContent text = test::content(u"text/plain"_s, "Hello");
        QVERIFY(m_store->insertItem(item, QByteArray("item-thumb"), { png, text }));

        const auto stored = m_store->item(item.id);
        QVERIFY(stored);
        QCOMPARE(*stored, item);
        QCOMPARE(m_store->itemThumbnail(item.id), std::optional<QByteArray>("item-thumb"));

        const auto contents = m_store->contents(item.id);
        QCOMPARE(contents.size(), 2);
        ClipboardContent expectedPng = png;
        expectedPng.item = item.id;
        ClipboardContent expectedText = text;
        expectedText.item = item.id;
        QCOMPARE(contents.at(0), expectedPng);
        QCOMPARE(contents.at(1), expectedText);
    }

    void absentOptionalsStayAbsent()
    {
        ClipboardItem item = entry(u"x"_s, 1);
        item.contentHash.reset();
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = u"text/html"_s;
        QVERIFY(m_store->insertItem(item, std::nullopt, { content }));
        QCOMPARE(m_store->item(item.id)->sourceAppName, std::nullopt);
        QCOMPARE(m_store->item(item.id)->contentHash, std::nullopt);
        QCOMPARE(m_store->itemThumbnail(item.id), std::nullopt);
        const auto contents = m_store->contents(item.id);
        QCOMPARE(contents.size(), 1);
        QCOMPARE(contents.first().data, std::nullopt);
        QCOMPARE(contents.first().textPreview, std::nullopt);
        QCOMPARE(contents.first().dataSize, 0);
    }

    void emptyTextsAreTextsNotNulls()
    {
        // A copy of blank lines has an empty title; it must still be stored.
        ClipboardItem item = entry(QString(), 1);
        QVERIFY(m_store->insertItem(item, std::nullopt, {}));
        QCOMPARE(m_store->item(item.id)->title, QString(""));
        QVERIFY(m_store->insertPrompt({ QUuid::createUuid(), QString(), QString(), QString(), 0, at(0) }));
    }

    void findsByHash()
    {
        const ClipboardItem item = entry(u"needle"_s, 1);
        QVERIFY(m_store->insertItem(entry(u"hay"_s, 2), std::nullopt, {}));
        QVERIFY(m_store->insertItem(item, std::nullopt, {}));
        QCOMPARE(m_store->findItemByHash(u"hash-needle"_s)->id, item.id);
        QCOMPARE(m_store->findItemByHash(u"hash-none"_s), std::nullopt);
    }

    void listsInTheirOrders()
    {
        QVERIFY(m_store->insertItem(entry(u"old"_s, 1), std::nullopt, {}));
        QVERIFY(m_store->insertItem(entry(u"pinned"_s, 5, true), std::nullopt, {}));
        QVERIFY(m_store->insertItem(entry(u"new"_s, 9), std::nullopt, {}));
        ClipboardItem middle = entry(u"middle"_s, 3);
        QVERIFY(m_store->insertItem(middle, std::nullopt, {}));

        QCOMPARE(
            test::titlesOf(m_store->itemsByLastUsed()), (QStringList { "new", "pinned", "middle", "old" }));
        QCOMPARE(test::titlesOf(m_store->itemsByLastUsed(2)), (QStringList { "new", "pinned" }));
        QCOMPARE(
            test::titlesOf(m_store->unpinnedItemsByLastUsed()), (QStringList { "new", "middle", "old" }));
        QCOMPARE(test::titlesOf(m_store->unpinnedItemsByLastUsed(2)), QStringList { "old" });
        QVERIFY(m_store->unpinnedItemsByLastUsed(10).isEmpty());

        // A refresh moves the entry without changing when it was created.
        middle.lastUsedAt = at(20);
        middle.useCount = 1;
        QVERIFY(m_store->updateItem(middle));
        QCOMPARE(test::titlesOf(m_store->itemsByLastUsed()).first(), u"middle"_s);
        QCOMPARE(test::titlesOf(m_store->itemsByCreatedAt().value()),
            (QStringList { "new", "pinned", "middle", "old" }));
    }

    void findsEntriesByTheirSearchText()
    {
        const ClipboardItem match = test::textItem(u"groceries"_s);
        QVERIFY(m_store->insertItem(match, std::nullopt, {}, u"groceries\nmilk\ncafé au lait"_s));
        QVERIFY(m_store->insertItem(test::textItem(u"other"_s), std::nullopt, {}, QString()));
        const ClipboardItem unindexed = test::textItem(u"café au lait"_s);
        QVERIFY(m_store->insertItem(unindexed, std::nullopt, {}));
        QCOMPARE(m_store->itemIdsWithSearchText(u"café au"_s), QSet<QUuid> { match.id });
        QCOMPARE(m_store->itemIdsWithoutSearchText(10), QList<QUuid> { unindexed.id });
        QVERIFY(m_store->setSearchTexts({ { unindexed.id, u"café au lait"_s } }));
        QCOMPARE(m_store->itemIdsWithSearchText(u"café au"_s), (QSet<QUuid> { match.id, unindexed.id }));
        QVERIFY(m_store->itemIdsWithoutSearchText(10).isEmpty());
    }

    // A file from before search texts existed gains the column in place and
    // keeps its entries; they wait to be indexed.
    void anOlderFileIsMigratedInPlace()
    {
        const ClipboardItem item = test::insertText(*m_store, u"kept"_s);
        m_store.reset();
        test::execOnFile(m_path, { u"ALTER TABLE ClipboardItem DROP COLUMN searchText"_s });
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
        QCOMPARE(m_store->item(item.id), item);
        QCOMPARE(m_store->itemIdsWithoutSearchText(10), QList<QUuid> { item.id });
        QVERIFY(m_store->setSearchTexts({ { item.id, u"kept"_s } }));
        QCOMPARE(m_store->itemIdsWithSearchText(u"ept"_s), QSet<QUuid> { item.id });
    }

    void aFailedReadIsNotAnEmptyHistory()
    {
        QCOMPARE(m_store->itemsByCreatedAt(), QList<ClipboardItem>());
        test::breakHistoryTable(*m_store);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"fetching history entries failed"_s));
        QCOMPARE(m_store->itemsByCreatedAt(), std::nullopt);
    }

    void deletingEntriesTakesTheirContents()
    {
        const ClipboardItem keep = entry(u"keep"_s, 1, true);
        const ClipboardItem drop = entry(u"drop"_s, 2);
        QVERIFY(m_store->insertItem(keep, std::nullopt, { test::content(u"text/plain"_s, "k") }));
        QVERIFY(m_store->insertItem(drop, std::nullopt,
            { test::content(u"text/plain"_s, "d1"), test::content(u"text/plain"_s, "d2") }));
        QCOMPARE(rowCount(m_path, u"ClipboardContent"_s), 3);

        QVERIFY(m_store->deleteItems({ drop.id }));
        QCOMPARE(rowCount(m_path, u"ClipboardContent"_s), 1);
        QVERIFY(m_store->contents(drop.id).isEmpty());

        QVERIFY(m_store->deleteUnpinnedItems());
        QCOMPARE(m_store->itemCount(), 1);
        QVERIFY(m_store->deleteAllItems());
        QCOMPARE(m_store->itemCount(), 0);
        QCOMPARE(rowCount(m_path, u"ClipboardContent"_s), 0);
    }

    void removedEntriesComeBackAsTheyWere()
    {
        const ClipboardItem pinned = entry(u"pinned"_s, 1, true), older = entry(u"older"_s, 2),
                            newer = entry(u"newer"_s, 3);
        for (const ClipboardItem &item : { pinned, older, newer })
            QVERIFY(
                m_store->insertItem(item, "thumb", { test::content(u"text/plain"_s, "bytes") }, item.title));
        QCOMPARE(m_store->deleteItemsKeepingThem({ pinned.id }), 1);
        QCOMPARE(m_store->deleteUnpinnedItemsKeepingThem(), 2); // replaces what was kept
        ClipboardItem again = entry(u"again"_s, 4); // a new copy of a kept entry's content
        again.contentHash = newer.contentHash;
        QVERIFY(m_store->insertItem(again, std::nullopt, {}));
        QCOMPARE(m_store->restoreKeptItems(), 1);
        QCOMPARE(test::historyTitles(*m_store), (QStringList { u"again"_s, u"older"_s }));
        QCOMPARE(m_store->itemThumbnail(older.id), QByteArray("thumb"));
        QCOMPARE(m_store->contents(older.id).first().data, QByteArray("bytes"));
        QCOMPARE(m_store->itemIdsWithSearchText(u"older"_s), QSet<QUuid> { older.id });
        QCOMPARE(m_store->restoreKeptItems(), 0); // brought back once
        QCOMPARE(m_store->deleteItemsKeepingThem({ older.id }), 1);
        m_store->forgetKeptItems();
        QCOMPARE(m_store->restoreKeptItems(), 0);
    }

    void failedMutationLeavesNothingBehind()
    {
        const ClipboardContent content = test::content(u"text/plain"_s, "same id twice");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"inserting a history entry failed"_s));
        QSignalSpy spy(m_store.get(), &Store::changed);
        QVERIFY(!m_store->insertItem(entry(u"broken"_s, 1), std::nullopt, { content, content }));
        QCOMPARE(m_store->itemCount(), 0);
        QCOMPARE(rowCount(m_path, u"ClipboardContent"_s), 0);
        QCOMPARE(spy.count(), 0);
        // The store keeps working afterwards.
        QVERIFY(m_store->insertItem(entry(u"fine"_s, 2), std::nullopt, { content }));
        QCOMPARE(m_store->itemCount(), 1);
    }

    void changeSignalNamesTheRecordType()
    {
        QSignalSpy spy(m_store.get(), &Store::changed);
        QVERIFY(m_store->insertPrompt({ QUuid::createUuid(), u"p"_s, u"globe"_s, u"Do it"_s, 0, at(0) }));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<Store::Record>(), Store::Record::SavedPrompt);
        QVERIFY(m_store->insertFolder(test::snippetFolder(u"f"_s)));
        QCOMPARE(spy.last().at(0).value<Store::Record>(), Store::Record::SnippetFolder);
    }

    void foldersAndSnippets()
    {
        const SnippetFolder second = test::snippetFolder(u"Second"_s, 2);
        const SnippetFolder first = test::snippetFolder(u"First"_s, 1);
        QVERIFY(m_store->insertFolder(second));
        QVERIFY(m_store->insertFolder(first));
        QCOMPARE(m_store->folders(), (QList<SnippetFolder> { first, second }));

        Snippet three = test::textSnippet(u"three"_s, 3, second.id);
        three.textContent = u"3"_s;
        Snippet one = test::textSnippet(u"one"_s, 1, second.id);
        one.hotkeyData = QByteArray("hk");
        QVERIFY(m_store->insertSnippet(three, QByteArray("3")));
        QVERIFY(m_store->insertSnippet(one, std::nullopt));
        three.hasContentData = true;
        QCOMPARE(m_store->snippets(second.id), (QList<Snippet> { one, three }));
        QCOMPARE(m_store->snippetContentData(three.id), std::optional<QByteArray>("3"));
        QCOMPARE(m_store->snippetContentData(one.id), std::nullopt);
        QVERIFY(m_store->snippets(first.id).isEmpty());

        QVERIFY(m_store->deleteFolder(second.id));
        QVERIFY(m_store->allSnippets().isEmpty());
        QCOMPARE(m_store->folders(), QList<SnippetFolder> { first });
    }

    void savedPromptsBySortOrder()
    {
        QCOMPARE(m_store->maxPromptSortOrder(), std::nullopt);
        SavedPrompt five { QUuid::createUuid(), u"five"_s, u"globe"_s, u"s"_s, 5, at(0) };
        SavedPrompt zero { QUuid::createUuid(), u"zero"_s, u"brain"_s, u"s"_s, 0, at(1), u"Input"_s };
        QVERIFY(m_store->insertPrompt(five));
        QVERIFY(m_store->insertPrompt(zero));
        QCOMPARE(m_store->savedPrompts(), (QList<SavedPrompt> { zero, five }));
        QCOMPARE(m_store->maxPromptSortOrder(), std::optional<qint64>(5));
        five.name = u"renamed"_s;
        QVERIFY(m_store->updatePrompt(five));
        QCOMPARE(m_store->savedPrompts().last().name, u"renamed"_s);
        QVERIFY(m_store->deletePrompt(five.id));
        QCOMPARE(m_store->maxPromptSortOrder(), std::optional<qint64>(0));
    }
};

QUILLET_TEST_MAIN(StoreTest)
#include "StoreTest.moc"
