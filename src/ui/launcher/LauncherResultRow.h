#pragma once

#include "launcher/IndexedApp.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

namespace quillet {

class LauncherViewModel;

// The application results of the view model as a list model: name, what the
// application is (its generic name or comment) and its icon.
class LauncherResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles { DescriptionRole = Qt::UserRole + 1 };

    explicit LauncherResultsModel(LauncherViewModel &model, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    LauncherViewModel &m_model;
    QList<IndexedApp> m_apps;
};

// One application row: its 32-pixel icon, the name, and below it what the
// application is; the highlighted row on an accent tint.
class LauncherResultRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int height = 44;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace quillet
