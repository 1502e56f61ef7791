#include "ui/panel/CompactItemRow.h"

#include "ui/common/HistoryListModel.h"
#include "ui/common/ItemPresentation.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace quillet {

namespace {
constexpr int kInsetX = 8;
constexpr int kSpacing = 6;
constexpr int kNumberWidth = 16;
constexpr int kPicture = 20;
} // namespace

CompactItemRow::CompactItemRow(const HistoryListModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
{
}

QSize CompactItemRow::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return { option.rect.width(), rowHeight };
}

void CompactItemRow::paintBackground(QPainter *painter, const QStyleOptionViewItem &option, bool selected)
{
    if (!selected)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(accentColor(option.palette, 0.15));
    painter->drawRoundedRect(option.rect.adjusted(2, 0, -2, 0), 5, 5);
    painter->restore();
}

QRect CompactItemRow::paintNumber(QPainter *painter, const QStyleOptionViewItem &option, int index)
{
    const QRect row = option.rect;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(9);
    const bool reachable = index < 9;
    font.setWeight(reachable ? QFont::DemiBold : QFont::Normal);
    painter->save();
    painter->setFont(font);
    painter->setPen(textColor(option.palette, reachable ? Emphasis::secondary : Emphasis::tertiary));
    const QRect number(row.x() + kInsetX, row.y(), kNumberWidth, row.height());
    painter->drawText(number, Qt::AlignVCenter | Qt::AlignRight, QString::number(index + 1));
    painter->restore();
    return { number.right() + 1 + kSpacing, row.y() + (row.height() - kPicture) / 2, kPicture, kPicture };
}

void CompactItemRow::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const auto item = index.data(HistoryListModel::ItemRole).value<ClipboardItem>();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    paintBackground(painter, option, selected);
    const QRect picture = paintNumber(painter, option, index.row());

    const QPixmap thumbnail = m_model.thumbnail(item);
    if (!thumbnail.isNull()) {
        QPainterPath clip;
        clip.addRoundedRect(picture, 3, 3);
        painter->setClipPath(clip);
        const QPixmap filled
            = thumbnail.scaled(picture.size() * 2, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        const QRect source((filled.width() - picture.width() * 2) / 2,
            (filled.height() - picture.height() * 2) / 2, picture.width() * 2, picture.height() * 2);
        painter->drawPixmap(picture, filled, source);
        painter->setClipping(false);
    } else {
        const QPixmap symbol = symbolPixmap(
            contentTypeSymbol(item.contentType()), 12, textColor(option.palette, Emphasis::secondary));
        painter->drawPixmap(picture.center() - QPoint(6, 6), symbol);
    }

    int right = option.rect.right() - kInsetX;
    QFont small = option.font;
    small.setPixelSize(9);
    if (item.sourceAppName && !item.sourceAppName->isEmpty()) {
        const QFontMetrics metrics(small);
        const QString source = metrics.elidedText(*item.sourceAppName, Qt::ElideRight, 90);
        const int width = metrics.horizontalAdvance(source);
        painter->setFont(small);
        painter->setPen(textColor(option.palette, Emphasis::quaternary));
        painter->drawText(QRect(right - width, option.rect.y(), width, option.rect.height()),
            Qt::AlignVCenter | Qt::AlignRight, source);
        right -= width + kSpacing;
    }
    if (item.isPinned) {
        const QPixmap pin = symbolPixmap(QStringLiteral("pin.fill"), 9, QColor(0xff, 0x95, 0x00));
        painter->drawPixmap(right - 9, option.rect.center().y() - 4, pin);
        right -= 9 + kSpacing;
    }

    QFont titleFont = option.font;
    titleFont.setPixelSize(12);
    painter->setFont(titleFont);
    painter->setPen(option.palette.color(QPalette::WindowText));
    const int left = picture.right() + 1 + kSpacing;
    const QRect titleRect(left, option.rect.y(), std::max(0, right - left), option.rect.height());
    const QString title = index.data(Qt::DisplayRole).toString().simplified();
    painter->drawText(titleRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(titleFont).elidedText(title, Qt::ElideRight, titleRect.width()));
    painter->restore();
}

} // namespace quillet
