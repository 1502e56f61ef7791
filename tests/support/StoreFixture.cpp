#include "support/StoreFixture.h"

#include "core/Search.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTimeZone>

namespace quillet::test {

namespace {
const QDateTime kNow = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
}

TempStore::TempStore()
{
    QString error;
    m_store = Store::open(m_dir.filePath(QStringLiteral("Quillet.store")), &error);
    if (!m_store)
        qFatal("cannot open a test store: %s", qPrintable(error));
}

TempStore::~TempStore() = default;

void capPages(Store &store, bool capped)
{
    // The store's main connection: the one named after no helper.
    static const QRegularExpression mainConnection(QStringLiteral("^quillet-store-\\d+$"));
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!mainConnection.match(name).hasMatch() || db.databaseName() != store.path())
            continue;
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA page_count"));
        const qint64 pages = query.next() ? query.value(0).toLongLong() : 0;
        query.finish();
        query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(capped ? pages : 0xfffffffe));
    }
}

FileLock::FileLock(const QString &path, bool readersToo)
    : m_connection(QStringLiteral("test-lock-") + QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    if (!db.open())
        qFatal("cannot open %s to lock it", qPrintable(path));
    QSqlQuery query(db);
    const bool locked = (!readersToo || query.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")))
        && query.exec(readersToo ? QStringLiteral("BEGIN EXCLUSIVE") : QStringLiteral("BEGIN IMMEDIATE"))
        // A write takes the lock for certain, also in exclusive locking mode.
        && query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS TestLock (x)"));
    if (!locked)
        qFatal("cannot lock %s: %s", qPrintable(path), qPrintable(query.lastError().text()));
}

FileLock::~FileLock()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

ClipboardItem textItem(const QString &title, qint64 secondsAgo, bool pinned)
{
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.createdAt = item.lastUsedAt = kNow.addSecs(-secondsAgo);
    item.title = title;
    item.contentTypeRaw = QStringLiteral("plainText");
    item.isPinned = pinned;
    return item;
}

ClipboardContent content(const QString &type, const QByteArray &data)
{
    ClipboardContent content;
    content.id = QUuid::createUuid();
    content.utTypeIdentifier = type;
    content.data = data;
    content.dataSize = data.size();
    return content;
}

ClipboardItem insertText(Store &store, const QString &title, qint64 secondsAgo, bool pinned)
{
    const ClipboardItem item = textItem(title, secondsAgo, pinned);
    ClipboardContent text = content(QStringLiteral("text/plain"), title.toUtf8());
    text.textPreview = title;
    if (!store.insertItem(item, std::nullopt, { text }, foldForSearch(title)))
        qFatal("cannot insert a test entry");
    return item;
}

void fillHistory(Store &store, int count, int firstNumber)
{
    const int last = firstNumber + count - 1;
    for (int n = firstNumber; n <= last; ++n)
        insertText(store, QStringLiteral("Entry %1").arg(n), last - n);
}

SnippetFolder snippetFolder(const QString &name, qint64 order)
{
    return { QUuid::createUuid(), name, order };
}

Snippet textSnippet(const QString &title, qint64 order, std::optional<QUuid> folder)
{
    Snippet snippet;
    snippet.id = QUuid::createUuid();
    snippet.title = title;
    snippet.sortOrder = order;
    snippet.contentUTType = QStringLiteral("text/plain");
    snippet.createdAt = kNow;
    snippet.folder = folder;
    return snippet;
}

Snippet insertSnippet(
    Store &store, const QString &title, const QString &text, qint64 order, std::optional<QUuid> folder)
{
    Snippet snippet = textSnippet(title, order, folder);
    snippet.textContent = text;
    snippet.hasContentData = true;
    if (!store.insertSnippet(snippet, text.toUtf8()))
        qFatal("cannot insert a test snippet");
    return snippet;
}

void execOnFile(const QString &path, const QStringList &statements)
{
    const QString name = QStringLiteral("quillet-test-outsider");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                qFatal("%s failed: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(name);
}

void breakHistoryTable(Store &store)
{
    execOnFile(store.path(), { QStringLiteral("ALTER TABLE ClipboardItem RENAME TO Elsewhere") });
}

QStringList historyTitles(Store &store)
{
    return titlesOf(store.itemsByLastUsed());
}

} // namespace quillet::test
