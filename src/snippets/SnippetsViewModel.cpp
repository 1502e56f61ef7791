#include "snippets/SnippetsViewModel.h"

#include "core/Search.h"

#include <algorithm>

namespace quillet {

SnippetsViewModel::SnippetsViewModel(Store &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    connect(&m_store, &Store::changed, this, [this](Store::Record record) {
        if (record == Store::Record::Snippet || record == Store::Record::SnippetFolder)
            Q_EMIT snippetsChanged();
    });
}

QList<SnippetFolder> SnippetsViewModel::folders() const
{
    return m_store.folders();
}

QList<SnippetsViewModel::FolderWithSnippets> SnippetsViewModel::foldersWithSnippets() const
{
    QList<FolderWithSnippets> out;
    for (const SnippetFolder &folder : folders())
        out.append({ folder, m_store.snippets(folder.id) });
    return out;
}

QList<Snippet> SnippetsViewModel::flatSnippets() const
{
    QList<Snippet> snippets;
    for (const FolderWithSnippets &entry : foldersWithSnippets())
        snippets.append(entry.snippets);
    std::stable_sort(snippets.begin(), snippets.end(),
        [](const Snippet &a, const Snippet &b) { return a.sortOrder < b.sortOrder; });
    return snippets;
}

QList<Snippet> SnippetsViewModel::filteredSnippets(const QString &query) const
{
    QList<Snippet> out;
    for (const Snippet &snippet : flatSnippets()) {
        if (matchesSearch(snippet.title, query))
            out.append(snippet);
    }
    return out;
}

void SnippetsViewModel::setIsEditingSnippet(bool editing)
{
    if (m_isEditingSnippet == editing)
        return;
    m_isEditingSnippet = editing;
    Q_EMIT isEditingSnippetChanged();
}

} // namespace quillet
