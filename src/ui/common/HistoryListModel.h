#pragma once

#include "store/HistorySearch.h"
#include "store/Store.h"
#include "ui/common/RowListModel.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>

#include <optional>

namespace quillet {

// The history as the lists show it: every entry, most recently used first,
// narrowed by the search rule (on the title or any line of the entry's text)
// and cut to the rows a view shows. It follows the store while it is alive,
// row by row: a new copy reads one entry and inserts one row.
//
// Titles are matched at once; the rest of each text on a worker, whose
// matches join the list when they arrive.
class HistoryListModel : public RowListModel {
    Q_OBJECT
public:
    enum Role { ItemRole = Qt::UserRole + 1, IndexRole };

    // `shownLimit` < 0 shows every filtered entry.
    HistoryListModel(Store &store, qint64 shownLimit, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setSearchText(const QString &text);
    QString searchText() const { return m_search; }
    // Whether matches in the entries' texts are still to come.
    bool isSearching() const { return m_textSearch.isRunning(); }
    void setShownLimit(qint64 limit);

    // The whole filtered list (which may be longer than the rows shown).
    qsizetype filteredCount() const { return m_filtered.size(); }
    std::optional<ClipboardItem> filteredAt(qsizetype position) const;
    qsizetype totalCount() const { return m_entries.size(); }

    // The entry's thumbnail as a picture, or a null pixmap; decoded once.
    QPixmap thumbnail(const ClipboardItem &item) const;

    // Reads the whole history again (after a clear or reset).
    void reload();

Q_SIGNALS:
    void filteredCountChanged();

private:
    struct Entry {
        ClipboardItem item;
        QString lowerTitle;
    };

    void apply(const Store::ItemChanges &changes);
    void place(const ClipboardItem &item);
    void refilter();
    void searchTexts();
    void textsFound(const QString &foldedQuery, const QSet<QUuid> &ids);

    QPointer<Store> m_store;
    qint64 m_limit;
    QString m_search;
    HistorySearch m_textSearch;
    // The entries whose text (beyond the title) matches the current query.
    QSet<QUuid> m_textMatches;
    QList<Entry> m_entries; // newest lastUsedAt first
    QList<qsizetype> m_filtered; // positions in m_entries
    QList<ClipboardItem> m_shown; // the rows
    mutable QHash<QUuid, QPixmap> m_thumbnails;
};

} // namespace quillet
