#pragma once

#include "store/Store.h"

#include <QAbstractListModel>
#include <QHash>
#include <QPixmap>
#include <QPointer>

#include <optional>

namespace quillet {

// The history as the lists show it: every entry, most recently used first,
// narrowed by the search rule (on the title or any line of the entry's text)
// and cut to the rows a view shows. It follows the
// store while it is alive.
class HistoryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { ItemRole = Qt::UserRole + 1, IndexRole };

    // `shownLimit` < 0 shows every filtered entry.
    HistoryListModel(Store &store, qint64 shownLimit, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setSearchText(const QString &text);
    QString searchText() const { return m_search; }
    void setShownLimit(qint64 limit);

    // The whole filtered list (which may be longer than the rows shown).
    qsizetype filteredCount() const { return m_filtered.size(); }
    std::optional<ClipboardItem> filteredAt(qsizetype position) const;
    qsizetype totalCount() const { return m_items.size(); }

    // The entry's thumbnail as a picture, or a null pixmap; decoded once.
    QPixmap thumbnail(const ClipboardItem &item) const;

    // Reads the store again (done by itself when the history changes).
    void reload();

Q_SIGNALS:
    void filteredCountChanged();

private:
    void refilter();
    void filter();

    QPointer<Store> m_store;
    qint64 m_limit;
    QString m_search;
    QList<ClipboardItem> m_items;
    QList<QString> m_lowerTitles; // folded for search
    QList<qsizetype> m_filtered; // positions in m_items
    mutable QHash<QUuid, QPixmap> m_thumbnails;
};

} // namespace quillet
