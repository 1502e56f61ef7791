#pragma once

#include "store/ClipboardContent.h"
#include "store/ClipboardItem.h"
#include "store/SavedPrompt.h"
#include "store/Snippet.h"
#include "store/SnippetFolder.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

class QSqlQuery;

namespace quillet {

// The persistent store of the history, snippets and saved prompts: one SQLite
// file in WAL mode, used through one connection on the main thread.
//
// Every mutation is one transaction; a failed one is rolled back, logged and
// reported by a false return, never thrown. A failed fetch logs and reads as
// nothing found. After each commit `changed` names the record type that
// changed, which is what live lists re-query on.
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

    // Opens the store at `path`, creating the schema in a new file. Fails
    // (nullptr, with `error` set) when the file is not a usable SQLite
    // database, fails its integrity check, or carries another schema.
    static std::unique_ptr<Store> open(const QString &path, QString *error);

    ~Store() override;

    QString path() const { return m_path; }

    // History entries.
    bool insertItem(const ClipboardItem &item, const std::optional<QByteArray> &thumbnail,
        const QList<ClipboardContent> &contents);
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
    // Every entry, newest createdAt first.
    QList<ClipboardItem> itemsByCreatedAt();
    qint64 itemCount();
    std::optional<QByteArray> itemThumbnail(const QUuid &id);
    // The stored representations of one entry, with their bytes.
    QList<ClipboardContent> contents(const QUuid &itemId);

    // Snippets and folders.
    bool insertFolder(const SnippetFolder &folder);
    bool updateFolder(const SnippetFolder &folder);
    bool deleteFolder(const QUuid &id);
    // Every folder by ascending sortOrder.
    QList<SnippetFolder> folders();
    bool insertSnippet(const Snippet &snippet, const std::optional<QByteArray> &contentData);
    bool updateSnippet(const Snippet &snippet);
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

private:
    Store(QString connectionName, QString path);

    bool prepareSchema(QString *error);
    // Emits itemsChanged; true, so a mutation can end with it.
    bool announce(const ItemChanges &changes);
    QSqlQuery &statement(const char *sql);
    template<typename Fn> bool mutate(const char *what, std::initializer_list<Record> records, Fn &&body);
    QList<ClipboardItem> fetchItems(const char *sql, std::initializer_list<QVariant> bindings);

    QSqlDatabase m_db;
    QString m_connectionName;
    QString m_path;
    QHash<const char *, std::shared_ptr<QSqlQuery>> m_statements;
};

} // namespace quillet
