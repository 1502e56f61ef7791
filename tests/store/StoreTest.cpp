#include "store/Store.h"
#include "core/Search.h"
#include "store/HistorySearch.h"
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

// A history in a layout Quillet wrote before (its statements as they were),
// with entries of every kind: 0, every derived value kept in full; 2, those
// values derived on reading, and a search index.
QStringList earlierLayout(int layout)
{
    QStringList statements {
        u"PRAGMA page_size=16384"_s,
        u"PRAGMA auto_vacuum=INCREMENTAL"_s,
        u"CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL)"_s,
        u"INSERT INTO StoreMetadata VALUES ('schemaVersion', '1.0.0')"_s,
        u"CREATE TABLE ClipboardItem (id TEXT PRIMARY KEY NOT NULL, createdAt REAL NOT NULL, lastUsedAt REAL "
        "NOT NULL, useCount INTEGER NOT NULL DEFAULT 0, sourceAppBundleID TEXT, sourceAppName TEXT, title "
        "TEXT "
        "NOT NULL, contentTypeRaw TEXT NOT NULL, isPinned INTEGER NOT NULL DEFAULT 0, contentHash TEXT, "
        "thumbnailData BLOB, searchText TEXT)"_s,
        u"CREATE INDEX ClipboardItem_contentHash ON ClipboardItem (contentHash)"_s,
        u"CREATE INDEX ClipboardItem_isPinned_lastUsedAt ON ClipboardItem (isPinned, lastUsedAt)"_s,
        u"CREATE INDEX ClipboardItem_lastUsedAt ON ClipboardItem (lastUsedAt, id, createdAt, useCount, "
        "sourceAppBundleID, sourceAppName, title, contentTypeRaw, isPinned, contentHash)"_s,
        u"CREATE INDEX ClipboardItem_createdAt ON ClipboardItem (createdAt)"_s,
        u"CREATE TABLE ClipboardContent (id TEXT PRIMARY KEY NOT NULL, item TEXT REFERENCES ClipboardItem "
        u"(id) "
        "ON DELETE CASCADE, utTypeIdentifier TEXT NOT NULL, textPreview TEXT, dataSize INTEGER NOT NULL "
        "DEFAULT "
        "0, data BLOB, thumbnailData BLOB)"_s,
        u"CREATE INDEX ClipboardContent_item ON ClipboardContent (item)"_s,
        u"CREATE TABLE SnippetFolder (id TEXT PRIMARY KEY NOT NULL, name TEXT NOT NULL, sortOrder INTEGER "
        u"NOT "
        "NULL DEFAULT 0)"_s,
        u"CREATE TABLE Snippet (id TEXT PRIMARY KEY NOT NULL, title TEXT NOT NULL, sortOrder INTEGER NOT "
        u"NULL "
        "DEFAULT 0, contentUTType TEXT NOT NULL, textContent TEXT, hotkeyData BLOB, createdAt REAL NOT NULL, "
        "folder TEXT REFERENCES SnippetFolder (id) ON DELETE CASCADE, contentData BLOB)"_s,
        u"CREATE INDEX Snippet_folder ON Snippet (folder)"_s,
        u"CREATE TABLE SavedPrompt (id TEXT PRIMARY KEY NOT NULL, name TEXT NOT NULL, icon TEXT NOT NULL, "
        "systemPrompt TEXT NOT NULL, sortOrder INTEGER NOT NULL DEFAULT 0, createdAt REAL NOT NULL, modeRaw "
        "TEXT "
        "NOT NULL DEFAULT 'Replace')"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000001', 1700000001.5, "
        u"1700000100, 2, "
        "'org.gnome.TextEditor', 'Text Editor', 'Plain', 'plainText', 0, 'hash-plain', NULL, "
        "'plain' || char(10) || 'second line')"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000001', "
        "'A0000000-0000-0000-0000-000000000001', 'text/plain;charset=utf-8', 'Plain' || char(10) || "
        "'Second line', 18, CAST('Plain' || char(10) || 'Second line' AS BLOB), NULL)"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000002', "
        "'A0000000-0000-0000-0000-000000000001', 'text/html', '<b>Plain</b>', 12, "
        "CAST('<b>Plain</b>' AS BLOB), NULL)"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000002', 1700000002, 1700000002, "
        u"0, "
        "NULL, NULL, 'Crème', 'plainText', 0, 'hash-creme', NULL, 'creme')"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000003', "
        "'A0000000-0000-0000-0000-000000000002', 'text/plain;charset=utf-8', 'Crème', 6, "
        "CAST('Crème' AS BLOB), NULL)"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000003', 1700000003, 1700000003, "
        u"0, "
        "NULL, NULL, 'Long', 'plainText', 0, 'hash-long', NULL, lower('Long' || char(10) || "
        "replace(hex(zeroblob(1000)), '00', 'ab') || ' the end'))"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000004', "
        "'A0000000-0000-0000-0000-000000000003', 'text/plain', 'Long' || char(10) || "
        "substr(replace(hex(zeroblob(1000)), '00', 'ab'), 1, 495), 2013, CAST('Long' || char(10) || "
        "replace(hex(zeroblob(1000)), '00', 'ab') || ' the end' AS BLOB), NULL)"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000004', 1700000004, 1700000004, "
        u"0, "
        "NULL, NULL, 'Rich', 'richText', 0, 'hash-rich', NULL, 'rich and bold')"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000005', "
        "'A0000000-0000-0000-0000-000000000004', 'text/rtf', 'Rich and bold', 30, "
        "CAST('{\\rtf1 Rich and {\\b bold}}' AS BLOB), NULL)"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000005', 1700000005, 1700000005, "
        u"0, "
        "NULL, NULL, 'Pinned', 'image', 1, 'hash-pinned', X'89504E47AA', '')"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000006', "
        "'A0000000-0000-0000-0000-000000000005', 'image/png', NULL, 8, X'89504E470D0A1A0A', X'89504E47AA')"_s,
        u"INSERT INTO ClipboardItem VALUES ('A0000000-0000-0000-0000-000000000006', 1700000006, 1700000006, "
        u"0, "
        "NULL, NULL, 'Waiting', 'plainText', 0, 'hash-waiting', NULL, NULL)"_s,
        u"INSERT INTO ClipboardContent VALUES ('C0000000-0000-0000-0000-000000000007', "
        "'A0000000-0000-0000-0000-000000000006', 'text/plain', 'Waiting', 7, CAST('Waiting' AS BLOB), NULL)"_s,
    };
    if (layout == 0)
        return statements;
    statements.replaceInStrings(u"title TEXT NOT NULL"_s, u"title TEXT"_s);
    const QString first = u"(SELECT %1 FROM ClipboardContent AS content WHERE content.item = item.id "
                          "ORDER BY content.rowid LIMIT 1)"_s;
    const QString firstText = first.arg(u"CAST(content.data AS TEXT)"_s);
    return statements
        + QStringList {
              u"UPDATE ClipboardItem AS item SET title = NULL WHERE title = "_s + firstText,
              u"UPDATE ClipboardItem AS item SET searchText = X'' WHERE searchText = lower("_s + firstText
                  + u")"_s,
              u"UPDATE ClipboardItem AS item SET thumbnailData = X'' WHERE thumbnailData = "_s
                  + first.arg(u"content.thumbnailData"_s),
              u"UPDATE ClipboardContent SET textPreview = X'' WHERE textPreview = CAST(data AS TEXT)"_s,
              u"CREATE VIRTUAL TABLE ClipboardItemSearch USING fts5(text, tokenize = 'trigram case_sensitive "
              u"1', "
              "detail = none, content = '')"_s,
              u"CREATE VIEW ClipboardItemSearchText AS SELECT item.rowid AS rowid, item.id AS id, "
              u"item.isPinned AS "
              "isPinned, CASE WHEN typeof(item.searchText) = 'blob' THEN lower("_s
                  + firstText + u") ELSE item.searchText END AS text FROM ClipboardItem AS item"_s,
              u"INSERT INTO ClipboardItemSearch (rowid, text) SELECT rowid, text FROM "
              u"ClipboardItemSearchText "
              "WHERE length(text) BETWEEN 1024 AND 131072"_s,
              u"PRAGMA user_version=2"_s,
          };
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
        // A representation's UUID is its entry's and its place there.
        QVERIFY(contents.at(0).id != contents.at(1).id);
        QCOMPARE(m_store->contents(item.id).at(1).id, contents.at(1).id);
        ClipboardContent expectedPng = png;
        expectedPng.item = item.id;
        expectedPng.id = contents.at(0).id;
        ClipboardContent expectedText = text;
        expectedText.item = item.id;
        expectedText.id = contents.at(1).id;
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

    // What search finds, whatever way an entry's text is kept: short texts
    // are scanned, long ones (from 1,024 characters) found through the index;
    // texts with accents keep a folded copy, plain ASCII ones do not.
    void findsTextsKeptEitherWay_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("short text") << u"ox ju"_s << QStringList { u"short"_s };
        QTest::newRow("very long text") << u"haystack end"_s << QStringList { u"very long"_s };
        QTest::newRow("long text, past the title") << u"needle in"_s << QStringList { u"long"_s };
        QTest::newRow("accents folded, long") << u"creme brulee"_s << QStringList { u"long accented"_s };
        QTest::newRow("accents folded, short") << u"cafe au"_s << QStringList { u"short accented"_s };
        QTest::newRow("shorter than a trigram") << u"q"_s << QStringList { u"short"_s, u"long"_s };
        QTest::newRow("a quote in the query") << u"say \"hi"_s << QStringList { u"long"_s };
        QTest::newRow("a letter that does not fold") << u"straße"_s << QStringList { u"long accented"_s };
        QTest::newRow("nothing") << u"zebra"_s << QStringList {};
    }

    void findsTextsKeptEitherWay()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, found);
        const QString filler = u" lorem ipsum dolor"_s.repeated(80);
        const QList<std::pair<QString, QString>> texts {
            { u"short"_s, u"The quick brown fox jumps"_s },
            { u"long"_s, u"Log start"_s + filler + u" a needle in it, say \"hi\" quietly"_s + filler },
            { u"long accented"_s, u"Menu"_s + filler + u" Crème brûlée, Müsli, Straße"_s + filler },
            { u"short accented"_s, u"Café au lait"_s },
            { u"very long"_s, u"Dump "_s + u"haystack "_s.repeated(20000) + u"end"_s },
            { u"picture"_s, QString() },
        };
        QHash<QUuid, QString> names;
        for (const auto &[name, text] : texts) {
            const ClipboardItem item = test::textItem(name);
            const ClipboardContent content = text.isEmpty() ? test::content(u"image/png"_s, "\x89PNG")
                                                            : test::content(u"text/plain"_s, text.toUtf8());
            QVERIFY(m_store->insertItem(item, std::nullopt, { content }, foldForSearch(text)));
            names.insert(item.id, name);
        }
        // Entries removed again must leave the index as they entered it.
        const ClipboardItem gone = test::textItem(u"gone"_s);
        QVERIFY(m_store->insertItem(gone, std::nullopt, {}, u"needle in"_s.repeated(200)));
        QVERIFY(m_store->deleteItems({ gone.id }));

        QStringList matched;
        for (const QUuid &id : m_store->itemIdsWithSearchText(foldForSearch(query)))
            matched.append(names.value(id));
        matched.sort();
        found.sort();
        QCOMPARE(matched, found);
        HistorySearch search(*m_store);
        QSignalSpy spy(&search, &HistorySearch::found);
        search.start(foldForSearch(query));
        QVERIFY(spy.wait());
        QCOMPARE(
            spy.first().at(1).value<QSet<QUuid>>(), m_store->itemIdsWithSearchText(foldForSearch(query)));
        QVERIFY(!search.isRunning());
    }

    // Typing on while a search runs: only the latest query is answered. The
    // worker takes queries in order, so an answer to an earlier one would
    // come first.
    void aNewerQuerySupersedesTheRunningOne()
    {
        const ClipboardItem item = test::insertText(*m_store, u"apple pie"_s);
        HistorySearch search(*m_store);
        QSignalSpy spy(&search, &HistorySearch::found);
        search.start(u"apple"_s);
        search.start(u"pie"_s);
        QVERIFY(spy.wait());
        QCOMPARE(spy.first().at(0).toString(), u"pie"_s);
        QCOMPARE(spy.first().at(1).value<QSet<QUuid>>(), QSet<QUuid> { item.id });
        search.start(u"apple"_s);
        search.cancel();
        search.start(u"zebra"_s);
        QVERIFY(spy.wait());
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.last().at(0).toString(), u"zebra"_s);
    }

    // A file of an earlier layout is converted once on opening, away from
    // the caller, into the pages of a new file, and reads exactly as before;
    // entries not yet given a search text still wait.
    void anEarlierLayoutIsConvertedWithoutLoss_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("values kept in full") << 0;
        QTest::newRow("values derived, text keys") << 2;
    }
    void anEarlierLayoutIsConvertedWithoutLoss()
    {
        QFETCH(int, layout);
        m_store.reset();
        QFile::remove(m_path);
        test::execOnFile(m_path, earlierLayout(layout));
        QString error;
        QVERIFY(!Store::openReadOnly(m_path, &error));
        QVERIFY(error.contains(u"earlier format"_s));
        m_store = Store::open(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
        QVERIFY(!m_store->isAvailable()); // converting
        QTRY_VERIFY(m_store->isAvailable());
        QCOMPARE(rowCount(m_path, u"pragma_page_size WHERE page_size = 4096"_s), 1);

        const QList<ClipboardItem> items = m_store->itemsByCreatedAt().value();
        QCOMPARE(test::titlesOf(items),
            (QStringList { u"Waiting"_s, u"Pinned"_s, u"Rich"_s, u"Long"_s, u"Crème"_s, u"Plain"_s }));
        const auto idOf
            = [&](const QString &title) { return items.at(test::titlesOf(items).indexOf(title)).id; };
        const ClipboardItem plain = *m_store->item(idOf(u"Plain"_s));
        QCOMPARE(plain.id, QUuid::fromString(u"A0000000-0000-0000-0000-000000000001"_s));
        QCOMPARE(plain.useCount, 2);
        QCOMPARE(plain.lastUsedAt, at(100));
        QCOMPARE(plain.sourceAppName, u"Text Editor"_s);
        QCOMPARE(plain.contentHash, u"hash-plain"_s);
        const QList<ClipboardContent> contents = m_store->contents(plain.id);
        QCOMPARE(contents.size(), 2);
        QCOMPARE(contents.at(0).data, QByteArray("Plain\nSecond line"));
        QCOMPARE(contents.at(0).textPreview, u"Plain\nSecond line"_s);
        QCOMPARE(contents.at(1).utTypeIdentifier, u"text/html"_s);
        QCOMPARE(contents.at(1).dataSize, 12);
        QCOMPARE(m_store->contents(idOf(u"Crème"_s)).value(0).textPreview, u"Crème"_s);
        QCOMPARE(m_store->contents(idOf(u"Pinned"_s)).value(0).textPreview, std::nullopt);
        QCOMPARE(m_store->itemThumbnail(idOf(u"Pinned"_s)), QByteArray::fromHex("89504E47AA"));
        QCOMPARE(m_store->itemThumbnail(idOf(u"Plain"_s)), std::nullopt);

        QCOMPARE(m_store->itemIdsWithSearchText(u"second line"_s), QSet<QUuid> { idOf(u"Plain"_s) });
        QCOMPARE(m_store->itemIdsWithSearchText(u"creme"_s), QSet<QUuid> { idOf(u"Crème"_s) });
        QCOMPARE(m_store->itemIdsWithSearchText(u"the end"_s), QSet<QUuid> { idOf(u"Long"_s) });
        QCOMPARE(m_store->itemIdsWithSearchText(u"bold"_s), QSet<QUuid> { idOf(u"Rich"_s) });
        QCOMPARE(m_store->itemIdsWithoutSearchText(10), QList<QUuid> { idOf(u"Waiting"_s) });
        QVERIFY(m_store->item(idOf(u"Pinned"_s))->isPinned);
        QCOMPARE(m_store->findItemByHash(u"hash-long"_s)->title, u"Long"_s);
        // The converted file works as a new one does.
        QVERIFY(m_store->deleteItems({ idOf(u"Long"_s) }));
        QVERIFY(m_store->itemIdsWithSearchText(u"the end"_s).isEmpty());
        QVERIFY(m_store->setSearchTexts({ { idOf(u"Waiting"_s), u"waiting text"_s } }));
        QCOMPARE(m_store->itemIdsWithSearchText(u"ing tex"_s), QSet<QUuid> { idOf(u"Waiting"_s) });
    }

    // A conversion stopped before its rewrite leaves the new layout in the
    // old pages: the next start rewrites them, keeping every entry.
    void pagesOfAnotherSizeAreRewritten()
    {
        QVERIFY(m_store->insertItem(
            entry(u"kept"_s, 1), std::nullopt, { test::content(u"text/plain"_s, "kept") }));
        m_store.reset();
        test::execOnFile(
            m_path, { u"PRAGMA journal_mode=DELETE"_s, u"PRAGMA page_size=16384"_s, u"VACUUM"_s });
        QCOMPARE(rowCount(m_path, u"pragma_page_size WHERE page_size = 16384"_s), 1);
        m_store = Store::open(m_path, nullptr);
        QTRY_VERIFY(m_store->isAvailable());
        QCOMPARE(rowCount(m_path, u"pragma_page_size WHERE page_size = 4096"_s), 1);
        QCOMPARE(test::historyTitles(*m_store), QStringList { u"kept"_s });
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
        // The entry's row fits; its large representation does not.
        const ClipboardContent content = test::content(u"text/plain"_s, QByteArray(256 * 1024, 'x'));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"inserting a history entry failed"_s));
        QSignalSpy spy(m_store.get(), &Store::changed);
        test::capPages(*m_store, true);
        QVERIFY(!m_store->insertItem(entry(u"broken"_s, 1), std::nullopt, { content }));
        test::capPages(*m_store, false);
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
