#include "store/Store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFuture>
#include <QLoggingCategory>
#include <QPromise>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimeZone>

#include <atomic>
#include <span>

#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcStore, "quillet.store")

namespace quillet {

const QString Store::schemaVersion = QStringLiteral("1.0.0");

namespace {

// Tables and columns are named after the record types and their properties so
// that `sqlite3 Quillet.store` explains itself. Payload columns come last:
// SQLite keeps large values in overflow pages that a query reading only the
// earlier columns never touches.
//
// The history holds thousands of rows, so its keys are kept small: an
// entry's UUID as its 16 bytes and a SHA-256 content hash as its 32 (any
// other hash as text); representations refer to their entry by its number,
// and a representation's own UUID is derived from its entry and position.
//
// A text is kept once. Values derived from an entry's text are stored only
// where they differ from what can be derived again when they are read:
// - ClipboardItem.title NULL: the title is the text of the entry's first
//   representation;
// - ClipboardItem.searchText X'' (an empty blob): the search text is the
//   lower-case text of the first representation, which is plain ASCII; NULL:
//   the entry has not been given a search text yet;
// - ClipboardItem.thumbnailData X'': the thumbnail of the first
//   representation that has one;
// - ClipboardContent.textPreview X'': the preview is the whole text of the
//   representation.
//
// Long search texts are indexed by trigrams (ClipboardItemSearch, keyed by
// ClipboardItem.rowid); the index holds no text of its own, so every match
// it suggests is checked against the text itself. Short and very long
// ones are scanned.
constexpr const char *kHistorySchema[] = {
    "CREATE TABLE ClipboardItem ("
    " number INTEGER PRIMARY KEY,"
    " id BLOB UNIQUE NOT NULL,"
    " createdAt REAL NOT NULL,"
    " lastUsedAt REAL NOT NULL,"
    " useCount INTEGER NOT NULL DEFAULT 0,"
    " sourceAppBundleID TEXT,"
    " sourceAppName TEXT,"
    " title TEXT,"
    " contentTypeRaw TEXT NOT NULL,"
    " isPinned INTEGER NOT NULL DEFAULT 0,"
    " contentHash BLOB,"
    " thumbnailData BLOB,"
    " searchText TEXT)",
    // A hash is looked up by its first 8 bytes, then compared whole.
    "CREATE INDEX ClipboardItem_contentHash ON ClipboardItem (substr(contentHash, 1, 8))",
    // Both newest-first lists walk this index (pinned and unpinned merged).
    "CREATE INDEX ClipboardItem_isPinned_lastUsedAt ON ClipboardItem (isPinned, lastUsedAt)",
    // A handful of type names, each kept once.
    "CREATE TABLE UTTypeIdentifier (number INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL)",
    // Representations are only ever read by their entry, in insertion order.
    "CREATE TABLE ClipboardContent ("
    " item INTEGER NOT NULL REFERENCES ClipboardItem (number) ON DELETE CASCADE,"
    " utTypeIdentifier INTEGER NOT NULL REFERENCES UTTypeIdentifier (number),"
    " textPreview TEXT,"
    " dataSize INTEGER NOT NULL DEFAULT 0,"
    " data BLOB,"
    " thumbnailData BLOB)",
    "CREATE INDEX ClipboardContent_item ON ClipboardContent (item)",
    // The texts are folded before they are indexed: this SQLite's trigram
    // tokenizer cannot drop accents itself.
    "CREATE VIRTUAL TABLE ClipboardItemSearch USING fts5(text, tokenize = 'trigram case_sensitive 1', "
    "detail = none, content = '')",
    "CREATE VIEW ClipboardItemSearchText AS SELECT item.rowid AS rowid, item.id AS id, item.isPinned AS "
    "isPinned,"
    " CASE WHEN typeof(item.searchText) = 'blob' THEN (SELECT lower(CAST(content.data AS TEXT))"
    " FROM ClipboardContent AS content WHERE content.item = item.number ORDER BY content.rowid LIMIT 1)"
    " ELSE item.searchText END AS text FROM ClipboardItem AS item",
};

constexpr const char *kOtherSchema[] = {
    "CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL)",
    "CREATE TABLE SnippetFolder ("
    " id TEXT PRIMARY KEY NOT NULL,"
    " name TEXT NOT NULL,"
    " sortOrder INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE Snippet ("
    " id TEXT PRIMARY KEY NOT NULL,"
    " title TEXT NOT NULL,"
    " sortOrder INTEGER NOT NULL DEFAULT 0,"
    " contentUTType TEXT NOT NULL,"
    " textContent TEXT,"
    " hotkeyData BLOB,"
    " createdAt REAL NOT NULL,"
    " folder TEXT REFERENCES SnippetFolder (id) ON DELETE CASCADE,"
    " contentData BLOB)",
    "CREATE INDEX Snippet_folder ON Snippet (folder)",
    "CREATE TABLE SavedPrompt ("
    " id TEXT PRIMARY KEY NOT NULL,"
    " name TEXT NOT NULL,"
    " icon TEXT NOT NULL,"
    " systemPrompt TEXT NOT NULL,"
    " sortOrder INTEGER NOT NULL DEFAULT 0,"
    " createdAt REAL NOT NULL,"
    " modeRaw TEXT NOT NULL DEFAULT 'Replace')",
};

// PRAGMA user_version of a file with the layout above; files made before
// have 0 or 2 and are converted once (Store::startCompaction).
constexpr int kCompactLayout = 3;
// Pages of a new or converted file: a short text takes a few hundred bytes,
// and each table and index of a small history fills one page.
constexpr int kPageSize = 4096;

// Search texts of this many characters are in the trigram index: shorter
// ones are scanned as fast as the index is read, and longer ones (rare) are
// scanned rather than make their copy wait for their trigrams.
#define INDEXED_LENGTH "length(text) BETWEEN 1024 AND 131072"

#define FIRST_TEXT(column)                                                                                   \
    "(SELECT " column " FROM ClipboardContent AS content WHERE content.item = ClipboardItem.number "         \
    "ORDER BY content.rowid LIMIT 1)"

#define ITEM_SELECT                                                                                          \
    "SELECT id, createdAt, lastUsedAt, useCount, sourceAppBundleID, sourceAppName, "                         \
    "coalesce(title, " FIRST_TEXT(                                                                           \
        "CAST(content.data AS TEXT)") "), contentTypeRaw, isPinned, contentHash, number "                    \
                                      "FROM ClipboardItem "

constexpr char kItemById[] = ITEM_SELECT "WHERE id = ?";
constexpr char kItemByHash[] = ITEM_SELECT
    "WHERE substr(contentHash, 1, 8) = substr(?, 1, 8) AND +contentHash = ? ORDER BY rowid LIMIT 1";
constexpr char kItemsByLastUsed[]
    = ITEM_SELECT "WHERE isPinned = 1 UNION ALL " ITEM_SELECT
                  "WHERE isPinned = 0 ORDER BY lastUsedAt DESC, number DESC LIMIT ?";
constexpr char kUnpinnedByLastUsed[]
    = ITEM_SELECT "WHERE isPinned = 0 ORDER BY lastUsedAt DESC, rowid DESC LIMIT ? OFFSET ?";
constexpr char kItemsByCreatedAt[] = ITEM_SELECT "ORDER BY createdAt DESC, rowid DESC";
#undef ITEM_SELECT

constexpr char kInsertItem[]
    = "INSERT INTO ClipboardItem (id, createdAt, lastUsedAt, useCount, sourceAppBundleID, "
      "sourceAppName, title, contentTypeRaw, isPinned, contentHash, thumbnailData, searchText) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kIndexItem[] = "INSERT INTO ClipboardItemSearch (rowid, text) SELECT rowid, text "
                              "FROM ClipboardItemSearchText WHERE id = ? AND " INDEXED_LENGTH;
// The index keeps no text: an entry leaves it with the text it was added with.
constexpr char kUnindexItem[]
    = "INSERT INTO ClipboardItemSearch (ClipboardItemSearch, rowid, text) SELECT 'delete', rowid, text "
      "FROM ClipboardItemSearchText WHERE id = ? AND " INDEXED_LENGTH;
constexpr char kUnindexAll[] = "INSERT INTO ClipboardItemSearch (ClipboardItemSearch) VALUES ('delete-all')";
constexpr char kIndexPinned[] = "INSERT INTO ClipboardItemSearch (rowid, text) SELECT rowid, text "
                                "FROM ClipboardItemSearchText WHERE isPinned = 1 AND " INDEXED_LENGTH;
constexpr char kIndexFrom[] = "INSERT INTO ClipboardItemSearch (rowid, text) SELECT rowid, text "
                              "FROM ClipboardItemSearchText WHERE rowid > ? AND " INDEXED_LENGTH;
constexpr char kIndexAll[] = "INSERT INTO ClipboardItemSearch (rowid, text) SELECT rowid, text "
                             "FROM ClipboardItemSearchText WHERE " INDEXED_LENGTH;
constexpr char kLastItemRow[] = "SELECT coalesce(max(rowid), 0) FROM ClipboardItem";
#define ITEM_NUMBER "(SELECT number FROM ClipboardItem WHERE id = ?)"
constexpr char kFirstData[]
    = "SELECT data FROM ClipboardContent WHERE item = " ITEM_NUMBER " ORDER BY rowid LIMIT 1";
constexpr char kItemsWithoutSearchText[] = "SELECT id FROM ClipboardItem WHERE searchText IS NULL LIMIT ?";
constexpr char kSetSearchText[] = "UPDATE ClipboardItem SET searchText = ? WHERE id = ?";
constexpr char kUpdateItem[]
    = "UPDATE ClipboardItem SET createdAt = ?, lastUsedAt = ?, useCount = ?, sourceAppBundleID = ?, "
      "sourceAppName = ?, title = nullif(?, " FIRST_TEXT(
          "CAST(content.data AS TEXT)") "), contentTypeRaw = ?, "
                                        "isPinned = ?, contentHash = ? WHERE id = ?";
constexpr char kDeleteItem[] = "DELETE FROM ClipboardItem WHERE id = ?";
constexpr char kDeleteUnpinned[] = "DELETE FROM ClipboardItem WHERE isPinned = 0";
constexpr char kDeleteAllItems[] = "DELETE FROM ClipboardItem";
constexpr char kItemCount[] = "SELECT COUNT(*) FROM ClipboardItem";
constexpr char kItemThumbnail[]
    = "SELECT CASE WHEN thumbnailData = X'' THEN (SELECT content.thumbnailData FROM ClipboardContent AS "
      "content "
      "WHERE content.item = ClipboardItem.number AND content.thumbnailData IS NOT NULL ORDER BY "
      "content.rowid "
      "LIMIT 1) ELSE thumbnailData END FROM ClipboardItem WHERE id = ?";

constexpr char kInsertType[] = "INSERT OR IGNORE INTO UTTypeIdentifier (name) VALUES (?)";
constexpr char kInsertContent[]
    = "INSERT INTO ClipboardContent (item, utTypeIdentifier, textPreview, dataSize, data, "
      "thumbnailData) VALUES (" ITEM_NUMBER
      ", (SELECT number FROM UTTypeIdentifier WHERE name = ?), ?, ?, ?, ?)";
constexpr char kContentsOfItem[]
    = "SELECT type.name, content.textPreview, content.dataSize, content.data, content.thumbnailData "
      "FROM ClipboardContent AS content JOIN UTTypeIdentifier AS type ON type.number = "
      "content.utTypeIdentifier "
      "WHERE content.item = " ITEM_NUMBER " ORDER BY content.rowid";
#undef ITEM_NUMBER

constexpr char kInsertFolder[] = "INSERT INTO SnippetFolder (id, name, sortOrder) VALUES (?, ?, ?)";
constexpr char kUpdateFolder[] = "UPDATE SnippetFolder SET name = ?, sortOrder = ? WHERE id = ?";
constexpr char kDeleteFolder[] = "DELETE FROM SnippetFolder WHERE id = ?";
constexpr char kFolders[] = "SELECT id, name, sortOrder FROM SnippetFolder ORDER BY sortOrder, rowid";

#define SNIPPET_SELECT                                                                                       \
    "SELECT id, title, sortOrder, contentUTType, textContent, hotkeyData, "                                  \
    "createdAt, folder, contentData IS NOT NULL FROM Snippet "
constexpr char kSnippetsOfFolder[] = SNIPPET_SELECT "WHERE folder = ? ORDER BY sortOrder, rowid";
constexpr char kAllSnippets[] = SNIPPET_SELECT "ORDER BY sortOrder, rowid";
#undef SNIPPET_SELECT
constexpr char kInsertSnippet[]
    = "INSERT INTO Snippet (id, title, sortOrder, contentUTType, textContent, hotkeyData, createdAt, "
      "folder, contentData) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kUpdateSnippet[]
    = "UPDATE Snippet SET title = ?, sortOrder = ?, contentUTType = ?, textContent = ?, "
      "hotkeyData = ?, createdAt = ?, folder = ? WHERE id = ?";
constexpr char kSetSnippetContent[] = "UPDATE Snippet SET contentData = ? WHERE id = ?";
constexpr char kDeleteSnippet[] = "DELETE FROM Snippet WHERE id = ?";
constexpr char kSnippetContent[] = "SELECT contentData FROM Snippet WHERE id = ?";

constexpr char kInsertPrompt[]
    = "INSERT INTO SavedPrompt (id, name, icon, systemPrompt, sortOrder, createdAt, modeRaw) "
      "VALUES (?, ?, ?, ?, ?, ?, ?)";
constexpr char kUpdatePrompt[]
    = "UPDATE SavedPrompt SET name = ?, icon = ?, systemPrompt = ?, sortOrder = ?, createdAt = ?, "
      "modeRaw = ? WHERE id = ?";
constexpr char kDeletePrompt[] = "DELETE FROM SavedPrompt WHERE id = ?";
constexpr char kPrompts[]
    = "SELECT id, name, icon, systemPrompt, sortOrder, createdAt, modeRaw FROM SavedPrompt "
      "ORDER BY sortOrder, rowid";
constexpr char kMaxPromptSortOrder[] = "SELECT MAX(sortOrder) FROM SavedPrompt";

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QUuid uuidFrom(const QVariant &value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return QUuid::fromRfc4122(value.toByteArray());
    return QUuid::fromString(value.toString());
}

// How a history entry's UUID is kept (see kHistorySchema).
QVariant itemKey(const QUuid &id)
{
    return id.toRfc4122();
}

// A representation's UUID, derived from its entry and its position there.
QUuid contentId(const QUuid &item, int position)
{
    return QUuid::createUuidV5(item, QStringLiteral("representation %1").arg(position));
}

// A SHA-256 digest in lower-case hex is kept as its 32 bytes; any other hash
// as the text it is.
QVariant hashValue(const QString &hash)
{
    static const QRegularExpression digest(QStringLiteral("^[0-9a-f]{64}$"));
    if (digest.match(hash).hasMatch())
        return QByteArray::fromHex(hash.toLatin1());
    return hash;
}

std::optional<QString> hashFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromLatin1(value.toByteArray().toHex());
    return value.toString();
}

QVariant dateValue(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0;
}

QDateTime dateFrom(const QVariant &value)
{
    return QDateTime::fromMSecsSinceEpoch(qRound64(value.toDouble() * 1000.0), Qt::UTC);
}

// A null QString would bind as SQL NULL; an empty text is still a text.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant optionalText(const std::optional<QString> &value)
{
    return value ? text(*value) : QVariant(QMetaType::fromType<QString>());
}

QVariant optionalBytes(const std::optional<QByteArray> &bytes)
{
    return bytes ? QVariant(*bytes) : QVariant(QMetaType::fromType<QByteArray>());
}

QVariant optionalUuid(const std::optional<QUuid> &id)
{
    return id ? QVariant(uuidText(*id)) : QVariant(QMetaType::fromType<QString>());
}

// The stored stand-in for a value derived again when it is read.
QVariant derivedMarker()
{
    return QVariant(QByteArray("", 0));
}

bool isDerivedMarker(const QVariant &value)
{
    return value.typeId() == QMetaType::QByteArray && value.toByteArray().isEmpty() && !value.isNull();
}

// Whether `bytes`, read as text by SQLite (CAST(data AS TEXT)), give `text`.
bool isTextOf(const QString &text, const std::optional<QByteArray> &bytes)
{
    return bytes && !bytes->contains('\0') && text.toUtf8() == *bytes;
}

// Whether `folded` is the lower case of `bytes`, which are plain ASCII: the
// same as SQLite's lower(), so the text can be derived in SQL.
bool isLowerCaseOf(const QString &folded, const std::optional<QByteArray> &bytes)
{
    if (!bytes || folded.size() != bytes->size())
        return false;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const uchar byte = uchar(bytes->at(i));
        if (byte == 0 || byte >= 0x80)
            return false;
        const char lower = byte >= 'A' && byte <= 'Z' ? char(byte + ('a' - 'A')) : char(byte);
        if (folded.at(i).unicode() != ushort(lower))
            return false;
    }
    return true;
}

// The values of a new entry as stored: derivable ones replaced (see kHistorySchema).
struct CompactItem {
    QVariant title;
    QVariant thumbnail;
    QVariant searchText;
};

CompactItem compactItem(const QString &title, const std::optional<QByteArray> &thumbnail,
    const std::optional<QString> &searchText, const std::optional<QByteArray> &firstData,
    const std::optional<QByteArray> &firstThumbnail)
{
    CompactItem compact;
    compact.title = isTextOf(title, firstData) ? QVariant(QMetaType::fromType<QString>())
                                               : QVariant(title.isNull() ? QStringLiteral("") : title);
    compact.thumbnail = thumbnail && firstThumbnail && !thumbnail->isEmpty() && *thumbnail == *firstThumbnail
        ? derivedMarker()
        : (thumbnail ? QVariant(*thumbnail) : QVariant(QMetaType::fromType<QByteArray>()));
    if (!searchText)
        compact.searchText = QVariant(QMetaType::fromType<QString>());
    else if (isLowerCaseOf(*searchText, firstData))
        compact.searchText = derivedMarker();
    else
        compact.searchText = searchText->isNull() ? QStringLiteral("") : *searchText;
    return compact;
}

QVariant compactPreview(const std::optional<QString> &preview, const std::optional<QByteArray> &data)
{
    if (!preview)
        return QVariant(QMetaType::fromType<QString>());
    if (isTextOf(*preview, data))
        return derivedMarker();
    return preview->isNull() ? QStringLiteral("") : *preview;
}

std::optional<QString> textFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> bytesFrom(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toByteArray();
}

ClipboardItem itemFrom(const QSqlQuery &query)
{
    ClipboardItem item;
    item.id = uuidFrom(query.value(0));
    item.createdAt = dateFrom(query.value(1));
    item.lastUsedAt = dateFrom(query.value(2));
    item.useCount = query.value(3).toLongLong();
    item.sourceAppBundleID = textFrom(query.value(4));
    item.sourceAppName = textFrom(query.value(5));
    item.title = query.value(6).toString();
    item.contentTypeRaw = query.value(7).toString();
    item.isPinned = query.value(8).toLongLong() != 0;
    item.contentHash = hashFrom(query.value(9));
    return item;
}

Snippet snippetFrom(const QSqlQuery &query)
{
    Snippet snippet;
    snippet.id = uuidFrom(query.value(0));
    snippet.title = query.value(1).toString();
    snippet.sortOrder = query.value(2).toLongLong();
    snippet.contentUTType = query.value(3).toString();
    snippet.textContent = textFrom(query.value(4));
    snippet.hotkeyData = bytesFrom(query.value(5));
    snippet.createdAt = dateFrom(query.value(6));
    if (!query.value(7).isNull())
        snippet.folder = uuidFrom(query.value(7));
    snippet.hasContentData = query.value(8).toLongLong() != 0;
    return snippet;
}

SavedPrompt promptFrom(const QSqlQuery &query)
{
    SavedPrompt prompt;
    prompt.id = uuidFrom(query.value(0));
    prompt.name = query.value(1).toString();
    prompt.icon = query.value(2).toString();
    prompt.systemPrompt = query.value(3).toString();
    prompt.sortOrder = query.value(4).toLongLong();
    prompt.createdAt = dateFrom(query.value(5));
    prompt.modeRaw = query.value(6).toString();
    return prompt;
}

bool exec(QSqlQuery &query, std::initializer_list<QVariant> bindings)
{
    int index = 0;
    for (const QVariant &value : bindings)
        query.bindValue(index++, value);
    return query.exec();
}

// SQLite's primary result code behind an error (0 when there is none).
int resultCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

constexpr int kSqliteError = 1;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoError = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADatabase = 26;

// The main connection waits this long for another writer at most: enough for
// Quillet's own background writes, never long enough to be felt. Anything
// longer is another program, and the write is retried later instead.
constexpr int kMainBusyTimeoutMs = 100;

bool isDamage(int code)
{
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

// A failed write in the words its user would use.
QString writeFailureText(const QSqlError &error)
{
    switch (resultCode(error)) {
    case kSqliteFull:
        return QCoreApplication::translate("Store", "the disk is full");
    case kSqliteBusy:
    case kSqliteLocked:
        return QCoreApplication::translate("Store", "the history is locked by another program");
    case kSqliteReadOnly:
        return QCoreApplication::translate("Store", "the history file is read-only");
    case kSqliteIoError:
        return QCoreApplication::translate("Store", "the disk reported an error");
    case kSqliteCantOpen:
        return QCoreApplication::translate("Store", "the history file cannot be opened");
    default:
        return error.text().isEmpty() ? QStringLiteral("unknown error") : error.text();
    }
}

// Why a statement of a mutation failed.
struct StepFailure {
    QSqlError error;
};

// Commits through a statement of its own: QSqlDatabase::commit() drops
// SQLite's result code, and a full disk must be told from other failures.
bool commit(QSqlDatabase &db, StepFailure &failure)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("COMMIT")))
        return true;
    failure.error = query.lastError();
    return false;
}

// Runs one statement outside the cache (schema and pragmas); `code` takes
// SQLite's result code when it fails.
bool run(
    QSqlDatabase &db, const QString &sql, QString *error, QVariant *firstValue = nullptr, int *code = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        if (error)
            *error = query.lastError().text();
        if (code)
            *code = resultCode(query.lastError());
        return false;
    }
    if (firstValue)
        *firstValue = query.next() ? query.value(0) : QVariant();
    return true;
}

} // namespace

namespace {

// Checks an existing file through a read-only connection first: a read-write
// connection that fails would still delete the -wal and -shm companions when
// it closes, and those belong to what recovery must keep.
Store::OpenFailure inspectExisting(const QString &path, QString *error)
{
    static std::atomic<int> counter { 0 };
    const QString name = QStringLiteral("quillet-store-inspect-%1").arg(counter++);
    Store::OpenFailure failure = Store::OpenFailure::unavailable;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        int code = 0;
        if (!db.open()) {
            *error = db.lastError().text();
            code = resultCode(db.lastError());
        } else {
            QVariant value;
            if (run(db, QStringLiteral("PRAGMA quick_check"), error, &value, &code)) {
                if (value.toString() != QLatin1String("ok")) {
                    *error = QStringLiteral("integrity check failed: %1").arg(value.toString());
                    code = kSqliteCorrupt;
                } else {
                    failure = Store::OpenFailure::none;
                }
            }
        }
        if (isDamage(code))
            failure = Store::OpenFailure::damaged;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return failure;
}

} // namespace

std::unique_ptr<Store> Store::open(const QString &path, QString *error, OpenFailure *failure)
{
    static std::atomic<int> counter { 0 };
    const QString name = QStringLiteral("quillet-store-%1").arg(counter++);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    std::unique_ptr<Store> store(new Store(name, path, false));
    QString text;
    OpenFailure kind = OpenFailure::none;
    if (store->openConnection(&text, &kind)) {
        if (failure)
            *failure = OpenFailure::none;
        return store;
    }
    if (error)
        *error = text.isEmpty() ? QStringLiteral("unknown error") : text;
    if (failure)
        *failure = kind;
    // Closes and drops the connection, so the caller may move the files.
    return nullptr;
}

bool Store::openConnection(QString *error, OpenFailure *failure)
{
    if (QFileInfo::exists(m_path)) {
        *failure = inspectExisting(m_path, error);
        if (*failure != OpenFailure::none)
            return false;
    }
    m_otherSchema = false;
    m_openCode = 0;
    if (m_db.open()) {
        if (prepareSchema(error)) {
            *failure = OpenFailure::none;
            if (m_needsCompaction || m_needsRewrite)
                startCompaction();
            return true;
        }
    } else {
        *error = m_db.lastError().text();
        m_openCode = resultCode(m_db.lastError());
    }
    *failure = m_otherSchema || isDamage(m_openCode) ? OpenFailure::damaged : OpenFailure::unavailable;
    m_statements.clear();
    m_db.close();
    return false;
}

std::unique_ptr<Store> Store::openUnavailable(const QString &path, const QString &reason)
{
    static std::atomic<int> counter { 0 };
    const QString name = QStringLiteral("quillet-store-standin-%1").arg(counter++);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    std::unique_ptr<Store> store(new Store(name, path, false));
    // An empty schema in memory: every list reads as empty, without errors.
    store->m_db.setDatabaseName(QStringLiteral(":memory:"));
    QString error;
    if (!store->m_db.open() || !store->prepareSchema(&error))
        return nullptr;
    store->m_unavailableReason = reason.isEmpty() ? QStringLiteral("unknown error") : reason;
    return store;
}

bool Store::reattach(QString *error, OpenFailure *failure)
{
    if (isAvailable()) {
        *failure = OpenFailure::none;
        return true;
    }
    if (m_compacting) {
        *error = m_unavailableReason;
        *failure = OpenFailure::unavailable;
        return false;
    }
    static std::atomic<int> counter { 0 };
    const QString name = QStringLiteral("quillet-store-reattached-%1").arg(counter++);
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    const QString standInName = m_connectionName;
    m_statements.clear();
    m_db = QSqlDatabase::database(name, false);
    m_connectionName = name;
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kMainBusyTimeoutMs));
    const bool opened = openConnection(error, failure);
    // The connection that is not kept is closed and dropped.
    m_db = QSqlDatabase();
    QSqlDatabase::database(opened ? standInName : name, false).close();
    QSqlDatabase::removeDatabase(opened ? standInName : name);
    m_connectionName = opened ? name : standInName;
    m_db = QSqlDatabase::database(m_connectionName, false);
    if (!opened) {
        m_unavailableReason = error->isEmpty() ? QStringLiteral("unknown error") : *error;
        return false;
    }
    if (m_compacting) {
        *error = m_unavailableReason;
        *failure = OpenFailure::unavailable;
        return false;
    }
    m_unavailableReason.clear();
    m_lastWriteError.clear();
    Q_EMIT availabilityChanged();
    for (Record record : { Record::ClipboardItem, Record::ClipboardContent, Record::SnippetFolder,
             Record::Snippet, Record::SavedPrompt })
        Q_EMIT changed(record);
    announce({ {}, {}, {}, true });
    return true;
}

std::unique_ptr<Store> Store::openReadOnly(const QString &path, QString *error)
{
    QString failure;
    if (!QFileInfo::exists(path)) {
        failure = QStringLiteral("there is no store at %1").arg(path);
    } else {
        static std::atomic<int> counter { 0 };
        const QString name = QStringLiteral("quillet-store-readonly-%1").arg(counter++);
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        std::unique_ptr<Store> store(new Store(name, path, true));
        if (!store->m_db.open())
            failure = store->m_db.lastError().text();
        else if (store->checkSchemaVersion(&failure)) {
            if (!store->m_needsCompaction)
                return store;
            // Only a writing instance converts the file, and this one's
            // queries would not read the earlier layout.
            failure = QStringLiteral("the history is in an earlier format; start Quillet once to convert it");
        }
    }
    if (error)
        *error = failure.isEmpty() ? QStringLiteral("unknown error") : failure;
    return nullptr;
}

Store::Store(QString connectionName, QString path, bool readOnly)
    : m_db(QSqlDatabase::database(connectionName, false))
    , m_connectionName(std::move(connectionName))
    , m_path(std::move(path))
{
    m_writer.setMaxThreadCount(1);
    m_checkpointer.setMaxThreadCount(1);
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000")
                                    : QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kMainBusyTimeoutMs));
}

Store::~Store()
{
    m_writer.waitForDone();
    m_checkpointer.waitForDone();
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Store::prepareSchema(QString *error)
{
    QVariant value;
    // For a new file only (an existing one keeps its size until it is
    // converted); see kPageSize.
    // The first statement is where SQLite notices a file that is not a database.
    if (!run(m_db, QStringLiteral("PRAGMA page_size=%1").arg(kPageSize), error, nullptr, &m_openCode))
        return false;
    // Also for a new file only: freed pages can be given back to the disk
    // (releaseFreePages), so a cleared history does not keep its size.
    if (!run(m_db, QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"), error, nullptr, &m_openCode))
        return false;
    if (!run(m_db, QStringLiteral("PRAGMA journal_mode=WAL"), error, &value, &m_openCode))
        return false;
    if (value.toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0
        && m_db.databaseName() != QLatin1String(":memory:"))
        qCWarning(lcStore) << "write-ahead logging unavailable, journal mode" << value.toString();
    // With write-ahead logging, NORMAL keeps the store consistent across crashes
    // and skips an fsync per commit (a power cut may lose the last copy only).
    if (!run(m_db, QStringLiteral("PRAGMA synchronous=NORMAL"), error, nullptr, &m_openCode))
        return false;
    if (!run(m_db, QStringLiteral("PRAGMA foreign_keys=ON"), error, nullptr, &m_openCode))
        return false;
    // Copying the log back into the file is left to a background connection
    // (checkpointSoon), so a large copy never makes a commit wait for it.
    if (!run(m_db, QStringLiteral("PRAGMA wal_autocheckpoint=0"), error, nullptr, &m_openCode))
        return false;
    // A checkpointed log is cut back when it is next reused, so its size says
    // how much awaits the next checkpoint (SQLite otherwise keeps the file at
    // its largest, and every commit would ask for one).
    if (!run(m_db, QStringLiteral("PRAGMA journal_size_limit=1048576"), error, nullptr, &m_openCode))
        return false;
    if (!run(m_db, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), error, &value, &m_openCode))
        return false;
    if (value.toLongLong() == 0) {
        if (!m_db.transaction()) {
            *error = m_db.lastError().text();
            m_openCode = resultCode(m_db.lastError());
            return false;
        }
        for (const auto &schema :
            { std::span<const char *const>(kOtherSchema), std::span<const char *const>(kHistorySchema) }) {
            for (const char *sql : schema) {
                if (!run(m_db, QString::fromLatin1(sql), error, nullptr, &m_openCode)) {
                    m_db.rollback();
                    return false;
                }
            }
        }
        if (!run(m_db, QStringLiteral("PRAGMA user_version=%1").arg(kCompactLayout), error, nullptr,
                &m_openCode)) {
            m_db.rollback();
            return false;
        }
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral("INSERT INTO StoreMetadata (key, value) VALUES ('schemaVersion', ?)"));
        insert.addBindValue(schemaVersion);
        if (!insert.exec() || !m_db.commit()) {
            *error = insert.lastError().isValid() ? insert.lastError().text() : m_db.lastError().text();
            m_db.rollback();
            return false;
        }
        return true;
    }
    return checkSchemaVersion(error);
}

bool Store::checkSchemaVersion(QString *error)
{
    QVariant value;
    QString versionError;
    int code = 0;
    if (!run(m_db, QStringLiteral("SELECT value FROM StoreMetadata WHERE key = 'schemaVersion'"),
            &versionError, &value, &code)) {
        // No such table is another schema; a lock or an I/O error is not.
        m_otherSchema = code == kSqliteError;
        m_openCode = code;
        *error = QStringLiteral("not a Quillet store (%1)").arg(versionError);
        return false;
    }
    if (value.toString() != schemaVersion) {
        m_otherSchema = true;
        *error = QStringLiteral("the store has schema version \"%1\", expected \"%2\"")
                     .arg(value.toString(), schemaVersion);
        return false;
    }
    return migrate(error);
}

// Columns added after a file was created, added to it in place. Each is
// nullable and read only by the calls that name it, so earlier Quillet
// versions still read and write such a file (the version stays 1.0.0).
bool Store::migrate(QString *error)
{
    QSqlQuery columns(m_db);
    if (!columns.exec(QStringLiteral("PRAGMA table_info(ClipboardItem)"))) {
        *error = columns.lastError().text();
        return false;
    }
    bool hasSearchText = false;
    while (columns.next())
        hasSearchText = hasSearchText || columns.value(1).toString() == QLatin1String("searchText");
    columns.finish();
    // Existing entries keep a null search text until the history manager
    // fills it in.
    if (!hasSearchText
        && !run(m_db, QStringLiteral("ALTER TABLE ClipboardItem ADD COLUMN searchText TEXT"), error))
        return false;
    QVariant layout;
    if (!run(m_db, QStringLiteral("PRAGMA user_version"), error, &layout))
        return false;
    m_needsCompaction = layout.toInt() < kCompactLayout;
    QVariant pageSize;
    m_needsRewrite = !m_rewriteTried && run(m_db, QStringLiteral("PRAGMA page_size"), nullptr, &pageSize)
        && pageSize.toInt() != kPageSize;
    return true;
}

namespace {
bool convertToCompactLayout(QSqlDatabase &db, QString *error);
} // namespace

void Store::startCompaction()
{
    // The file is converted by a connection of a worker; meanwhile this one
    // stands in, reading as empty and refusing writes, as while the file is
    // locked.
    m_statements.clear();
    m_db.close();
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    QString error;
    if (!m_db.open() || !prepareSchema(&error))
        qCWarning(lcStore) << "could not stand in for the store while it is converted:" << error;
    m_unavailableReason = tr("the history is being converted to a smaller format");
    m_compacting = true;
    // Once: a rewrite that keeps failing must not keep the history away.
    m_rewriteTried = true;
    m_checkpointer.start([this, path = m_path, name = m_connectionName + QStringLiteral("-compaction"),
                             convertTables = m_needsCompaction] {
        QString error;
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            if (!db.open())
                error = db.lastError().text();
            else
                ok = run(db, QStringLiteral("PRAGMA foreign_keys=OFF"), &error)
                    && (!convertTables || convertToCompactLayout(db, &error));
            if (ok) {
                // The file is written anew in the pages of a new one, giving
                // back what the old rows took. The page size can change only
                // outside write-ahead logging; a failure here costs space,
                // never data.
                QString vacuumError;
                if (!run(db, QStringLiteral("PRAGMA journal_mode=DELETE"), &vacuumError)
                    || !run(db, QStringLiteral("PRAGMA page_size=%1").arg(kPageSize), &vacuumError)
                    || !run(db, QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"), &vacuumError)
                    || !run(db, QStringLiteral("VACUUM"), &vacuumError))
                    qCWarning(lcStore) << "could not rewrite the converted store:" << vacuumError;
                run(db, QStringLiteral("PRAGMA journal_mode=WAL"), nullptr);
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        QMetaObject::invokeMethod(
            this, [this, ok, error] { compacted(ok, error); }, Qt::QueuedConnection);
    });
}

void Store::compacted(bool ok, const QString &error)
{
    m_compacting = false;
    if (!ok) {
        qCWarning(lcStore) << "could not convert the store:" << error;
        m_unavailableReason = tr("the history could not be converted: %1").arg(error);
        Q_EMIT availabilityChanged();
        return;
    }
    QString reopenError;
    OpenFailure failure = OpenFailure::none;
    if (!reattach(&reopenError, &failure))
        qCWarning(lcStore) << "could not open the converted store:" << reopenError;
}

QSqlQuery &Store::statement(const char *sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto query = std::make_shared<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        if (!query->prepare(QString::fromLatin1(sql)))
            qCWarning(lcStore) << "could not prepare" << sql << query->lastError().text();
        it = m_statements.insert(sql, query);
    }
    return **it;
}

template<typename Fn> bool Store::mutate(const char *what, std::initializer_list<Record> records, Fn &&body)
{
    if (!isAvailable()) {
        m_lastWriteError = QStringLiteral("the history is not available: %1").arg(m_unavailableReason);
        return false;
    }
    if (!m_db.transaction()) {
        noteWriteFailure(m_db.lastError());
        qCWarning(lcStore) << what << "failed to begin:" << m_db.lastError().text();
        return false;
    }
    StepFailure failure;
    if (!body(failure) || !commit(m_db, failure)) {
        if (!failure.error.isValid())
            failure.error = m_db.lastError();
        m_db.rollback();
        noteWriteFailure(failure.error);
        qCWarning(lcStore) << what << "failed and was rolled back:" << failure.error.text();
        return false;
    }
    m_lastWriteError.clear();
    checkpointSoon();
    for (Record record : records)
        Q_EMIT changed(record);
    return true;
}

void Store::checkpointSoon(bool truncate)
{
    // Once the log holds a few megabytes, and one checkpoint at a time; one
    // that empties the log (after space was given back) waits its turn.
    constexpr qint64 kLogBytes = 4 * 1024 * 1024;
    if (!truncate
        && (m_checkpointing->load() || QFileInfo(m_path + QStringLiteral("-wal")).size() < kLogBytes))
        return;
    m_checkpointing->store(true);
    m_checkpointer.start([path = m_path, name = m_connectionName, running = m_checkpointing, truncate] {
        // A connection of this thread's own, opened for the checkpoint only:
        // a PASSIVE checkpoint copies what no reader still needs and never
        // blocks the main connection; a TRUNCATE one waits here, not there.
        const QString connection = name + QStringLiteral("-checkpoint");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            if (db.open())
                QSqlQuery(db).exec(truncate ? QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")
                                            : QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        running->store(false);
    });
}

namespace {

// Runs a cached statement inside a mutation, noting why it failed.
bool step(QSqlQuery &query, std::initializer_list<QVariant> bindings, StepFailure &failure)
{
    const bool ok = exec(query, bindings);
    if (!ok)
        failure.error = query.lastError();
    query.finish();
    return ok;
}

// The prepared statements of a worker's connection, by their SQL text.
class PreparedStatements {
public:
    explicit PreparedStatements(QSqlDatabase &db)
        : m_db(db)
    {
    }
    QSqlQuery &operator()(const char *sql)
    {
        auto &query = m_statements[sql];
        if (!query) {
            query = std::make_shared<QSqlQuery>(m_db);
            query->prepare(QString::fromLatin1(sql));
        }
        return *query;
    }
    // Before the connection closes.
    void clear() { m_statements.clear(); }

private:
    QSqlDatabase &m_db;
    QHash<const char *, std::shared_ptr<QSqlQuery>> m_statements;
};

// The rows of one new entry, through `statement` (the prepared statement
// for an SQL text on the connection that writes them).
template<typename Statement>
bool insertItemRows(Statement &&statement, const ClipboardItem &item,
    const std::optional<QByteArray> &thumbnail, const QList<ClipboardContent> &contents,
    const std::optional<QString> &searchText, StepFailure &failure)
{
    std::optional<QByteArray> firstData;
    std::optional<QByteArray> firstThumbnail;
    if (!contents.isEmpty())
        firstData = contents.first().data;
    for (const ClipboardContent &content : contents) {
        if (content.thumbnailData) {
            firstThumbnail = content.thumbnailData;
            break;
        }
    }
    const CompactItem compact = compactItem(item.title, thumbnail, searchText, firstData, firstThumbnail);
    QSqlQuery &insert = statement(kInsertItem);
    if (!step(insert,
            { itemKey(item.id), dateValue(item.createdAt), dateValue(item.lastUsedAt), item.useCount,
                optionalText(item.sourceAppBundleID), optionalText(item.sourceAppName), compact.title,
                text(item.contentTypeRaw), item.isPinned ? 1 : 0,
                item.contentHash ? hashValue(*item.contentHash) : QVariant(QMetaType::fromType<QByteArray>()),
                compact.thumbnail, compact.searchText },
            failure))
        return false;
    for (const ClipboardContent &content : contents) {
        if (!step(statement(kInsertType), { text(content.utTypeIdentifier) }, failure)
            || !step(statement(kInsertContent),
                { itemKey(item.id), text(content.utTypeIdentifier),
                    compactPreview(content.textPreview, content.data), content.dataSize,
                    optionalBytes(content.data), optionalBytes(content.thumbnailData) },
                failure))
            return false;
    }
    return step(statement(kIndexItem), { itemKey(item.id) }, failure);
}

// Rewrites a history kept in an earlier layout (0: every derived value kept
// in full; 2: text keys) into the one above, entry by entry, through the
// statements that write a new entry. One transaction: a failure leaves the
// file as it was.
bool convertToCompactLayout(QSqlDatabase &db, QString *error)
{
    if (!run(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    const auto fail = [&](const QSqlQuery *query) {
        if (query)
            *error = query->lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    // The search index and its view are made anew with the tables.
    for (const char *sql :
        { "DROP VIEW IF EXISTS ClipboardItemSearchText", "DROP TABLE IF EXISTS ClipboardItemSearch" }) {
        if (!run(db, QString::fromLatin1(sql), error))
            return fail(nullptr);
    }
    QStringList indexes;
    {
        QSqlQuery query(db);
        if (!query.exec(
                QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL "
                               "AND tbl_name IN ('ClipboardItem', 'ClipboardContent')")))
            return fail(&query);
        while (query.next())
            indexes.append(query.value(0).toString());
    }
    for (const QString &index : indexes) {
        if (!run(db, QStringLiteral("DROP INDEX \"%1\"").arg(index), error))
            return fail(nullptr);
    }
    // The old representations are read by their entry: without an index each
    // entry would scan them all.
    for (const char *sql : { "ALTER TABLE ClipboardItem RENAME TO ClipboardItemBefore",
             "ALTER TABLE ClipboardContent RENAME TO ClipboardContentBefore",
             "CREATE INDEX ClipboardContentBefore_item ON ClipboardContentBefore (item)" }) {
        if (!run(db, QString::fromLatin1(sql), error))
            return fail(nullptr);
    }
    for (const char *sql : kHistorySchema) {
        if (!run(db, QString::fromLatin1(sql), error))
            return fail(nullptr);
    }
    PreparedStatements statement(db);
    // Every value as it reads, derived ones included.
#define FIRST_BEFORE(column, condition)                                                                      \
    "(SELECT " column " FROM ClipboardContentBefore AS content WHERE content.item = item.id " condition      \
    " ORDER BY content.rowid LIMIT 1)"
    QSqlQuery items(db);
    items.setForwardOnly(true);
    static const char kItemsBefore[]
        = "SELECT id, createdAt, lastUsedAt, useCount, sourceAppBundleID, "
          "sourceAppName, coalesce(title, " FIRST_BEFORE("CAST(content.data AS TEXT)",
              "") "), contentTypeRaw, isPinned, "
                  "contentHash, "
                  "CASE WHEN thumbnailData = X'' THEN " FIRST_BEFORE("content.thumbnailData",
                      "AND content.thumbnailData IS NOT NULL") " ELSE thumbnailData END, "
                                                               "CASE WHEN typeof(searchText) = 'blob' THEN "
                                                               "lower(" FIRST_BEFORE(
                                                                   "CAST(content.data AS TEXT)",
                                                                   "") ") ELSE searchText END "
                                                                       "FROM ClipboardItemBefore AS item "
                                                                       "ORDER BY item.rowid";
    if (!items.exec(QString::fromLatin1(kItemsBefore)))
        return fail(&items);
#undef FIRST_BEFORE
    QSqlQuery contents(db);
    contents.setForwardOnly(true);
    if (!contents.prepare(QStringLiteral(
            "SELECT utTypeIdentifier, CASE WHEN typeof(textPreview) = 'blob' THEN CAST(data AS TEXT) ELSE "
            "textPreview END, dataSize, data, thumbnailData FROM ClipboardContentBefore WHERE item = ? "
            "ORDER BY rowid")))
        return fail(&contents);
    StepFailure failure;
    while (items.next()) {
        const ClipboardItem item = itemFrom(items);
        QList<ClipboardContent> representations;
        if (!exec(contents, { items.value(0) }))
            return fail(&contents);
        while (contents.next()) {
            ClipboardContent content;
            content.utTypeIdentifier = contents.value(0).toString();
            content.textPreview = textFrom(contents.value(1));
            content.dataSize = contents.value(2).toLongLong();
            content.data = bytesFrom(contents.value(3));
            content.thumbnailData = bytesFrom(contents.value(4));
            representations.append(content);
        }
        if (contents.lastError().isValid())
            return fail(&contents);
        contents.finish();
        if (!insertItemRows(statement, item, bytesFrom(items.value(10)), representations,
                textFrom(items.value(11)), failure)) {
            *error = failure.error.text();
            return fail(nullptr);
        }
    }
    if (items.lastError().isValid())
        return fail(&items);
    items.finish();
    statement.clear();
    for (const char *sql : { "DROP TABLE ClipboardContentBefore", "DROP TABLE ClipboardItemBefore" }) {
        if (!run(db, QString::fromLatin1(sql), error))
            return fail(nullptr);
    }
    if (!run(db, QStringLiteral("PRAGMA user_version=%1").arg(kCompactLayout), error)
        || !run(db, QStringLiteral("COMMIT"), error))
        return fail(nullptr);
    return true;
}

} // namespace

bool Store::insertItem(const ClipboardItem &item, const std::optional<QByteArray> &thumbnail,
    const QList<ClipboardContent> &contents, const std::optional<QString> &searchText)
{
    return mutate("inserting a history entry", { Record::ClipboardItem, Record::ClipboardContent },
               [&](StepFailure &failure) {
                   return insertItemRows([this](const char *sql) -> QSqlQuery & { return statement(sql); },
                       item, thumbnail, contents, searchText, failure);
               })
        && announce({ { item.id }, {}, {}, false });
}

QFuture<bool> Store::insertItemInBackground(const ClipboardItem &item,
    const std::optional<QByteArray> &thumbnail, const QList<ClipboardContent> &contents,
    const std::optional<QString> &searchText)
{
    if (!isAvailable()) {
        m_lastWriteError = QStringLiteral("the history is not available: %1").arg(m_unavailableReason);
        return QtFuture::makeReadyFuture(false);
    }
    // Carries why the write failed, in the user's words; empty once stored.
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> written = promise->future();
    promise->start();
    m_writer.start([promise, path = m_path, name = m_connectionName, item, thumbnail, contents, searchText] {
        const QString connection = name + QStringLiteral("-writer");
        bool ok = false;
        StepFailure failure;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            if (db.open() && QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys=ON"))
                && db.transaction()) {
                PreparedStatements statement(db);
                ok = insertItemRows(statement, item, thumbnail, contents, searchText, failure)
                    && commit(db, failure);
                if (!ok) {
                    if (!failure.error.isValid())
                        failure.error = db.lastError();
                    db.rollback();
                }
                statement.clear();
            } else {
                failure.error = db.lastError();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        if (!ok)
            qCWarning(lcStore) << "inserting a history entry failed and was rolled back:"
                               << failure.error.text();
        promise->addResult(ok ? QString() : writeFailureText(failure.error));
        promise->finish();
    });
    // Announced on this thread, as a write of the main connection is.
    return written.then(this, [this, id = item.id](const QString &failure) {
        if (!failure.isEmpty()) {
            m_lastWriteError = failure;
            return false;
        }
        m_lastWriteError.clear();
        checkpointSoon();
        Q_EMIT changed(Record::ClipboardItem);
        Q_EMIT changed(Record::ClipboardContent);
        return announce({ { id }, {}, {}, false });
    });
}

void Store::releaseFreePages()
{
    // Worth a statement once a megabyte lies free (a clear, a reset, a large
    // delete), not after every pruned text.
    constexpr qint64 kFreeBytes = 1024 * 1024;
    QVariant freePages;
    QVariant pageSize;
    if (!run(m_db, QStringLiteral("PRAGMA freelist_count"), nullptr, &freePages)
        || !run(m_db, QStringLiteral("PRAGMA page_size"), nullptr, &pageSize)
        || freePages.toLongLong() * pageSize.toLongLong() < kFreeBytes)
        return;
    // Each step of the statement frees one page, and Qt steps a statement
    // without result columns once per exec.
    {
        QSqlQuery vacuum(m_db);
        vacuum.prepare(QStringLiteral("PRAGMA incremental_vacuum"));
        for (qint64 page = 0; page < freePages.toLongLong() && vacuum.exec(); ++page)
            vacuum.finish();
    }
    // The file shrinks when the log is copied back, and the log when it is
    // emptied.
    checkpointSoon(true);
}

qint64 Store::sizeOnDisk() const
{
    if (!isAvailable())
        return 0;
    return QFileInfo(m_path).size() + QFileInfo(m_path + QStringLiteral("-wal")).size();
}

void Store::convertToIncrementalVacuum()
{
    QVariant mode;
    if (!isAvailable() || !run(m_db, QStringLiteral("PRAGMA auto_vacuum"), nullptr, &mode)
        || mode.toInt() != 0)
        return;
    // Rewriting the whole file takes seconds for a large history: on a
    // connection of its own, off the main thread. Writes meanwhile wait or
    // are retried like those during any other lock.
    m_checkpointer.start([path = m_path, name = m_connectionName] {
        const QString connection = name + QStringLiteral("-vacuum");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            QString error;
            if (!db.open() || !run(db, QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"), &error)
                || !run(db, QStringLiteral("VACUUM"), &error))
                qCWarning(lcStore) << "could not convert the store to give space back:"
                                   << (error.isEmpty() ? db.lastError().text() : error);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    });
}

void Store::noteWriteFailure(const QSqlError &error)
{
    m_lastWriteError = writeFailureText(error);
}

bool Store::updateItem(const ClipboardItem &item)
{
    return mutate("updating a history entry", { Record::ClipboardItem }, [&](StepFailure &failure) {
        return step(statement(kUpdateItem),
            { dateValue(item.createdAt), dateValue(item.lastUsedAt), item.useCount,
                optionalText(item.sourceAppBundleID), optionalText(item.sourceAppName), text(item.title),
                text(item.contentTypeRaw), item.isPinned ? 1 : 0,
                item.contentHash ? hashValue(*item.contentHash) : QVariant(QMetaType::fromType<QByteArray>()),
                itemKey(item.id) },
            failure);
    }) && announce({ {}, { item.id }, {}, false });
}

bool Store::announce(const ItemChanges &changes)
{
    Q_EMIT itemsChanged(changes);
    return true;
}

bool Store::deleteItems(const QList<QUuid> &ids)
{
    if (ids.isEmpty())
        return true;
    return mutate("deleting history entries", { Record::ClipboardItem, Record::ClipboardContent },
               [&](StepFailure &failure) {
                   for (const QUuid &id : ids) {
                       if (!step(statement(kUnindexItem), { itemKey(id) }, failure)
                           || !step(statement(kDeleteItem), { itemKey(id) }, failure))
                           return false;
                   }
                   return true;
               })
        && announce({ {}, {}, ids, false }) && (releaseFreePages(), true);
}

bool Store::deleteUnpinnedItems()
{
    return mutate("clearing the history", { Record::ClipboardItem, Record::ClipboardContent },
               [&](StepFailure &failure) {
                   // Rebuilt rather than emptied entry by entry: the pinned entries
                   // are few, and no text of the removed ones has to be read.
                   return step(statement(kDeleteUnpinned), {}, failure)
                       && step(statement(kUnindexAll), {}, failure)
                       && step(statement(kIndexPinned), {}, failure);
               })
        && announce({ {}, {}, {}, true }) && (releaseFreePages(), true);
}

bool Store::deleteAllItems()
{
    return mutate("resetting the history", { Record::ClipboardItem, Record::ClipboardContent },
               [&](StepFailure &failure) {
                   return step(statement(kUnindexAll), {}, failure)
                       && step(statement(kDeleteAllItems), {}, failure);
               })
        && announce({ {}, {}, {}, true }) && (releaseFreePages(), true);
}

QList<ClipboardItem> Store::fetchItems(const char *sql, std::initializer_list<QVariant> bindings, bool *ok)
{
    QList<ClipboardItem> items;
    QSqlQuery &query = statement(sql);
    bool fetched = exec(query, bindings);
    while (fetched && query.next())
        items.append(itemFrom(query));
    // A read that stops early (a corrupt page) is a failure too, not a shorter history.
    if (fetched && query.lastError().isValid())
        fetched = false;
    if (!fetched)
        qCWarning(lcStore) << "fetching history entries failed:" << query.lastError().text();
    query.finish();
    if (ok)
        *ok = fetched;
    return fetched ? items : QList<ClipboardItem>();
}

namespace {

// An entry's search text as matching reads it: its own, or the bytes of its
// first representation when the text is their lower case.
#define SEARCH_VALUE                                                                                         \
    "CASE WHEN typeof(searchText) = 'blob' THEN " FIRST_TEXT("content.data") " ELSE searchText END"
// Indexed entries holding every trigram of the query, or all indexed
// entries for a query too short to have one; then the others.
constexpr char kSearchIndexed[] = "SELECT id, " SEARCH_VALUE " FROM ClipboardItem WHERE rowid IN "
                                  "(SELECT rowid FROM ClipboardItemSearch WHERE ClipboardItemSearch MATCH ?)";
constexpr char kSearchAllIndexed[]
    = "SELECT id, " SEARCH_VALUE " FROM ClipboardItem WHERE rowid IN (SELECT rowid FROM ClipboardItemSearch)";
constexpr char kSearchUnindexed[]
    = "SELECT id, " SEARCH_VALUE " FROM ClipboardItem WHERE searchText IS NOT NULL "
      "AND rowid NOT IN (SELECT rowid FROM ClipboardItemSearch)";
#undef SEARCH_VALUE

// The index query for `folded`: every distinct trigram (up to a bound; the
// texts are checked anyway), each quoted as one term.
QString trigramQuery(const QString &folded)
{
    constexpr int kMaxTrigrams = 32;
    const QList<uint> points = folded.toUcs4();
    QStringList terms;
    for (qsizetype i = 0; i + 3 <= points.size() && terms.size() < kMaxTrigrams; ++i) {
        QString trigram = QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData() + i), 3);
        trigram.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        trigram = QLatin1Char('"') + trigram + QLatin1Char('"');
        if (!terms.contains(trigram))
            terms.append(trigram);
    }
    return terms.join(QStringLiteral(" AND "));
}

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

// Called by SQLite every few thousand steps of a statement; a nonzero answer
// abandons the statement.
int stopWhenCancelled(void *cancelled)
{
    return (*static_cast<const std::function<bool()> *>(cancelled))() ? 1 : 0;
}

// The entries whose search text contains `folded`; nothing once `cancelled`
// answers true, which it is asked between rows and within long statements.
std::optional<QSet<QUuid>> matchItemIds(
    const QSqlDatabase &db, const QString &folded, const std::function<bool()> &cancelled)
{
    QSet<QUuid> ids;
    if (folded.isEmpty())
        return ids;
    bool ascii = true;
    for (const QChar c : folded)
        ascii = ascii && c.unicode() < 0x80;
    const QByteArray asciiQuery = ascii ? folded.toLatin1() : QByteArray();
    const QString trigrams = trigramQuery(folded);
    sqlite3 *handle = handleOf(db);
    if (handle)
        sqlite3_progress_handler(
            handle, 4000, stopWhenCancelled, const_cast<std::function<bool()> *>(&cancelled));
    bool ok = true;
    for (const char *sql : { trigrams.isEmpty() ? kSearchAllIndexed : kSearchIndexed, kSearchUnindexed }) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QString::fromLatin1(sql))) {
            ok = false;
            break;
        }
        if (sql == kSearchIndexed)
            query.addBindValue(trigrams);
        if (!query.exec()) {
            ok = false;
            break;
        }
        while (query.next()) {
            if (cancelled()) {
                ok = false;
                break;
            }
            const QVariant text = query.value(1);
            // The bytes of a derived text are ASCII: compared without a copy,
            // ignoring case, up to the first match.
            const bool matches = text.typeId() == QMetaType::QByteArray ? !asciiQuery.isEmpty()
                    && QLatin1String(text.toByteArray())
                           .contains(QLatin1String(asciiQuery), Qt::CaseInsensitive)
                                                                        : text.toString().contains(folded);
            if (matches)
                ids.insert(uuidFrom(query.value(0)));
        }
        if (!ok || query.lastError().isValid()) {
            ok = false;
            break;
        }
    }
    if (handle)
        sqlite3_progress_handler(handle, 0, nullptr, nullptr);
    if (!ok) {
        if (!cancelled())
            qCWarning(lcStore) << "searching the history failed";
        return std::nullopt;
    }
    return ids;
}

} // namespace

QSet<QUuid> Store::itemIdsWithSearchText(const QString &foldedQuery)
{
    return matchItemIds(m_db, foldedQuery, [] { return false; }).value_or(QSet<QUuid>());
}

std::optional<QSet<QUuid>> Store::findItemIds(
    const QString &path, const QString &foldedQuery, const std::function<bool()> &cancelled)
{
    if (cancelled())
        return std::nullopt;
    static std::atomic<int> counter { 0 };
    const QString name = QStringLiteral("quillet-store-search-%1").arg(counter++);
    std::optional<QSet<QUuid>> ids;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open())
            ids = matchItemIds(db, foldedQuery, cancelled);
        else
            qCWarning(lcStore) << "could not open the store to search it:" << db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ids;
}

QList<QUuid> Store::itemIdsWithoutSearchText(qint64 limit)
{
    QList<QUuid> ids;
    QSqlQuery &query = statement(kItemsWithoutSearchText);
    if (!exec(query, { limit }))
        qCWarning(lcStore) << "listing entries to index failed:" << query.lastError().text();
    while (query.isActive() && query.next())
        ids.append(uuidFrom(query.value(0)));
    query.finish();
    return ids;
}

bool Store::setSearchTexts(const QList<std::pair<QUuid, QString>> &texts)
{
    if (texts.isEmpty())
        return true;
    return mutate(
        "indexing history entries for search", { Record::ClipboardItem }, [&](StepFailure &failure) {
            for (const auto &[id, searchText] : texts) {
                QSqlQuery &first = statement(kFirstData);
                if (!exec(first, { itemKey(id) })) {
                    failure.error = first.lastError();
                    return false;
                }
                const std::optional<QByteArray> data
                    = first.next() ? bytesFrom(first.value(0)) : std::optional<QByteArray>();
                first.finish();
                const QVariant stored = compactItem({}, {}, searchText, data, {}).searchText;
                if (!step(statement(kUnindexItem), { itemKey(id) }, failure)
                    || !step(statement(kSetSearchText), { stored, itemKey(id) }, failure)
                    || !step(statement(kIndexItem), { itemKey(id) }, failure))
                    return false;
            }
            return true;
        });
}

std::optional<ClipboardItem> Store::item(const QUuid &id)
{
    const auto items = fetchItems(kItemById, { itemKey(id) });
    if (items.isEmpty())
        return std::nullopt;
    return items.first();
}

std::optional<ClipboardItem> Store::findItemByHash(const QString &contentHash)
{
    const QVariant hash = hashValue(contentHash);
    const auto items = fetchItems(kItemByHash, { hash, hash });
    if (items.isEmpty())
        return std::nullopt;
    return items.first();
}

QList<ClipboardItem> Store::itemsByLastUsed(qint64 limit)
{
    return fetchItems(kItemsByLastUsed, { limit < 0 ? qint64(-1) : limit });
}

QList<ClipboardItem> Store::unpinnedItemsByLastUsed(qint64 offset, qint64 limit)
{
    return fetchItems(kUnpinnedByLastUsed, { limit < 0 ? qint64(-1) : limit, qMax<qint64>(0, offset) });
}

std::optional<QList<ClipboardItem>> Store::itemsByCreatedAt()
{
    bool ok = false;
    QList<ClipboardItem> items = fetchItems(kItemsByCreatedAt, {}, &ok);
    if (!ok)
        return std::nullopt;
    return items;
}

qint64 Store::itemCount()
{
    QSqlQuery &query = statement(kItemCount);
    qint64 count = 0;
    if (exec(query, {}) && query.next())
        count = query.value(0).toLongLong();
    else
        qCWarning(lcStore) << "counting history entries failed:" << query.lastError().text();
    query.finish();
    return count;
}

namespace {

std::optional<QByteArray> fetchBytes(QSqlQuery &query, const QVariant &id, const char *what)
{
    std::optional<QByteArray> bytes;
    if (!exec(query, { id }))
        qCWarning(lcStore) << "reading" << what << "failed:" << query.lastError().text();
    else if (query.next())
        bytes = bytesFrom(query.value(0));
    query.finish();
    return bytes;
}

} // namespace

std::optional<QByteArray> Store::itemThumbnail(const QUuid &id)
{
    return fetchBytes(statement(kItemThumbnail), itemKey(id), "a thumbnail");
}

QList<ClipboardContent> Store::contents(const QUuid &itemId)
{
    QList<ClipboardContent> contents;
    QSqlQuery &query = statement(kContentsOfItem);
    if (!exec(query, { itemKey(itemId) })) {
        qCWarning(lcStore) << "fetching contents failed:" << query.lastError().text();
        query.finish();
        return contents;
    }
    while (query.next()) {
        ClipboardContent content;
        content.id = contentId(itemId, int(contents.size()));
        content.item = itemId;
        content.utTypeIdentifier = query.value(0).toString();
        content.dataSize = query.value(2).toLongLong();
        content.data = bytesFrom(query.value(3));
        content.textPreview = isDerivedMarker(query.value(1))
            ? std::optional<QString>(QString::fromUtf8(content.data.value_or(QByteArray())))
            : textFrom(query.value(1));
        content.thumbnailData = bytesFrom(query.value(4));
        contents.append(content);
    }
    query.finish();
    return contents;
}

bool Store::insertFolder(const SnippetFolder &folder)
{
    return mutate("inserting a snippet folder", { Record::SnippetFolder }, [&](StepFailure &failure) {
        return step(
            statement(kInsertFolder), { uuidText(folder.id), text(folder.name), folder.sortOrder }, failure);
    });
}

bool Store::updateFolder(const SnippetFolder &folder)
{
    return mutate("updating a snippet folder", { Record::SnippetFolder }, [&](StepFailure &failure) {
        return step(
            statement(kUpdateFolder), { text(folder.name), folder.sortOrder, uuidText(folder.id) }, failure);
    });
}

bool Store::deleteFolder(const QUuid &id)
{
    return mutate("deleting a snippet folder", { Record::SnippetFolder, Record::Snippet },
        [&](StepFailure &failure) { return step(statement(kDeleteFolder), { uuidText(id) }, failure); });
}

QList<SnippetFolder> Store::folders()
{
    QList<SnippetFolder> folders;
    QSqlQuery &query = statement(kFolders);
    if (!exec(query, {}))
        qCWarning(lcStore) << "fetching folders failed:" << query.lastError().text();
    while (query.isActive() && query.next())
        folders.append({ uuidFrom(query.value(0)), query.value(1).toString(), query.value(2).toLongLong() });
    query.finish();
    return folders;
}

bool Store::insertSnippet(const Snippet &snippet, const std::optional<QByteArray> &contentData)
{
    return mutate("inserting a snippet", { Record::Snippet }, [&](StepFailure &failure) {
        return step(statement(kInsertSnippet),
            { uuidText(snippet.id), text(snippet.title), snippet.sortOrder, text(snippet.contentUTType),
                optionalText(snippet.textContent), optionalBytes(snippet.hotkeyData),
                dateValue(snippet.createdAt), optionalUuid(snippet.folder), optionalBytes(contentData) },
            failure);
    });
}

bool Store::updateSnippet(const Snippet &snippet, const std::optional<QByteArray> &contentData)
{
    return mutate("updating a snippet", { Record::Snippet }, [&](StepFailure &failure) {
        if (!step(statement(kUpdateSnippet),
                { text(snippet.title), snippet.sortOrder, text(snippet.contentUTType),
                    optionalText(snippet.textContent), optionalBytes(snippet.hotkeyData),
                    dateValue(snippet.createdAt), optionalUuid(snippet.folder), uuidText(snippet.id) },
                failure))
            return false;
        return !contentData
            || step(statement(kSetSnippetContent), { QVariant(*contentData), uuidText(snippet.id) }, failure);
    });
}

bool Store::deleteSnippet(const QUuid &id)
{
    return mutate("deleting a snippet", { Record::Snippet },
        [&](StepFailure &failure) { return step(statement(kDeleteSnippet), { uuidText(id) }, failure); });
}

namespace {

QList<Snippet> fetchSnippets(QSqlQuery &query, std::initializer_list<QVariant> bindings)
{
    QList<Snippet> snippets;
    if (!exec(query, bindings))
        qCWarning(lcStore) << "fetching snippets failed:" << query.lastError().text();
    while (query.isActive() && query.next())
        snippets.append(snippetFrom(query));
    query.finish();
    return snippets;
}

} // namespace

QList<Snippet> Store::snippets(const QUuid &folderId)
{
    return fetchSnippets(statement(kSnippetsOfFolder), { uuidText(folderId) });
}

QList<Snippet> Store::allSnippets()
{
    return fetchSnippets(statement(kAllSnippets), {});
}

std::optional<QByteArray> Store::snippetContentData(const QUuid &id)
{
    return fetchBytes(statement(kSnippetContent), uuidText(id), "snippet content");
}

bool Store::insertPrompt(const SavedPrompt &prompt)
{
    return mutate("inserting a saved prompt", { Record::SavedPrompt }, [&](StepFailure &failure) {
        return step(statement(kInsertPrompt),
            { uuidText(prompt.id), text(prompt.name), text(prompt.icon), text(prompt.systemPrompt),
                prompt.sortOrder, dateValue(prompt.createdAt), text(prompt.modeRaw) },
            failure);
    });
}

bool Store::updatePrompt(const SavedPrompt &prompt)
{
    return mutate("updating a saved prompt", { Record::SavedPrompt }, [&](StepFailure &failure) {
        return step(statement(kUpdatePrompt),
            { text(prompt.name), text(prompt.icon), text(prompt.systemPrompt), prompt.sortOrder,
                dateValue(prompt.createdAt), text(prompt.modeRaw), uuidText(prompt.id) },
            failure);
    });
}

bool Store::deletePrompt(const QUuid &id)
{
    return mutate("deleting a saved prompt", { Record::SavedPrompt },
        [&](StepFailure &failure) { return step(statement(kDeletePrompt), { uuidText(id) }, failure); });
}

QList<SavedPrompt> Store::savedPrompts()
{
    QList<SavedPrompt> prompts;
    QSqlQuery &query = statement(kPrompts);
    if (!exec(query, {}))
        qCWarning(lcStore) << "fetching saved prompts failed:" << query.lastError().text();
    while (query.isActive() && query.next())
        prompts.append(promptFrom(query));
    query.finish();
    return prompts;
}

std::optional<qint64> Store::maxPromptSortOrder()
{
    QSqlQuery &query = statement(kMaxPromptSortOrder);
    std::optional<qint64> max;
    if (exec(query, {}) && query.next() && !query.value(0).isNull())
        max = query.value(0).toLongLong();
    query.finish();
    return max;
}

namespace {

constexpr char kKeptItems[] = "CREATE TEMP TABLE IF NOT EXISTS KeptClipboardItem AS "
                              "SELECT * FROM main.ClipboardItem WHERE 0";
constexpr char kKeptContents[] = "CREATE TEMP TABLE IF NOT EXISTS KeptClipboardContent AS "
                                 "SELECT * FROM main.ClipboardContent WHERE 0";
constexpr char kForgetKeptContents[] = "DELETE FROM temp.KeptClipboardContent";
constexpr char kForgetKeptItems[] = "DELETE FROM temp.KeptClipboardItem";
constexpr char kKeepItem[]
    = "INSERT INTO temp.KeptClipboardItem SELECT * FROM main.ClipboardItem WHERE id = ?";
constexpr char kKeepUnpinned[]
    = "INSERT INTO temp.KeptClipboardItem SELECT * FROM main.ClipboardItem WHERE isPinned = 0";
constexpr char kKeepContents[] = "INSERT INTO temp.KeptClipboardContent SELECT * FROM main.ClipboardContent "
                                 "WHERE item IN (SELECT number FROM temp.KeptClipboardItem)";
// An entry copied again since keeps its new place; the kept one stays away.
// The others come back under new numbers (theirs may have been taken), after
// every existing entry, and their representations follow them by UUID.
#define ITEM_COLUMNS                                                                                         \
    "id, createdAt, lastUsedAt, useCount, sourceAppBundleID, sourceAppName, title, contentTypeRaw, "         \
    "isPinned, contentHash, thumbnailData, searchText"
constexpr char kRestoreItems[]
    = "INSERT INTO main.ClipboardItem (" ITEM_COLUMNS ") SELECT " ITEM_COLUMNS
      " FROM temp.KeptClipboardItem AS kept WHERE NOT EXISTS "
      "(SELECT 1 FROM main.ClipboardItem AS item WHERE item.id = kept.id) AND NOT EXISTS (SELECT 1 FROM "
      "main.ClipboardItem AS item WHERE substr(item.contentHash, 1, 8) = substr(kept.contentHash, 1, 8) "
      "AND item.contentHash = kept.contentHash) ORDER BY kept.number";
#undef ITEM_COLUMNS
constexpr char kRestoreContents[]
    = "INSERT INTO main.ClipboardContent (item, utTypeIdentifier, textPreview, dataSize, data, "
      "thumbnailData) SELECT item.number, kept.utTypeIdentifier, kept.textPreview, kept.dataSize, kept.data, "
      "kept.thumbnailData FROM temp.KeptClipboardContent AS kept "
      "JOIN temp.KeptClipboardItem AS keptItem ON keptItem.number = kept.item "
      "JOIN main.ClipboardItem AS item ON item.id = keptItem.id WHERE item.number > ? ORDER BY kept.rowid";

} // namespace

bool Store::keepRemovedItems(QSqlError &failure, const std::function<bool()> &select)
{
    QSqlQuery create(m_db);
    for (const char *sql : { kKeptItems, kKeptContents }) {
        if (!create.exec(QString::fromLatin1(sql))) {
            failure = create.lastError();
            return false;
        }
    }
    StepFailure forget;
    const bool ok
        = step(statement(kForgetKeptContents), {}, forget) && step(statement(kForgetKeptItems), {}, forget);
    if (!ok) {
        failure = forget.error;
        return false;
    }
    if (!select())
        return false;
    StepFailure keep;
    if (!step(statement(kKeepContents), {}, keep)) {
        failure = keep.error;
        return false;
    }
    return true;
}

std::optional<qint64> Store::deleteItemsKeepingThem(const QList<QUuid> &ids)
{
    qint64 removed = 0;
    const bool ok = mutate("deleting history entries", { Record::ClipboardItem, Record::ClipboardContent },
        [&](StepFailure &failure) {
            const auto keep = [&] {
                for (const QUuid &id : ids) {
                    if (!step(statement(kKeepItem), { itemKey(id) }, failure))
                        return false;
                }
                return true;
            };
            if (!keepRemovedItems(failure.error, keep))
                return false;
            for (const QUuid &id : ids) {
                if (!step(statement(kUnindexItem), { itemKey(id) }, failure))
                    return false;
                QSqlQuery &remove = statement(kDeleteItem);
                if (!exec(remove, { itemKey(id) })) {
                    failure.error = remove.lastError();
                    return false;
                }
                removed += std::max(0, remove.numRowsAffected());
                remove.finish();
            }
            return true;
        });
    if (!ok)
        return std::nullopt;
    announce({ {}, {}, ids, false });
    return removed;
}

std::optional<qint64> Store::deleteUnpinnedItemsKeepingThem()
{
    qint64 removed = 0;
    const bool ok = mutate("clearing the history", { Record::ClipboardItem, Record::ClipboardContent },
        [&](StepFailure &failure) {
            if (!keepRemovedItems(failure.error, [&] { return step(statement(kKeepUnpinned), {}, failure); }))
                return false;
            QSqlQuery &remove = statement(kDeleteUnpinned);
            if (!exec(remove, {})) {
                failure.error = remove.lastError();
                return false;
            }
            removed = std::max(0, remove.numRowsAffected());
            remove.finish();
            return step(statement(kUnindexAll), {}, failure) && step(statement(kIndexPinned), {}, failure);
        });
    if (!ok)
        return std::nullopt;
    announce({ {}, {}, {}, true });
    return removed;
}

qint64 Store::restoreKeptItems()
{
    qint64 restored = 0;
    const bool ok = mutate("restoring history entries", { Record::ClipboardItem, Record::ClipboardContent },
        [&](StepFailure &failure) {
            QSqlQuery probe(m_db);
            if (!probe.exec(
                    QStringLiteral("SELECT 1 FROM sqlite_temp_master WHERE name = 'KeptClipboardItem'"))
                || !probe.next())
                return true; // nothing was ever kept
            probe.finish();
            QSqlQuery &last = statement(kLastItemRow);
            if (!exec(last, {}) || !last.next()) {
                failure.error = last.lastError();
                return false;
            }
            const qint64 lastRow = last.value(0).toLongLong();
            last.finish();
            QSqlQuery &items = statement(kRestoreItems);
            if (!exec(items, {})) {
                failure.error = items.lastError();
                return false;
            }
            restored = std::max(0, items.numRowsAffected());
            items.finish();
            return step(statement(kRestoreContents), { lastRow }, failure)
                && step(statement(kIndexFrom), { lastRow }, failure)
                && step(statement(kForgetKeptContents), {}, failure)
                && step(statement(kForgetKeptItems), {}, failure);
        });
    if (!ok || restored == 0)
        return 0;
    announce({ {}, {}, {}, true });
    return restored;
}

void Store::forgetKeptItems()
{
    QSqlQuery forget(m_db);
    // Nothing to forget in a store that never kept anything.
    forget.exec(QString::fromLatin1(kForgetKeptContents));
    forget.exec(QString::fromLatin1(kForgetKeptItems));
}

} // namespace quillet
