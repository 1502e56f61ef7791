#include "ui/settings/SettingsPage.h"

#include "ui/settings/SettingsSection.h"

#include <QBoxLayout>

namespace quillet {

SettingsPage::SettingsPage(QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    m_column = new QVBoxLayout(m_content);
    m_column->setContentsMargins(20, 12, 20, 12);
    m_column->setSpacing(14);
    m_column->addStretch(1);
    setWidget(m_content);
    viewport()->setAutoFillBackground(false);
}

SettingsPage *SettingsPage::filling(QWidget *tab)
{
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *page = new SettingsPage(tab);
    layout->addWidget(page);
    return page;
}

SettingsSection *SettingsPage::addSection(const QString &title)
{
    auto *section = new SettingsSection(title, m_content);
    addContent(section);
    return section;
}

void SettingsPage::addContent(QWidget *content, int stretch)
{
    content->setParent(m_content);
    // Before the trailing stretch, which keeps the sections at the top.
    m_column->insertWidget(m_column->count() - 1, content, stretch);
}

} // namespace quillet
