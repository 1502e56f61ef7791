#pragma once

#include "store/ClipboardContent.h"
#include "store/ClipboardItem.h"
#include "store/SavedPrompt.h"
#include "store/Snippet.h"
#include "store/SnippetFolder.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QThreadPool>
#include <QUuid>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;

namespace quillet {

// The persistent store of the history, snippets and saved prompts: one SQLite
// file in WAL mode, used through one connection on the main thread.
//
// Every mutation is one transaction; a failed one is rolled back, logged and
// reported by a false return, never thrown. A failed fetch logs and reads as
// nothing found, except where a caller must tell the two apart (the export). After each commit `changed`
// names the record type that changed, which is what live lists re-query on.
//
// Payload columns (content bytes and thumbnails) are read only by the calls
// that name them; list queries never load them.
class Store : public QObject {
    Q_OBJECT
public:
    enum class Record { ClipboardItem, ClipboardContent, SnippetFolder, Snippet, SavedPrompt };
    Q_ENUM(Record)

    // Which history entries one commit touched; `all` when it may have
    // touched any (a clear or reset).
    struct ItemChanges {
        QList<QUuid> inserted;
        QList<QUuid> updated;
        QList<QUuid> deleted;
        bool all = false;
    };

    static const QString schemaVersion;

    // Why a file could not be opened: damage (not a database, corrupt, a
    // failed quick check, another schema) is the only reason to set it aside;
    // anything else (locked, unreadable, full, an I/O error) may pass.
    enum class OpenFailure { none, damaged, unavailable };

    // Opens the store at `path`, creating the schema in a new file. Fails
    // (nullptr, with `error` set and `failure` saying which kind) when the
    // file is not a usable SQLite database, fails its integrity check, or
    // carries another schema, or cannot be read or written at all.
    static std::unique_ptr<Store> open(const QString &path, QString *error, OpenFailure *failure = nullptr);
    // A store that reads as empty and refuses every write, standing in for
    // the file at `path` while it cannot be used (`reason`); reattach() tries
    // the file again.
    static std::unique_ptr<Store> openUnavailable(const QString &path, const QString &reason);
    // Opens an existing store for reading only, beside the instance that may
    // be writing it; nothing is created, checked for damage or recovered.
    // Fails when there is no file or it carries another schema.
    static std::unique_ptr<Store> openReadOnly(const QString &path, QString *error);

    ~Store() override;

    QString path() const { return m_path; }

    // False while the store stands in for a file that cannot be used.
    bool isAvailable() const { return m_unavailableReason.isEmpty(); }
    QString unavailableReason() const { return m_unavailableReason; }
    // Whether the file is being converted from an earlier layout; it becomes
    // available by itself when that is done.
    bool isConverting() const { return m_compacting; }
    // Opens the file again in place of the stand-in; on success every record
    // type reads as changed. Fails as open() does, leaving the stand-in.
    bool reattach(QString *error, OpenFailure *failure);
    // Why the last write failed, in the user's words ("the disk is full").
    QString lastWriteError() const { return m_lastWriteError; }
    // Bytes the file and its log take on disk.
    qint64 sizeOnDisk() const;
    // Converts a file made before freed pages could be given back, once, on
    // a worker thread; nothing for a file that already can.
    void convertToIncrementalVacuum();

    // History entries. `searchText` is the entry's text folded for search
    // (empty for an entry without text); without it the entry waits to be
    // indexed (itemIdsWithoutSearchText).
    bool insertItem(const ClipboardItem &item, const std::optional<QByteArray> &thumbnail,
        const QList<ClipboardContent> &contents, const std::optional<QString> &searchText = std::nullopt);
    // The same on a connection of a worker thread, for an entry whose
    // contents are large: writing them never stalls the interface. The
    // change signals follow on this thread, then the future gives whether the
    // entry was stored. Meanwhile the main connection's writes wait for it.
    QFuture<bool> insertItemInBackground(const ClipboardItem &item,
        const std::optional<QByteArray> &thumbnail, const QList<ClipboardContent> &contents,
        const std::optional<QString> &searchText = std::nullopt);
    // Writes every non-payload property of an existing entry.
    bool updateItem(const ClipboardItem &item);
    bool deleteItems(const QList<QUuid> &ids);
    bool deleteUnpinnedItems();
    bool deleteAllItems();
    std::optional<ClipboardItem> item(const QUuid &id);
    std::optional<ClipboardItem> findItemByHash(const QString &contentHash);
    // Every entry, newest lastUsedAt first; `limit` < 0 means all.
    QList<ClipboardItem> itemsByLastUsed(qint64 limit = -1);
    // Unpinned entries, newest lastUsedAt first, skipping the first `offset`.
    QList<ClipboardItem> unpinnedItemsByLastUsed(qint64 offset = 0, qint64 limit = -1);
    // Every entry, newest createdAt first; nothing when the store cannot be
    // read (an empty list means an empty history).
    std::optional<QList<ClipboardItem>> itemsByCreatedAt();
    qint64 itemCount();
    std::optional<QByteArray> itemThumbnail(const QUuid &id);
    // The entries whose search text contains `foldedQuery` (folded as the
    // texts are; see core/Search.h), on this connection. Titles are matched
    // by their readers.
    QSet<QUuid> itemIdsWithSearchText(const QString &foldedQuery);
    // The same through a read-only connection of the calling thread, for a
    // worker; nothing once `cancelled` answers true (asked often) or when the
    // store cannot be read.
    static std::optional<QSet<QUuid>> findItemIds(
        const QString &path, const QString &foldedQuery, const std::function<bool()> &cancelled);
    // Up to `limit` entries that have no search text yet, and giving them one.
    QList<QUuid> itemIdsWithoutSearchText(qint64 limit);
    bool setSearchTexts(const QList<std::pair<QUuid, QString>> &texts);
    // The stored representations of one entry, with their bytes.
    QList<ClipboardContent> contents(const QUuid &itemId);

    // Snippets and folders.
    bool insertFolder(const SnippetFolder &folder);
    bool updateFolder(const SnippetFolder &folder);
    bool deleteFolder(const QUuid &id);
    // Every folder by ascending sortOrder.
    QList<SnippetFolder> folders();
    bool insertSnippet(const Snippet &snippet, const std::optional<QByteArray> &contentData);
    // Writes every property; with `contentData`, the content bytes too.
    bool updateSnippet(const Snippet &snippet, const std::optional<QByteArray> &contentData = std::nullopt);
    bool deleteSnippet(const QUuid &id);
    // The snippets of one folder, by ascending sortOrder.
    QList<Snippet> snippets(const QUuid &folderId);
    // Every snippet, whatever its folder.
    QList<Snippet> allSnippets();
    std::optional<QByteArray> snippetContentData(const QUuid &id);

    // Saved prompts.
    bool insertPrompt(const SavedPrompt &prompt);
    bool updatePrompt(const SavedPrompt &prompt);
    bool deletePrompt(const QUuid &id);
    // Every saved prompt by ascending sortOrder.
    QList<SavedPrompt> savedPrompts();
    // The largest sortOrder, nothing when there are no prompts.
    std::optional<qint64> maxPromptSortOrder();

Q_SIGNALS:
    void changed(quillet::Store::Record record);
    // After `changed` for history entries: which ones, so lists can update
    // by rows.
    void itemsChanged(const quillet::Store::ItemChanges &changes);
    void availabilityChanged();

private:
    Store(QString connectionName, QString path, bool readOnly);

    bool prepareSchema(QString *error);
    bool openConnection(QString *error, OpenFailure *failure);
    void noteWriteFailure(const QSqlError &error);
    void releaseFreePages();
    bool checkSchemaVersion(QString *error);
    // Emits itemsChanged; true, so a mutation can end with it.
    bool announce(const ItemChanges &changes);
    bool migrate(QString *error);
    QSqlQuery &statement(const char *sql);
    template<typename Fn> bool mutate(const char *what, std::initializer_list<Record> records, Fn &&body);
    QList<ClipboardItem> fetchItems(
        const char *sql, std::initializer_list<QVariant> bindings, bool *ok = nullptr);

    void checkpointSoon(bool truncate = false);
    // Converts a file of an earlier layout on a worker, standing in for it
    // meanwhile; reattaches once done.
    void startCompaction();
    void compacted(bool ok, const QString &error);

    QSqlDatabase m_db;
    QThreadPool m_checkpointer;
    QThreadPool m_writer;
    std::shared_ptr<std::atomic<bool>> m_checkpointing = std::make_shared<std::atomic<bool>>(false);
    QString m_connectionName;
    QString m_path;
    QHash<const char *, std::shared_ptr<QSqlQuery>> m_statements;
    // Whether the file has an earlier layout, whether it has pages of
    // another size (a conversion ended before its rewrite), whether that
    // rewrite was tried already, and whether it is being converted.
    bool m_needsCompaction = false;
    bool m_needsRewrite = false;
    bool m_rewriteTried = false;
    bool m_compacting = false;
    QString m_unavailableReason;
    QString m_lastWriteError;
    // Whether the last schema check found another schema (damage).
    bool m_otherSchema = false;
    // The SQLite result code of the last failed statement while opening.
    int m_openCode = 0;

public:
    // Removing with a way back. These delete like deleteItems() and
    // deleteUnpinnedItems(), but first keep the removed entries, with their
    // contents, in temporary tables of this connection (in place of what was
    // kept before), so that restoreKeptItems() can put them back as they
    // were. The kept entries live until forgetKeptItems() or until the store
    // closes. How many entries went; nothing when the store refused.
    std::optional<qint64> deleteItemsKeepingThem(const QList<QUuid> &ids);
    std::optional<qint64> deleteUnpinnedItemsKeepingThem();
    // Puts the kept entries back, except those whose content has been copied
    // again meanwhile; how many came back.
    qint64 restoreKeptItems();
    void forgetKeptItems();

private:
    bool keepRemovedItems(QSqlError &failure, const std::function<bool()> &select);
};

} // namespace quillet
