#pragma once

#include "store/Store.h"

#include <QTemporaryDir>

#include <memory>

namespace quillet::test {

// A fresh, empty store in a temporary folder; both go with the fixture.
class TempStore {
public:
    TempStore();
    ~TempStore();

    Store &operator*() { return *m_store; }
    Store *operator->() { return m_store.get(); }
    Store *get() { return m_store.get(); }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Store> m_store;
};

// A text entry titled `title`, last used `secondsAgo` before a fixed moment.
ClipboardItem textItem(const QString &title, qint64 secondsAgo = 0, bool pinned = false);
// One representation with its bytes.
ClipboardContent content(const QString &type, const QByteArray &data);
// Inserts `textItem(title)` with a text/plain representation of `title`.
ClipboardItem insertText(Store &store, const QString &title, qint64 secondsAgo = 0, bool pinned = false);
// Fills a store with `count` text entries titled "Entry 1" (oldest) … "Entry n" (newest).
void fillHistory(Store &store, int count, int firstNumber = 1);

SnippetFolder snippetFolder(const QString &name, qint64 order = 0);
Snippet textSnippet(const QString &title, qint64 order, std::optional<QUuid> folder);
// Inserts a text snippet whose content is `text`.
Snippet insertSnippet(
    Store &store, const QString &title, const QString &text, qint64 order, std::optional<QUuid> folder);

// Runs `statements` on the SQLite file at `path` through a connection of its
// own, behind any store's back, as sqlite3 would.
void execOnFile(const QString &path, const QStringList &statements);

// Locks the SQLite file at `path` as another program would, until destroyed:
// against writers, and with `readersToo` against readers as well.
class FileLock {
public:
    FileLock(const QString &path, bool readersToo);
    ~FileLock();

private:
    QString m_connection;
};

// Caps the store's own connection at the pages the file has now, so that the
// next write needing a page fails as on a full disk; false lifts the cap.
void capPages(Store &store, bool capped);

// Renames the history's table behind the store's back, so every later read
// of the history fails.
void breakHistoryTable(Store &store);

// The titles of `records`, in order.
template<typename Record> QStringList titlesOf(const QList<Record> &records)
{
    QStringList titles;
    for (const Record &record : records)
        titles.append(record.title);
    return titles;
}

// The titles of the history, newest first.
QStringList historyTitles(Store &store);

} // namespace quillet::test
