#include "ui/launcher/LauncherResultRow.h"

#include "launcher/AppIndexService.h"
#include "launcher/LauncherViewModel.h"
#include "ui/common/Palette.h"
#include "ui/launcher/LauncherStyle.h"

#include <QPainter>

namespace quillet {

using namespace launcherStyle;

LauncherResultsModel::LauncherResultsModel(LauncherViewModel &model, QObject *parent)
    : QAbstractListModel(parent)
    , m_model(model)
    , m_apps(model.results())
{
    connect(&model, &LauncherViewModel::resultsChanged, this, [this] {
        beginResetModel();
        m_apps = m_model.results();
        endResetModel();
    });
}

int LauncherResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_apps.size());
}

QVariant LauncherResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_apps.size())
        return {};
    const IndexedApp &app = m_apps[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return app.name;
    case DescriptionRole:
    case Qt::AccessibleDescriptionRole:
        return app.description();
    case Qt::DecorationRole:
        return m_model.appIndex().icon(app);
    default:
        return {};
    }
}

void LauncherResultRow::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette &palette = option.palette;
    const QRect row = option.rect;
    if (option.state & QStyle::State_Selected) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(accentColor(palette, 0.15));
        painter->drawRoundedRect(QRectF(row).adjusted(6, 1, -6, -1), 6, 6);
    }
    const QRect icon(row.left() + 12, row.top() + (row.height() - 32) / 2, 32, 32);
    index.data(Qt::DecorationRole).value<QIcon>().paint(painter, icon);

    const int textLeft = icon.right() + 11;
    const int textWidth = row.right() - 12 - textLeft;
    const QString description = index.data(LauncherResultsModel::DescriptionRole).toString();
    const QFont nameFont = pixelFont(option.font, 13, QFont::Medium);
    const QFont descriptionFont = pixelFont(option.font, 10);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics descriptionMetrics(descriptionFont);
    const int textHeight
        = nameMetrics.height() + (description.isEmpty() ? 0 : 2 + descriptionMetrics.height());
    int y = row.top() + (row.height() - textHeight) / 2;

    painter->setFont(nameFont);
    painter->setPen(textColor(palette, Emphasis::primary));
    painter->drawText(QRect(textLeft, y, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textWidth));
    if (!description.isEmpty()) {
        y += nameMetrics.height() + 2;
        painter->setFont(descriptionFont);
        painter->setPen(textColor(palette, Emphasis::secondary));
        painter->drawText(QRect(textLeft, y, textWidth, descriptionMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter,
            descriptionMetrics.elidedText(description, Qt::ElideRight, textWidth));
    }
    painter->restore();
}

QSize LauncherResultRow::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), height);
}

} // namespace quillet
