#include "ui/tray/TrayHistoryList.h"

#include "ui/common/Palette.h"
#include "ui/controls/Dividers.h"
#include "ui/tray/ClipboardItemRow.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>

namespace quillet {

TrayHistoryList::TrayHistoryList(AppActions &actions, Store &store, qint64 itemCount, QWidget *parent)
    : QWidget(parent)
    , m_actions(actions)
    , m_model(store, itemCount)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(4, 4, 4, 4);
    m_rows->setSpacing(0);
    connect(&m_model, &HistoryListModel::filteredCountChanged, this, &TrayHistoryList::rebuild);
    rebuild();
}

void TrayHistoryList::setSearchText(const QString &text)
{
    m_model.setSearchText(text);
}

int TrayHistoryList::rowCount() const
{
    return m_model.rowCount();
}

void TrayHistoryList::rebuild()
{
    rebuildRows();
    Q_EMIT contentChanged();
}

void TrayHistoryList::rebuildRows()
{
    while (QLayoutItem *child = m_rows->takeAt(0)) {
        delete child->widget();
        delete child;
    }
    const QPalette pal = palette();
    if (m_model.filteredCount() == 0) {
        auto *caption = new QLabel(m_model.searchText().isEmpty() ? QStringLiteral("No clipboard history")
                                                                  : QStringLiteral("No matches"),
            this);
        caption->setObjectName(QStringLiteral("emptyCaption"));
        caption->setAlignment(Qt::AlignCenter);
        QFont font = caption->font();
        font.setPixelSize(12);
        caption->setFont(font);
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, textColor(pal, Emphasis::secondary));
        caption->setPalette(palette);
        caption->setContentsMargins(0, 16, 0, 16);
        m_rows->addWidget(caption);
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const auto item = m_model.filteredAt(row).value();
        auto *button = new ClipboardItemRow(item, m_model.thumbnail(item), now, this);
        connect(button, &QAbstractButton::clicked, this, [this, item] { m_actions.paste(item); });
        m_rows->addWidget(button);
    }
    const qsizetype more = m_model.filteredCount() - m_model.rowCount();
    if (more > 0) {
        m_rows->addWidget(makeDivider(this));
        auto *caption = new QLabel(QStringLiteral("%1 more items...").arg(more), this);
        caption->setObjectName(QStringLiteral("moreCaption"));
        caption->setContentsMargins(8, 4, 8, 4);
        QFont font = caption->font();
        font.setPixelSize(11);
        caption->setFont(font);
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, textColor(pal, Emphasis::secondary));
        caption->setPalette(palette);
        m_rows->addWidget(caption);
    }
    m_rows->addStretch(1);
}

} // namespace quillet
