#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QSet>

namespace quillet {

// A list model that moves from one list of rows to the next by inserting,
// moving and removing rows (and reporting changed ones), never by a reset,
// so views keep their place and only touched rows are redrawn.
class RowListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

protected:
    // Turns `shown` into `target`, row by row; rows are matched by `idOf`.
    template<typename T, typename IdOf> void syncRows(QList<T> &shown, const QList<T> &target, IdOf idOf)
    {
        using Id = decltype(idOf(target.first()));
        QSet<Id> kept;
        kept.reserve(target.size());
        for (const T &row : target)
            kept.insert(idOf(row));
        for (qsizetype i = shown.size() - 1; i >= 0; --i) {
            if (kept.contains(idOf(shown.at(i))))
                continue;
            beginRemoveRows({}, int(i), int(i));
            shown.removeAt(i);
            endRemoveRows();
        }
        for (qsizetype i = 0; i < target.size(); ++i) {
            const Id id = idOf(target.at(i));
            if (i >= shown.size() || idOf(shown.at(i)) != id) {
                qsizetype from = -1;
                for (qsizetype j = i + 1; j < shown.size() && from < 0; ++j) {
                    if (idOf(shown.at(j)) == id)
                        from = j;
                }
                if (from < 0) {
                    beginInsertRows({}, int(i), int(i));
                    shown.insert(i, target.at(i));
                    endInsertRows();
                    continue;
                }
                beginMoveRows({}, int(from), int(from), {}, int(i));
                shown.move(from, i);
                endMoveRows();
            }
            if (!(shown.at(i) == target.at(i))) {
                shown[i] = target.at(i);
                Q_EMIT dataChanged(index(int(i)), index(int(i)));
            }
        }
    }
};

} // namespace quillet
