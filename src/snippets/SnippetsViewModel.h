#pragma once

#include "store/Store.h"

#include <QObject>

#include <optional>

namespace quillet {

// The snippet lists the tray popup and the floating panel share: folders by
// their order, each with its snippets, and one flat list of every foldered
// snippet by its own order. Lists follow the store while it changes (the
// `snippetsChanged` signal), so edits show at once wherever snippets are
// listed. Main thread only.
//
// Editing keeps sortOrder the ascending position: a new folder or snippet
// goes last. Snippets made here hold UTF-8 plain text.
class SnippetsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        bool isEditingSnippet READ isEditingSnippet WRITE setIsEditingSnippet NOTIFY isEditingSnippetChanged)
public:
    struct FolderWithSnippets {
        SnippetFolder folder;
        QList<Snippet> snippets;
    };

    explicit SnippetsViewModel(Store &store, QObject *parent = nullptr);

    QList<SnippetFolder> folders() const;
    QList<FolderWithSnippets> foldersWithSnippets() const;
    // Folder by folder in folder order, then by the snippets' sortOrder.
    QList<Snippet> flatSnippets() const;
    // The flat list narrowed by the shared title search rule.
    QList<Snippet> filteredSnippets(const QString &query) const;

    // The text a snippet pastes, for editing; empty for a snippet that holds
    // no text.
    QString text(const Snippet &snippet) const;

    // Editing. Names and titles are trimmed; an empty one is refused.
    std::optional<SnippetFolder> createFolder(const QString &name);
    bool renameFolder(const QUuid &folder, const QString &name);
    // The folder goes with its snippets.
    bool deleteFolder(const QUuid &folder);
    std::optional<Snippet> createSnippet(const QUuid &folder, const QString &title, const QString &text);
    bool updateSnippet(const QUuid &snippet, const QString &title, const QString &text);
    bool moveSnippet(const QUuid &snippet, const QUuid &folder);
    bool deleteSnippet(const QUuid &snippet);
    // A snippet of a history entry's text, titled like the entry, in the
    // first folder (a "Snippets" folder is made when there is none); nothing
    // for an entry without text.
    std::optional<Snippet> createSnippetFromItem(const ClipboardItem &item);

    const std::optional<SnippetFolder> &selectedFolder() const { return m_selectedFolder; }
    void setSelectedFolder(const std::optional<SnippetFolder> &folder) { m_selectedFolder = folder; }
    const std::optional<Snippet> &selectedSnippet() const { return m_selectedSnippet; }
    void setSelectedSnippet(const std::optional<Snippet> &snippet) { m_selectedSnippet = snippet; }
    bool isEditingSnippet() const { return m_isEditingSnippet; }
    void setIsEditingSnippet(bool editing);

Q_SIGNALS:
    void snippetsChanged();
    void isEditingSnippetChanged();

private:
    std::optional<Snippet> storedSnippet(const QUuid &id) const;
    qint64 nextSnippetOrder() const;

    Store &m_store;
    std::optional<SnippetFolder> m_selectedFolder;
    std::optional<Snippet> m_selectedSnippet;
    bool m_isEditingSnippet = false;
};

} // namespace quillet
