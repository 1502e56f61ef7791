#pragma once

#include <QStyledItemDelegate>

namespace quillet {

// Draws one snippet in the floating panel: number, symbol, title and folder.
class CompactSnippetRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace quillet
