#include "ui/common/HistoryListModel.h"

#include "core/Search.h"
#include "ui/common/ItemPresentation.h"

namespace quillet {

HistoryListModel::HistoryListModel(Store &store, qint64 shownLimit, QObject *parent)
    : RowListModel(parent)
    , m_store(&store)
    , m_limit(shownLimit)
    , m_textSearch(store)
{
    connect(&store, &Store::itemsChanged, this, &HistoryListModel::apply);
    connect(&m_textSearch, &HistorySearch::found, this, &HistoryListModel::textsFound);
    reload();
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const ClipboardItem &item = m_shown.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayTitle(item.title);
    case Qt::ToolTipRole:
        return plainToolTip(item.title.left(500));
    case Qt::AccessibleDescriptionRole:
        // What the row's pin mark says to the eye.
        return item.isPinned ? tr("Pinned") : QString();
    case ItemRole:
        return QVariant::fromValue(item);
    case IndexRole:
        return index.row();
    default:
        return {};
    }
}

void HistoryListModel::setSearchText(const QString &text)
{
    if (text == m_search)
        return;
    m_search = text;
    m_textMatches.clear();
    refilter();
    searchTexts();
}

void HistoryListModel::searchTexts()
{
    const QString query = foldForSearch(m_search);
    if (query.isEmpty() || !m_store)
        m_textSearch.cancel();
    else
        m_textSearch.start(query);
}

void HistoryListModel::textsFound(const QString &foldedQuery, const QSet<QUuid> &ids)
{
    if (foldedQuery != foldForSearch(m_search))
        return;
    m_textMatches = ids;
    refilter();
}

void HistoryListModel::setShownLimit(qint64 limit)
{
    if (limit == m_limit)
        return;
    m_limit = limit;
    refilter();
}

std::optional<ClipboardItem> HistoryListModel::filteredAt(qsizetype position) const
{
    if (position < 0 || position >= m_filtered.size())
        return std::nullopt;
    return m_entries.at(m_filtered.at(position)).item;
}

QPixmap HistoryListModel::thumbnail(const ClipboardItem &item) const
{
    auto it = m_thumbnails.constFind(item.id);
    if (it != m_thumbnails.constEnd())
        return *it;
    QPixmap pixmap;
    if (m_store) {
        if (const auto bytes = m_store->itemThumbnail(item.id))
            pixmap.loadFromData(*bytes);
    }
    m_thumbnails.insert(item.id, pixmap);
    return pixmap;
}

void HistoryListModel::reload()
{
    m_entries.clear();
    if (m_store) {
        for (const ClipboardItem &item : m_store->itemsByLastUsed())
            m_entries.append({ item, foldForSearch(item.title) });
    }
    refilter();
    if (!m_search.isEmpty())
        searchTexts();
}

void HistoryListModel::apply(const Store::ItemChanges &changes)
{
    if (changes.all || !m_store) {
        reload();
        return;
    }
    QSet<QUuid> gone(changes.deleted.cbegin(), changes.deleted.cend());
    for (const QUuid &id : changes.inserted)
        gone.insert(id);
    for (const QUuid &id : changes.updated)
        gone.insert(id);
    m_entries.removeIf([&](const Entry &entry) { return gone.contains(entry.item.id); });
    for (const QUuid &id : changes.deleted)
        m_thumbnails.remove(id);
    for (const QList<QUuid> *ids : { &changes.inserted, &changes.updated }) {
        for (const QUuid &id : *ids) {
            if (const auto item = m_store->item(id))
                place(*item);
        }
    }
    refilter();
    // A new entry's text may match; the matches found so far stay meanwhile.
    if (!m_search.isEmpty() && !changes.inserted.isEmpty())
        searchTexts();
}

void HistoryListModel::place(const ClipboardItem &item)
{
    // Newest first; the entry just used goes before others of the same time.
    qsizetype position = 0;
    while (position < m_entries.size() && m_entries.at(position).item.lastUsedAt > item.lastUsedAt)
        ++position;
    m_entries.insert(position, { item, foldForSearch(item.title) });
}

void HistoryListModel::refilter()
{
    m_filtered.clear();
    const QString query = foldForSearch(m_search);
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries.at(i);
        if (query.isEmpty() || entry.lowerTitle.contains(query) || m_textMatches.contains(entry.item.id))
            m_filtered.append(i);
    }
    const qsizetype shown = m_limit < 0 ? m_filtered.size() : std::min<qsizetype>(m_limit, m_filtered.size());
    QList<ClipboardItem> target;
    target.reserve(shown);
    for (qsizetype i = 0; i < shown; ++i)
        target.append(m_entries.at(m_filtered.at(i)).item);
    syncRows(m_shown, target, [](const ClipboardItem &item) { return item.id; });
    Q_EMIT filteredCountChanged();
}

} // namespace quillet
