#include "ui/settings/AppearanceSettingsView.h"

#include "settings/SettingsViewModel.h"
#include "ui/controls/Stepper.h"
#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>

namespace quillet {

AppearanceSettingsView::AppearanceSettingsView(SettingsViewModel &viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    SettingsPage *page = SettingsPage::filling(this);
    SettingsSection *section = page->addSection(tr("Tray Popup"));

    m_itemCountLabel = new QLabel;
    m_itemCountLabel->setObjectName(QStringLiteral("itemCountLabel"));
    m_itemCount = new Stepper(5, 50, 5);
    m_itemCount->setObjectName(QStringLiteral("itemCount"));
    m_itemCount->setMinimumWidth(80);
    section->addRow(m_itemCountLabel, m_itemCount);
    connect(m_itemCount, &QSpinBox::valueChanged, this, [this](int value) {
        m_viewModel.setMenuItemCount(value);
        showItemCount();
    });
    connect(
        &m_viewModel, &SettingsViewModel::menuItemCountChanged, this, &AppearanceSettingsView::showItemCount);

    auto *widthRow = new QWidget;
    auto *widthLayout = new QHBoxLayout(widthRow);
    widthLayout->setContentsMargins(0, 0, 0, 0);
    widthLayout->setSpacing(10);
    widthLayout->addWidget(new QLabel(tr("Popup width:")));
    m_menuWidth = new QSlider(Qt::Horizontal);
    m_menuWidth->setObjectName(QStringLiteral("menuWidth"));
    m_menuWidth->setRange(minimumMenuWidth, maximumMenuWidth);
    m_menuWidth->setSingleStep(menuWidthStep);
    m_menuWidth->setPageStep(menuWidthStep);
    widthLayout->addWidget(m_menuWidth, 1);
    m_menuWidthValue = new QLabel;
    m_menuWidthValue->setObjectName(QStringLiteral("menuWidthValue"));
    m_menuWidthValue->setFixedWidth(50);
    m_menuWidthValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    widthLayout->addWidget(m_menuWidthValue);
    section->addWidget(widthRow);
    connect(m_menuWidth, &QSlider::valueChanged, this, [this](int value) {
        const int snapped = snappedMenuWidth(value);
        if (snapped != value) {
            // Dragging passes every pixel; only the tens are widths.
            m_menuWidth->setValue(snapped);
            return;
        }
        m_viewModel.setMenuWidth(value);
        showMenuWidth();
    });
    connect(&m_viewModel, &SettingsViewModel::menuWidthChanged, this, &AppearanceSettingsView::showMenuWidth);

    showItemCount();
    showMenuWidth();
    m_menuWidth->setAccessibleName(tr("Popup width"));
}

int AppearanceSettingsView::snappedMenuWidth(int width)
{
    const double steps = std::round(double(width - minimumMenuWidth) / menuWidthStep);
    return qBound(minimumMenuWidth, minimumMenuWidth + int(steps) * menuWidthStep, maximumMenuWidth);
}

void AppearanceSettingsView::showItemCount()
{
    m_itemCountLabel->setText(tr("Items to show: %1").arg(m_viewModel.menuItemCount()));
    const QSignalBlocker blocker(m_itemCount);
    m_itemCount->setValue(int(qBound(qint64(5), m_viewModel.menuItemCount(), qint64(50))));
}

void AppearanceSettingsView::showMenuWidth()
{
    const double width = m_viewModel.menuWidth();
    m_menuWidthValue->setText(tr("%1 px").arg(qRound64(width)));
    const QSignalBlocker blocker(m_menuWidth);
    m_menuWidth->setValue(
        snappedMenuWidth(int(qBound(double(minimumMenuWidth), width, double(maximumMenuWidth)))));
}

} // namespace quillet
