#include "ui/tray/TrayPopup.h"

#include "ui/common/ClearConfirmation.h"

#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "snippets/SnippetsViewModel.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/Dividers.h"
#include "ui/controls/SearchField.h"
#include "ui/tray/TrayHistoryList.h"
#include "ui/tray/TraySnippetList.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

namespace quillet {

namespace {

QPushButton *footerButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    QFont font = button->font();
    font.setPixelSize(11);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, textColor(palette, Emphasis::secondary));
    button->setPalette(palette);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 2px 6px; }"));
    return button;
}

} // namespace

TrayPopup::TrayPopup(
    AppActions &actions, Store &store, SnippetsViewModel &snippets, Defaults &defaults, QWidget *parent)
    : QWidget(parent)
    , m_actions(actions)
    , m_defaults(defaults)
{
    setObjectName(QStringLiteral("TrayPopup"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(12, 10, 12, 6);
    auto *title = new QLabel(QStringLiteral("Quillet"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(14);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    auto *expand = new QToolButton(this);
    expand->setObjectName(QStringLiteral("openPanel"));
    expand->setAutoRaise(true);
    expand->setIcon(
        symbolIcon(QStringLiteral("rectangle.expand.vertical"), textColor(palette(), Emphasis::secondary)));
    expand->setToolTip(tr("Open floating panel"));
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(expand);
    column->addLayout(header);

    m_search = new SearchField(tr("Search..."), this);
    auto *searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(10, 0, 10, 6);
    searchRow->addWidget(m_search);
    column->addLayout(searchRow);

    // A two-segment switch.
    auto *segments = new QHBoxLayout;
    segments->setContentsMargins(10, 0, 10, 6);
    segments->setSpacing(0);
    m_tabs = new QButtonGroup(this);
    m_tabs->setExclusive(true);
    const QStringList labels { tr("History"), tr("Snippets") };
    for (int i = 0; i < labels.size(); ++i) {
        auto *segment = new QPushButton(labels[i], this);
        segment->setObjectName(i == 0 ? QStringLiteral("historySegment") : QStringLiteral("snippetsSegment"));
        segment->setCheckable(true);
        segment->setChecked(i == 0);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_tabs->addButton(segment, i);
        segments->addWidget(segment);
    }
    column->addLayout(segments);
    column->addWidget(makeDivider(this));

    m_stack = new QStackedWidget(this);
    m_history = new TrayHistoryList(actions, store, 20, m_stack);
    m_snippets = new TraySnippetList(actions, snippets, m_stack);
    m_stack->addWidget(m_history);
    m_stack->addWidget(m_snippets);
    m_scroll = new QScrollArea(this);
    auto *scroll = m_scroll;
    scroll->setWidget(m_stack);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMaximumHeight(400);
    column->addWidget(scroll, 1);
    column->addWidget(makeDivider(this));

    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(12, 8, 12, 8);
    auto *clear = footerButton(tr("Clear"), this);
    clear->setObjectName(QStringLiteral("clear"));
    auto *settings = footerButton(tr("Settings..."), this);
    settings->setObjectName(QStringLiteral("settings"));
    auto *quit = footerButton(tr("Quit"), this);
    quit->setObjectName(QStringLiteral("quit"));
    footer->addWidget(clear);
    footer->addStretch(1);
    footer->addWidget(settings);
    footer->addStretch(1);
    footer->addWidget(quit);
    column->addLayout(footer);
    readPreferences();
    fitList();

    connect(m_search, &SearchField::textChanged, m_history, &TrayHistoryList::setSearchText);
    connect(m_history, &TrayHistoryList::contentChanged, this, &TrayPopup::fitList);
    connect(m_snippets, &TraySnippetList::contentChanged, this, &TrayPopup::fitList);
    connect(m_tabs, &QButtonGroup::idClicked, this, &TrayPopup::setSelectedTab);
    connect(expand, &QToolButton::clicked, this, [this] {
        Q_EMIT dismissRequested();
        m_actions.showPanel();
    });
    // The question stands on its own: the popup may close as it takes the focus.
    connect(clear, &QPushButton::clicked, this, [this] { clearAfterAsking(m_actions, nullptr); });
    connect(settings, &QPushButton::clicked, this, [this] {
        Q_EMIT dismissRequested();
        m_actions.openSettings();
    });
    connect(quit, &QPushButton::clicked, this, [this] { m_actions.quit(); });
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::menuWidth || key == keys::menuItemCount) {
            readPreferences();
            fitList();
        }
    });

    // For screen readers and the keyboard.
    setAccessibleName(tr("Quillet Menu"));
    expand->setAccessibleName(tr("Open floating panel"));
    m_scroll->setAccessibleName(tr("Entries"));
    for (QPushButton *button : { clear, settings, quit }) {
        button->setStyleSheet(button->styleSheet()
            + QStringLiteral(
                " QPushButton:focus { border: 1px solid palette(highlight); border-radius: 4px; }"));
    }
}

void TrayPopup::readPreferences()
{
    const double storedWidth = m_defaults.doubleValue(keys::menuWidth);
    setFixedWidth(int(storedWidth > 0 ? storedWidth : 340.0));
    const qint64 storedCount = m_defaults.integer(keys::menuItemCount);
    m_history->setItemCount(storedCount > 0 ? storedCount : 20);
}

void TrayPopup::reset()
{
    m_search->setText(QString());
    setSelectedTab(0);
    // Without a window of Quillet to go back to, the field would keep the
    // focus while hidden, and focusing it at the next show would change
    // nothing a screen reader hears of.
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
}

void TrayPopup::setSelectedTab(int tab)
{
    if (tab != 0 && tab != 1)
        return;
    m_selectedTab = tab;
    m_tabs->button(tab)->setChecked(true);
    m_stack->setCurrentIndex(tab);
    fitList();
}

void TrayPopup::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Rows know their real height only once styled, which happens as the
    // window is shown; measure again right after.
    fitList();
    QTimer::singleShot(0, this, &TrayPopup::fitList);
}

void TrayPopup::fitList()
{
    // Only the shown page counts for the stack's size.
    for (int i = 0; i < m_stack->count(); ++i) {
        const auto policy = i == m_stack->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        m_stack->widget(i)->setSizePolicy(policy, policy);
    }
    // The list is as tall as its rows, up to 400 pixels; then it scrolls.
    QWidget *page = m_stack->currentWidget();
    const int content = page ? page->sizeHint().height() : 0;
    m_scroll->setFixedHeight(std::clamp(content, 40, 400));
    if (QWidget *top = window(); top != this)
        top->adjustSize();
}

} // namespace quillet
