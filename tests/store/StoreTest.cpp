#include "store/Store.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace quillet;

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
    item.contentHash = QStringLiteral("hash-") + title;
    return item;
}

// Counts rows through a second connection, as sqlite3 would see the file.
qint64 rowCount(const QString &path, const QString &table)
{
    qint64 count = -1;
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
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
        m_path = m_dir.filePath(QStringLiteral("%1.store").arg(QUuid::createUuid().toString(QUuid::Id128)));
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
    }
    void cleanup() { m_store.reset(); }

    void newStoreRecordsSchemaAndUsesWal()
    {
        QVERIFY(m_store->insertItem(entry(QStringLiteral("a"), 1), std::nullopt, {}));
        QVERIFY(QFileInfo::exists(m_path + QStringLiteral("-wal")));
        m_store.reset();
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
        QCOMPARE(m_store->itemCount(), 1);
        QCOMPARE(
            rowCount(m_path, QStringLiteral("StoreMetadata WHERE key = 'schemaVersion' AND value = '1.0.0'")),
            1);
    }

    void aReaderSeesTheWriterAndChangesNothing()
    {
        QVERIFY(m_store->insertItem(entry(QStringLiteral("a"), 1), std::nullopt, {}));
        QString error;
        auto reader = Store::openReadOnly(m_path, &error);
        QVERIFY2(reader, qPrintable(error));
        QCOMPARE(reader->itemCount(), 1);
        QVERIFY(m_store->insertItem(entry(QStringLiteral("b"), 2), std::nullopt, {}));
        QCOMPARE(reader->itemCount(), 2);
        QVERIFY(!reader->insertItem(entry(QStringLiteral("c"), 3), std::nullopt, {}));
        QCOMPARE(m_store->itemCount(), 2);

        const QString missing = m_dir.filePath(QStringLiteral("missing.store"));
        QVERIFY(!Store::openReadOnly(missing, &error));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void itemRoundTripsWithPayloads()
    {
        ClipboardItem item = entry(QStringLiteral("Hello"), 5);
        item.useCount = 3;
        item.sourceAppBundleID = QStringLiteral("org.gnome.TextEditor");
        item.sourceAppName = QStringLiteral("Text Editor");
        item.createdAt = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
        ClipboardContent png = test::content(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        png.textPreview.reset();
        png.thumbnailData = QByteArray("thumb");
        const ClipboardContent text = test::content(QStringLiteral("text/plain"), "Hello");
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
        ClipboardItem item = entry(QStringLiteral("x"), 1);
        item.contentHash.reset();
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = QStringLiteral("text/html");
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
        const ClipboardItem item = entry(QStringLiteral("needle"), 1);
        QVERIFY(m_store->insertItem(entry(QStringLiteral("hay"), 2), std::nullopt, {}));
        QVERIFY(m_store->insertItem(item, std::nullopt, {}));
        QCOMPARE(m_store->findItemByHash(QStringLiteral("hash-needle"))->id, item.id);
        QCOMPARE(m_store->findItemByHash(QStringLiteral("hash-none")), std::nullopt);
    }

    void listsInTheirOrders()
    {
        QVERIFY(m_store->insertItem(entry(QStringLiteral("old"), 1), std::nullopt, {}));
        QVERIFY(m_store->insertItem(entry(QStringLiteral("pinned"), 5, true), std::nullopt, {}));
        QVERIFY(m_store->insertItem(entry(QStringLiteral("new"), 9), std::nullopt, {}));
        ClipboardItem middle = entry(QStringLiteral("middle"), 3);
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
        QCOMPARE(test::titlesOf(m_store->itemsByLastUsed()).first(), QStringLiteral("middle"));
        QCOMPARE(test::titlesOf(m_store->itemsByCreatedAt().value()),
            (QStringList { "new", "pinned", "middle", "old" }));
    }

    void findsEntriesByTheirSearchText()
    {
        const ClipboardItem match = test::textItem(QStringLiteral("groceries"));
        QVERIFY(
            m_store->insertItem(match, std::nullopt, {}, QStringLiteral("groceries\nmilk\ncafé au lait")));
        QVERIFY(m_store->insertItem(test::textItem(QStringLiteral("other")), std::nullopt, {}, QString()));
        const ClipboardItem unindexed = test::textItem(QStringLiteral("café au lait"));
        QVERIFY(m_store->insertItem(unindexed, std::nullopt, {}));
        QCOMPARE(m_store->itemIdsWithSearchText(QStringLiteral("café au")), QSet<QUuid> { match.id });
        QCOMPARE(m_store->itemIdsWithoutSearchText(10), QList<QUuid> { unindexed.id });
        QVERIFY(m_store->setSearchTexts({ { unindexed.id, QStringLiteral("café au lait") } }));
        QCOMPARE(m_store->itemIdsWithSearchText(QStringLiteral("café au")),
            (QSet<QUuid> { match.id, unindexed.id }));
        QVERIFY(m_store->itemIdsWithoutSearchText(10).isEmpty());
    }

    // A file from before search texts existed gains the column in place and
    // keeps its entries; they wait to be indexed.
    void anOlderFileIsMigratedInPlace()
    {
        const ClipboardItem item = test::insertText(*m_store, QStringLiteral("kept"));
        m_store.reset();
        test::execOnFile(m_path, { QStringLiteral("ALTER TABLE ClipboardItem DROP COLUMN searchText") });
        QString error;
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
        QCOMPARE(m_store->item(item.id), item);
        QCOMPARE(m_store->itemIdsWithoutSearchText(10), QList<QUuid> { item.id });
        QVERIFY(m_store->setSearchTexts({ { item.id, QStringLiteral("kept") } }));
        QCOMPARE(m_store->itemIdsWithSearchText(QStringLiteral("ept")), QSet<QUuid> { item.id });
    }

    void aFailedReadIsNotAnEmptyHistory()
    {
        QCOMPARE(m_store->itemsByCreatedAt(), QList<ClipboardItem>());
        test::breakHistoryTable(*m_store);
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("fetching history entries failed")));
        QCOMPARE(m_store->itemsByCreatedAt(), std::nullopt);
    }

    void deletingEntriesTakesTheirContents()
    {
        const ClipboardItem keep = entry(QStringLiteral("keep"), 1, true);
        const ClipboardItem drop = entry(QStringLiteral("drop"), 2);
        QVERIFY(
            m_store->insertItem(keep, std::nullopt, { test::content(QStringLiteral("text/plain"), "k") }));
        QVERIFY(m_store->insertItem(drop, std::nullopt,
            { test::content(QStringLiteral("text/plain"), "d1"),
                test::content(QStringLiteral("text/plain"), "d2") }));
        QCOMPARE(rowCount(m_path, QStringLiteral("ClipboardContent")), 3);

        QVERIFY(m_store->deleteItems({ drop.id }));
        QCOMPARE(rowCount(m_path, QStringLiteral("ClipboardContent")), 1);
        QVERIFY(m_store->contents(drop.id).isEmpty());

        QVERIFY(m_store->deleteUnpinnedItems());
        QCOMPARE(m_store->itemCount(), 1);
        QVERIFY(m_store->deleteAllItems());
        QCOMPARE(m_store->itemCount(), 0);
        QCOMPARE(rowCount(m_path, QStringLiteral("ClipboardContent")), 0);
    }

    void failedMutationLeavesNothingBehind()
    {
        const ClipboardContent content = test::content(QStringLiteral("text/plain"), "same id twice");
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("inserting a history entry failed")));
        QSignalSpy spy(m_store.get(), &Store::changed);
        QVERIFY(!m_store->insertItem(entry(QStringLiteral("broken"), 1), std::nullopt, { content, content }));
        QCOMPARE(m_store->itemCount(), 0);
        QCOMPARE(rowCount(m_path, QStringLiteral("ClipboardContent")), 0);
        QCOMPARE(spy.count(), 0);
        // The store keeps working afterwards.
        QVERIFY(m_store->insertItem(entry(QStringLiteral("fine"), 2), std::nullopt, { content }));
        QCOMPARE(m_store->itemCount(), 1);
    }

    void changeSignalNamesTheRecordType()
    {
        QSignalSpy spy(m_store.get(), &Store::changed);
        QVERIFY(m_store->insertPrompt({ QUuid::createUuid(), QStringLiteral("p"), QStringLiteral("globe"),
            QStringLiteral("Do it"), 0, at(0) }));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<Store::Record>(), Store::Record::SavedPrompt);
        QVERIFY(m_store->insertFolder(test::snippetFolder(QStringLiteral("f"))));
        QCOMPARE(spy.last().at(0).value<Store::Record>(), Store::Record::SnippetFolder);
    }

    void foldersAndSnippets()
    {
        const SnippetFolder second = test::snippetFolder(QStringLiteral("Second"), 2);
        const SnippetFolder first = test::snippetFolder(QStringLiteral("First"), 1);
        QVERIFY(m_store->insertFolder(second));
        QVERIFY(m_store->insertFolder(first));
        QCOMPARE(m_store->folders(), (QList<SnippetFolder> { first, second }));

        Snippet three = test::textSnippet(QStringLiteral("three"), 3, second.id);
        three.textContent = QStringLiteral("3");
        Snippet one = test::textSnippet(QStringLiteral("one"), 1, second.id);
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
        SavedPrompt five { QUuid::createUuid(), QStringLiteral("five"), QStringLiteral("globe"),
            QStringLiteral("s"), 5, at(0) };
        SavedPrompt zero { QUuid::createUuid(), QStringLiteral("zero"), QStringLiteral("brain"),
            QStringLiteral("s"), 0, at(1), QStringLiteral("Input") };
        QVERIFY(m_store->insertPrompt(five));
        QVERIFY(m_store->insertPrompt(zero));
        QCOMPARE(m_store->savedPrompts(), (QList<SavedPrompt> { zero, five }));
        QCOMPARE(m_store->maxPromptSortOrder(), std::optional<qint64>(5));
        five.name = QStringLiteral("renamed");
        QVERIFY(m_store->updatePrompt(five));
        QCOMPARE(m_store->savedPrompts().last().name, QStringLiteral("renamed"));
        QVERIFY(m_store->deletePrompt(five.id));
        QCOMPARE(m_store->maxPromptSortOrder(), std::optional<qint64>(0));
    }
};

QUILLET_TEST_MAIN(StoreTest)
#include "StoreTest.moc"
