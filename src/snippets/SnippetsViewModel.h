#pragma once

#include "store/Store.h"

#include <QObject>

#include <optional>

namespace quillet {

// The snippet lists the tray popup and the floating panel share: folders by
// their order, each with its snippets, and one flat list of every foldered
// snippet by its own order. Lists follow the store while it changes (the
// `snippetsChanged` signal). Main thread only.
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
    Store &m_store;
    std::optional<SnippetFolder> m_selectedFolder;
    std::optional<Snippet> m_selectedSnippet;
    bool m_isEditingSnippet = false;
};

} // namespace quillet
