#include "ui/common/HistoryListModel.h"

#include "core/Search.h"
#include "ui/common/ItemPresentation.h"

namespace quillet {

HistoryListModel::HistoryListModel(Store &store, qint64 shownLimit, QObject *parent)
    : QAbstractListModel(parent)
    , m_store(&store)
    , m_limit(shownLimit)
{
    connect(&store, &Store::changed, this, [this](Store::Record record) {
        if (record == Store::Record::ClipboardItem)
            reload();
    });
    reload();
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const qsizetype shown = m_limit < 0 ? m_filtered.size() : std::min<qsizetype>(m_limit, m_filtered.size());
    return int(shown);
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ClipboardItem &item = m_items.at(m_filtered.at(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return displayTitle(item.title);
    case Qt::ToolTipRole:
        return plainToolTip(item.title.left(500));
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
    refilter();
}

void HistoryListModel::setShownLimit(qint64 limit)
{
    if (limit == m_limit)
        return;
    beginResetModel();
    m_limit = limit;
    endResetModel();
}

std::optional<ClipboardItem> HistoryListModel::filteredAt(qsizetype position) const
{
    if (position < 0 || position >= m_filtered.size())
        return std::nullopt;
    return m_items.at(m_filtered.at(position));
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
    beginResetModel();
    m_items = m_store ? m_store->itemsByLastUsed() : QList<ClipboardItem>();
    m_lowerTitles.clear();
    m_lowerTitles.reserve(m_items.size());
    for (const ClipboardItem &item : std::as_const(m_items))
        m_lowerTitles.append(foldForSearch(item.title));
    filter();
    endResetModel();
    Q_EMIT filteredCountChanged();
}

void HistoryListModel::refilter()
{
    beginResetModel();
    filter();
    endResetModel();
    Q_EMIT filteredCountChanged();
}

void HistoryListModel::filter()
{
    m_filtered.clear();
    const QString query = foldForSearch(m_search);
    // Titles are matched here; every other line of an entry's text by the
    // store, which keeps the texts folded.
    const QSet<QUuid> textMatches
        = query.isEmpty() || !m_store ? QSet<QUuid>() : m_store->itemIdsWithSearchText(query);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (query.isEmpty() || m_lowerTitles.at(i).contains(query) || textMatches.contains(m_items.at(i).id))
            m_filtered.append(i);
    }
}

} // namespace quillet
