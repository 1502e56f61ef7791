#include "ui/tray/TrayHistoryList.h"

#include "ui/common/HistoryItemMenu.h"
#include "ui/common/Palette.h"
#include "ui/controls/Dividers.h"
#include "ui/tray/ClipboardItemRow.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMenu>

namespace quillet {

namespace {

QLabel *caption(const QString &name, int pixelSize, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    setTextColor(label, textColor(parent->palette(), Emphasis::secondary));
    return label;
}

} // namespace

TrayHistoryList::TrayHistoryList(AppActions &actions, Store &store, qint64 itemCount, QWidget *parent)
    : QWidget(parent)
    , m_actions(actions)
    , m_model(store, itemCount)
    , m_rowLayout(new QVBoxLayout)
    , m_emptyCaption(caption(QStringLiteral("emptyCaption"), 12, this))
    , m_moreDivider(makeDivider(this))
    , m_moreCaption(caption(QStringLiteral("moreCaption"), 11, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(0);
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(0);
    column->addLayout(m_rowLayout);
    m_emptyCaption->setAlignment(Qt::AlignCenter);
    m_emptyCaption->setContentsMargins(0, 16, 0, 16);
    column->addWidget(m_emptyCaption);
    column->addWidget(m_moreDivider);
    m_moreCaption->setContentsMargins(8, 4, 8, 4);
    column->addWidget(m_moreCaption);
    column->addStretch(1);

    if (m_model.rowCount() > 0)
        insertRows(0, m_model.rowCount() - 1);
    updateCaptions();
    connect(&m_model, &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex &, int first, int last) { insertRows(first, last); });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this,
        [this](const QModelIndex &, int first, int last) { removeRows(first, last); });
    connect(&m_model, &QAbstractItemModel::rowsMoved, this,
        [this](const QModelIndex &, int first, int, const QModelIndex &, int destination) {
            moveRow(first, destination > first ? destination - 1 : destination);
        });
    connect(&m_model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &top, const QModelIndex &bottom) { updateRows(top.row(), bottom.row()); });
    connect(&m_model, &HistoryListModel::filteredCountChanged, this, [this] {
        updateCaptions();
        Q_EMIT contentChanged();
    });
}

void TrayHistoryList::setSearchText(const QString &text)
{
    m_model.setSearchText(text);
}

void TrayHistoryList::setItemCount(qint64 itemCount)
{
    m_model.setShownLimit(itemCount);
}

int TrayHistoryList::rowCount() const
{
    return int(m_rows.size());
}

void TrayHistoryList::refreshTimes()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (ClipboardItemRow *row : std::as_const(m_rows))
        row->setNow(now);
}

ClipboardItemRow *TrayHistoryList::makeRow(int row, const QDateTime &now)
{
    const auto item = m_model.data(m_model.index(row), HistoryListModel::ItemRole).value<ClipboardItem>();
    auto *button = new ClipboardItemRow(item, m_model.thumbnail(item), now, this);
    // The row's entry at the time of the click: rows follow their entries.
    connect(button, &QAbstractButton::clicked, this, [this, button] { m_actions.paste(button->item()); });
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    // The list owns the menu: what the menu does may remove the row.
    connect(button, &QWidget::customContextMenuRequested, this, [this, button](const QPoint &at) {
        makeHistoryItemMenu(m_actions, button->item(), false, this)->popup(button->mapToGlobal(at));
    });
    return button;
}

void TrayHistoryList::insertRows(int first, int last)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int row = first; row <= last; ++row) {
        ClipboardItemRow *button = makeRow(row, now);
        m_rows.insert(row, button);
        m_rowLayout->insertWidget(row, button);
    }
}

void TrayHistoryList::removeRows(int first, int last)
{
    for (int row = last; row >= first; --row) {
        ClipboardItemRow *button = m_rows.takeAt(row);
        m_rowLayout->removeWidget(button);
        button->hide();
        // It may be the row whose click or menu is still running.
        button->deleteLater();
    }
}

void TrayHistoryList::moveRow(int from, int to)
{
    ClipboardItemRow *button = m_rows.takeAt(from);
    m_rows.insert(to, button);
    m_rowLayout->removeWidget(button);
    m_rowLayout->insertWidget(to, button);
}

void TrayHistoryList::updateRows(int first, int last)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int row = first; row <= last && row < m_rows.size(); ++row) {
        const auto item = m_model.data(m_model.index(row), HistoryListModel::ItemRole).value<ClipboardItem>();
        m_rows.at(row)->setItem(item, m_model.thumbnail(item), now);
    }
}

void TrayHistoryList::updateCaptions()
{
    const bool empty = m_model.filteredCount() == 0;
    m_emptyCaption->setText(m_model.searchText().isEmpty() ? tr("No clipboard history") : tr("No matches"));
    m_emptyCaption->setVisible(empty);
    const qsizetype more = m_model.filteredCount() - m_model.rowCount();
    m_moreCaption->setText(more > 0 ? tr("%n more item(s)...", nullptr, int(more)) : QString());
    m_moreCaption->setVisible(more > 0);
    m_moreDivider->setVisible(more > 0);
}

} // namespace quillet
