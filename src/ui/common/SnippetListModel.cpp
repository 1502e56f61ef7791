#include "ui/common/SnippetListModel.h"

namespace quillet {

SnippetListModel::SnippetListModel(SnippetsViewModel &snippets, QObject *parent)
    : RowListModel(parent)
    , m_snippets(&snippets)
{
    connect(&snippets, &SnippetsViewModel::snippetsChanged, this, &SnippetListModel::reload);
    reload();
}

int SnippetListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant SnippetListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const Snippet &snippet = m_shown.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return snippet.title;
    case SnippetRole:
        return QVariant::fromValue(snippet);
    case FolderNameRole:
    case Qt::AccessibleDescriptionRole:
        return snippet.folder ? m_folderNames.value(*snippet.folder) : QString();
    case IndexRole:
        return index.row();
    default:
        return {};
    }
}

void SnippetListModel::setSearchText(const QString &text)
{
    if (text == m_search)
        return;
    m_search = text;
    reload();
}

std::optional<Snippet> SnippetListModel::snippetAt(qsizetype position) const
{
    if (position < 0 || position >= m_shown.size())
        return std::nullopt;
    return m_shown.at(position);
}

void SnippetListModel::reload()
{
    QHash<QUuid, QString> names;
    QList<Snippet> target;
    if (m_snippets) {
        for (const SnippetFolder &folder : m_snippets->folders())
            names.insert(folder.id, folder.name);
        target = m_snippets->filteredSnippets(m_search);
    }
    const bool renamed = names != m_folderNames;
    m_folderNames = names;
    syncRows(m_shown, target, [](const Snippet &snippet) { return snippet.id; });
    if (renamed && !m_shown.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_shown.size()) - 1));
    Q_EMIT contentsChanged();
}

} // namespace quillet
