#include "ui/panel/CompactSnippetRow.h"

#include "ui/common/Palette.h"
#include "ui/common/SnippetListModel.h"
#include "ui/common/SymbolIcons.h"
#include "ui/panel/CompactItemRow.h"

#include <QPainter>

namespace quillet {

QSize CompactSnippetRow::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return { option.rect.width(), CompactItemRow::rowHeight };
}

void CompactSnippetRow::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    CompactItemRow::paintBackground(painter, option, option.state & QStyle::State_Selected);
    const QRect picture = CompactItemRow::paintNumber(painter, option, index.row());
    painter->drawPixmap(picture.center() - QPoint(6, 6),
        symbolPixmap(QStringLiteral("doc.text"), 12, textColor(option.palette, Emphasis::secondary)));

    int right = option.rect.right() - 8;
    const QString folder = index.data(SnippetListModel::FolderNameRole).toString();
    if (!folder.isEmpty()) {
        QFont small = option.font;
        small.setPixelSize(9);
        const QFontMetrics metrics(small);
        const QString text = metrics.elidedText(folder, Qt::ElideRight, 100);
        const int width = metrics.horizontalAdvance(text);
        painter->setFont(small);
        painter->setPen(textColor(option.palette, Emphasis::quaternary));
        painter->drawText(QRect(right - width, option.rect.y(), width, option.rect.height()),
            Qt::AlignVCenter | Qt::AlignRight, text);
        right -= width + 6;
    }
    QFont titleFont = option.font;
    titleFont.setPixelSize(12);
    painter->setFont(titleFont);
    painter->setPen(option.palette.color(QPalette::WindowText));
    const int left = picture.right() + 1 + 6;
    const QRect titleRect(left, option.rect.y(), std::max(0, right - left), option.rect.height());
    painter->drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(titleFont).elidedText(
            index.data(Qt::DisplayRole).toString().simplified(), Qt::ElideRight, titleRect.width()));
    painter->restore();
}

} // namespace quillet
