#pragma once

#include <QStyledItemDelegate>

namespace quillet {

class HistoryListModel;

// Draws one history entry in the floating panel: its number (1–9 are reachable
// with Ctrl and the digit), thumbnail or content-type symbol, display title,
// pin, and source application.
class CompactItemRow : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 30;

    explicit CompactItemRow(const HistoryListModel &model, QObject *parent = nullptr);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The shared pieces of both panel rows.
    static void paintBackground(QPainter *painter, const QStyleOptionViewItem &option, bool selected);
    // Paints the number column and returns where the picture goes.
    static QRect paintNumber(QPainter *painter, const QStyleOptionViewItem &option, int index);

private:
    const HistoryListModel &m_model;
};

} // namespace quillet
