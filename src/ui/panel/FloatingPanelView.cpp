#include "ui/panel/FloatingPanelView.h"

#include "snippets/SnippetsViewModel.h"
#include "ui/common/ClearConfirmation.h"
#include "ui/common/HistoryItemMenu.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/Dividers.h"
#include "ui/controls/FocusedButton.h"
#include "ui/controls/IconButton.h"
#include "ui/panel/CompactItemRow.h"
#include "ui/panel/CompactSnippetRow.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

namespace quillet {

namespace {

QFont pixelFont(const QFont &base, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

} // namespace

FloatingPanelView::FloatingPanelView(
    AppActions &actions, Store &store, SnippetsViewModel &snippets, QWidget *parent)
    : QWidget(parent)
    , m_actions(actions)
    , m_history(store, shownHistoryRows)
    , m_snippets(snippets)
{
    setObjectName(QStringLiteral("FloatingPanelView"));
    setFixedWidth(width);
    const QPalette pal = palette();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: search field, clear and close.
    auto *header = new QHBoxLayout;
    header->setContentsMargins(10, 7, 10, 7);
    header->setSpacing(6);
    auto *glass = new QLabel(this);
    glass->setPixmap(symbolPixmap(QStringLiteral("magnifyingglass"), 11, textColor(pal, Emphasis::tertiary)));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(tr("Search..."));
    m_search->setFrame(false);
    m_search->setFont(pixelFont(font(), 12));
    m_search->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_search->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_search->installEventFilter(this);
    m_clear = iconButton(
        symbolIcon(QStringLiteral("xmark.circle.fill"), textColor(pal, Emphasis::tertiary)), 10, this);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setVisible(false);
    // Settings, Clear and Quit live here too: without a tray this is the only
    // place that offers them.
    auto *menuButton
        = iconButton(symbolIcon(QStringLiteral("ellipsis"), textColor(pal, Emphasis::secondary)), 12, this);
    menuButton->setObjectName(QStringLiteral("menu"));
    menuButton->setToolTip(QStringLiteral("Menu"));
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; padding: 1px; } QToolButton::menu-indicator { image: none; }"));
    m_menu = new QMenu(menuButton);
    m_menu->setObjectName(QStringLiteral("panelMenu"));
    const QColor menuTint = pal.color(QPalette::WindowText);
    m_menu
        ->addAction(symbolIcon(QStringLiteral("gearshape"), menuTint), tr("Settings..."), this,
            [this] {
                // The panel floats above other windows; the settings window should not be under it.
                m_actions.hidePanel();
                m_actions.openSettings();
            })
        ->setObjectName(QStringLiteral("settingsAction"));
    m_menu
        ->addAction(symbolIcon(QStringLiteral("trash"), menuTint), tr("Clear"), this,
            [this] { clearAfterAsking(m_actions, window()); })
        ->setObjectName(QStringLiteral("clearAction"));
    m_menu->addSeparator();
    m_menu
        ->addAction(symbolIcon(QStringLiteral("power"), menuTint), tr("Quit Quillet"), this,
            [this] { m_actions.quit(); })
        ->setObjectName(QStringLiteral("quitAction"));
    menuButton->setMenu(m_menu);
    auto *close
        = iconButton(symbolIcon(QStringLiteral("xmark"), textColor(pal, Emphasis::tertiary)), 9, this);
    close->setObjectName(QStringLiteral("close"));
    header->addWidget(glass);
    header->addWidget(m_search, 1);
    header->addWidget(m_clear);
    header->addWidget(menuButton);
    header->addWidget(close);
    column->addLayout(header);
    column->addWidget(makeDivider(this));

    // Tabs.
    auto *tabs = new QHBoxLayout;
    tabs->setContentsMargins(8, 4, 8, 4);
    tabs->setSpacing(4);
    auto makeTab = [&](const QString &symbol, const QString &label, const QString &name) {
        auto *tab = new QToolButton(this);
        tab->setObjectName(name);
        tab->setText(label);
        tab->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tab->setAutoRaise(true);
        tab->setFocusPolicy(Qt::NoFocus);
        tab->setCursor(Qt::PointingHandCursor);
        tab->setFont(pixelFont(font(), 11, QFont::Medium));
        tab->setIconSize(QSize(11, 11));
        tab->setProperty("symbol", symbol);
        tabs->addWidget(tab);
        return tab;
    };
    m_historyTab = makeTab(QStringLiteral("clock"), tr("History"), QStringLiteral("historyTab"));
    m_snippetsTab = makeTab(QStringLiteral("doc.text"), tr("Snippets"), QStringLiteral("snippetsTab"));
    tabs->addStretch(1);
    column->addLayout(tabs);
    column->addWidget(makeDivider(this));

    // Why copies are not being recorded, while that lasts.
    m_problem = new QWidget(this);
    m_problem->setObjectName(QStringLiteral("historyProblem"));
    auto *problemRow = new QHBoxLayout(m_problem);
    problemRow->setContentsMargins(10, 4, 8, 4);
    m_problemText = new QLabel(m_problem);
    m_problemText->setObjectName(QStringLiteral("historyProblemText"));
    m_problemText->setWordWrap(true);
    m_problemText->setFont(pixelFont(font(), 11));
    auto *tryAgain = new QPushButton(tr("Try Again"), m_problem);
    tryAgain->setObjectName(QStringLiteral("tryAgain"));
    tryAgain->setFocusPolicy(Qt::NoFocus);
    problemRow->addWidget(m_problemText, 1);
    problemRow->addWidget(tryAgain);
    column->addWidget(m_problem);
    connect(tryAgain, &QPushButton::clicked, &m_actions, &AppActions::retryHistory);
    const auto showProblem = [this] {
        const QString problem = m_actions.historyProblem();
        m_problemText->setText(problem);
        m_problem->setVisible(!problem.isEmpty());
    };
    connect(&m_actions, &AppActions::historyProblemChanged, this, showProblem);
    showProblem();

    // The list, or the empty state.
    m_stack = new QStackedWidget(this);
    m_list = new QListView(m_stack);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_list->setMaximumHeight(340);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *empty = new QWidget(m_stack);
    auto *emptyColumn = new QVBoxLayout(empty);
    emptyColumn->setAlignment(Qt::AlignCenter);
    m_emptyIcon = new QLabel(empty);
    m_emptyIcon->setAlignment(Qt::AlignCenter);
    m_emptyText = new QLabel(empty);
    m_emptyText->setObjectName(QStringLiteral("emptyText"));
    m_emptyText->setAlignment(Qt::AlignCenter);
    m_emptyText->setFont(pixelFont(font(), 11));
    setTextColor(m_emptyText, textColor(pal, Emphasis::secondary));
    emptyColumn->addWidget(m_emptyIcon);
    emptyColumn->addWidget(m_emptyText);
    m_stack->addWidget(m_list);
    m_stack->addWidget(empty);
    column->addWidget(m_stack, 1);

    // After a Delete or Clear: what went, and the way back.
    m_notice = new QWidget(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    auto *noticeRow = new QHBoxLayout(m_notice);
    noticeRow->setContentsMargins(10, 3, 10, 3);
    m_noticeText = new QLabel(m_notice);
    m_noticeText->setObjectName(QStringLiteral("noticeText"));
    m_noticeText->setFont(pixelFont(font(), 11));
    setTextColor(m_noticeText, textColor(pal, Emphasis::secondary));
    auto *undo = new QToolButton(m_notice);
    undo->setObjectName(QStringLiteral("undo"));
    undo->setText(tr("Undo"));
    undo->setToolTip(tr("Ctrl+Z"));
    undo->setAutoRaise(true);
    undo->setFocusPolicy(Qt::NoFocus);
    undo->setFont(pixelFont(font(), 11, QFont::DemiBold));
    noticeRow->addWidget(m_noticeText, 1);
    noticeRow->addWidget(undo);
    m_notice->setVisible(false);
    column->addWidget(m_notice);
    column->addWidget(makeDivider(this));

    // Footer: count and hint.
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(10, 4, 10, 4);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setFont(pixelFont(font(), 10));
    setTextColor(m_count, textColor(pal, Emphasis::tertiary));
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hint"));
    m_hint->setFont(pixelFont(font(), 10));
    setTextColor(m_hint, textColor(pal, Emphasis::quaternary));
    footer->addWidget(m_count);
    footer->addStretch(1);
    footer->addWidget(m_hint);
    column->addLayout(footer);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        m_history.setSearchText(text);
        m_snippets.setSearchText(text);
        m_selectedIndex = -1;
        setSelectedIndex(0);
        refresh();
    });
    connect(m_clear, &QToolButton::clicked, m_search, &QLineEdit::clear);
    connect(close, &QToolButton::clicked, this, [this] { m_actions.hidePanel(); });
    connect(m_historyTab, &QToolButton::clicked, this, [this] { m_actions.setPanelTab(PanelTab::history); });
    connect(
        m_snippetsTab, &QToolButton::clicked, this, [this] { m_actions.setPanelTab(PanelTab::snippets); });
    connect(&m_actions, &AppActions::panelTabChanged, this, &FloatingPanelView::applyTab);
    connect(&m_actions, &AppActions::removalUndoable, this, [this](const QString &notice) {
        m_noticeText->setText(notice);
        m_notice->setVisible(true);
    });
    connect(undo, &QToolButton::clicked, this, &FloatingPanelView::undoRemoval);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex &index) { selectAt(index.row()); });
    connect(m_list, &QListView::customContextMenuRequested, this, &FloatingPanelView::showRowMenu);
    // Live lists: keep the highlight inside the list and the empty state right.
    connect(&m_history, &HistoryListModel::filteredCountChanged, this, &FloatingPanelView::refresh);
    connect(&m_snippets, &SnippetListModel::contentsChanged, this, &FloatingPanelView::refresh);

    // Typing goes to the search field whenever the panel has the focus.
    setFocusProxy(m_search);
    applyTab();
    describeForAssistiveTechnologies();
}

void FloatingPanelView::describeForAssistiveTechnologies()
{
    // The window takes this name too.
    setAccessibleName(tr("Clipboard History"));
    m_search->setAccessibleName(tr("Search"));
    m_search->setAccessibleDescription(tr("Type to filter the list. Up and Down choose an entry, Return "
                                          "pastes it, Ctrl+Tab switches between history and snippets, the "
                                          "Menu key opens the menu, Escape closes the panel."));
    m_clear->setAccessibleName(tr("Clear search"));
    if (auto *menuButton = findChild<QToolButton *>(QStringLiteral("menu"))) {
        menuButton->setAccessibleName(tr("Menu"));
        menuButton->setAccessibleDescription(tr("Settings, Clear and Quit"));
    }
    if (auto *close = findChild<QToolButton *>(QStringLiteral("close")))
        close->setAccessibleName(tr("Close"));
    m_historyTab->setAccessibleDescription(tr("Show the clipboard history (Ctrl+Tab)"));
    m_snippetsTab->setAccessibleDescription(tr("Show the snippets (Ctrl+Tab)"));
    // Reachable with Tab from the search field while it shows.
    if (auto *tryAgain = findChild<QPushButton *>(QStringLiteral("tryAgain")))
        tryAgain->setFocusPolicy(Qt::TabFocus);
    const auto nameList = [this] {
        m_list->setAccessibleName(m_actions.panelTab() == PanelTab::history ? tr("History") : tr("Snippets"));
    };
    connect(&m_actions, &AppActions::panelTabChanged, this, nameList);
    nameList();
}

int FloatingPanelView::shownRowCount() const
{
    return m_actions.panelTab() == PanelTab::history ? m_history.rowCount() : m_snippets.rowCount();
}

QString FloatingPanelView::searchText() const
{
    return m_search->text();
}

void FloatingPanelView::setSearchText(const QString &text)
{
    m_search->setText(text);
}

void FloatingPanelView::selectAt(int position)
{
    if (m_actions.panelTab() == PanelTab::history) {
        if (const auto item = m_history.filteredAt(position))
            m_actions.paste(*item);
    } else if (const auto snippet = m_snippets.snippetAt(position)) {
        m_actions.pasteSnippet(*snippet);
    }
}

std::optional<ClipboardItem> FloatingPanelView::highlightedItem() const
{
    if (m_actions.panelTab() != PanelTab::history || m_selectedIndex >= m_history.rowCount())
        return std::nullopt;
    return m_history.filteredAt(m_selectedIndex);
}

void FloatingPanelView::showRowMenu(const QPoint &position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (m_actions.panelTab() != PanelTab::history || !index.isValid())
        return;
    setSelectedIndex(index.row());
    const auto item = m_history.filteredAt(index.row());
    if (!item)
        return;
    // At the pointer as the X server has it: Qt's idea of where a new panel
    // is can lag behind the window manager's placement.
    makeHistoryItemMenu(m_actions, *item, true, this)->popup(QCursor::pos());
}

void FloatingPanelView::undoRemoval()
{
    // One way back per removal, taken now.
    m_notice->setVisible(false);
    m_actions.undoRemoval();
}

void FloatingPanelView::setCopiesOnly(bool copiesOnly)
{
    m_copiesOnly = copiesOnly;
    updateHint();
}

void FloatingPanelView::updateHint()
{
    if (m_copiesOnly)
        m_hint->setText(tr("Copied — press Ctrl+V"));
    else if (m_actions.panelTab() == PanelTab::history && !m_actions.pastesAfterSelection())
        m_hint->setText(tr("Ctrl+1-9 copy · Ctrl+P pin · Del delete"));
    else if (m_actions.panelTab() == PanelTab::history)
        m_hint->setText(tr("Ctrl+1-9 paste · Ctrl+P pin · Del delete"));
    else
        m_hint->setText(tr("Ctrl+1-9 or click"));
}

QString FloatingPanelView::footerHint() const
{
    return m_hint->text();
}

void FloatingPanelView::applyTab()
{
    const bool history = m_actions.panelTab() == PanelTab::history;
    m_list->setModel(history ? static_cast<QAbstractItemModel *>(&m_history) : &m_snippets);
    delete m_list->itemDelegate();
    if (history)
        m_list->setItemDelegate(new CompactItemRow(m_history, m_list));
    else
        m_list->setItemDelegate(new CompactSnippetRow(m_list));
    updateHint();
    const QPalette pal = palette();
    for (QToolButton *tab : { m_historyTab, m_snippetsTab }) {
        const bool current = (tab == m_historyTab) == history;
        const QColor color = textColor(pal, current ? Emphasis::primary : Emphasis::secondary);
        setTextColor(tab, color);
        tab->setIcon(symbolIcon(tab->property("symbol").toString(), color));
    }
    // A new tab starts from a clean search and the first row.
    m_search->clear();
    m_selectedIndex = -1;
    setSelectedIndex(0);
    refresh();
}

void FloatingPanelView::refresh()
{
    const bool history = m_actions.panelTab() == PanelTab::history;
    const int rows = shownRowCount();
    const bool searching = !m_search->text().isEmpty();
    if (rows == 0) {
        QString symbol;
        QString text;
        if (searching) {
            symbol = QStringLiteral("magnifyingglass");
            text = tr("No matches");
        } else if (history) {
            symbol = QStringLiteral("clipboard");
            text = tr("Empty");
        } else {
            symbol = QStringLiteral("doc.text");
            text = tr("No snippets");
        }
        m_emptyIcon->setPixmap(symbolPixmap(symbol, 20, textColor(palette(), Emphasis::quaternary)));
        m_emptyText->setText(text);
        m_stack->setCurrentIndex(1);
    } else {
        m_stack->setCurrentIndex(0);
    }
    m_count->setText(history ? tr("%n item(s)", nullptr, m_history.filteredCount())
                             : tr("%n snippet(s)", nullptr, m_snippets.rowCount()));
    if (m_selectedIndex >= rows)
        setSelectedIndex(std::max(0, rows - 1));
    else if (rows > 0)
        m_list->setCurrentIndex(m_list->model()->index(m_selectedIndex, 0));
}

void FloatingPanelView::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    if (!m_list->model())
        return;
    const QModelIndex modelIndex = m_list->model()->index(index, 0);
    if (modelIndex.isValid()) {
        m_list->setCurrentIndex(modelIndex);
        m_list->scrollTo(modelIndex);
    }
}

bool FloatingPanelView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress
        && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    // The Menu key opens the panel's menu, below its button, rather than the
    // text field's.
    if (watched == m_search && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        if (QWidget *button = m_menu->parentWidget())
            m_menu->popup(button->mapToGlobal(QPoint(0, button->height())));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FloatingPanelView::keyPressEvent(QKeyEvent *event)
{
    if (pressFocusedButton(this, event))
        return;
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}

bool FloatingPanelView::handleKey(QKeyEvent *event)
{
    if (event->modifiers() == Qt::ControlModifier && event->key() == Qt::Key_P) {
        if (const auto item = highlightedItem())
            m_actions.setPinned(*item, !item->isPinned);
        return true;
    }
    // Ctrl+Tab and Ctrl+Shift+Tab switch between the two lists.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && (event->modifiers() & Qt::ControlModifier)) {
        m_actions.setPanelTab(
            m_actions.panelTab() == PanelTab::history ? PanelTab::snippets : PanelTab::history);
        return true;
    }
    // While a removal can be undone, Ctrl+Z undoes it rather than an edit of
    // the search text.
    if (event->matches(QKeySequence::Undo) && !m_notice->isHidden()) {
        undoRemoval();
        return true;
    }
    // Ctrl stands for the Command key of the digit shortcuts.
    if (event->modifiers() & Qt::ControlModifier) {
        int digit = -1;
        if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
            digit = event->key() - Qt::Key_0;
        else {
            bool ok = false;
            const int value = event->text().toInt(&ok);
            if (ok)
                digit = value;
        }
        if (digit >= 1 && digit <= 9) {
            selectAt(digit - 1);
            return true;
        }
        return false;
    }
    switch (event->key()) {
    case Qt::Key_Delete:
        // Delete edits the search text whenever there is any (Ctrl+A, Delete
        // empties it); only with an empty field does it remove an entry.
        if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !m_search->text().isEmpty())
            return false;
        if (const auto item = highlightedItem())
            m_actions.remove(*item);
        return true;
    case Qt::Key_Up:
        if (m_selectedIndex >= 1)
            setSelectedIndex(m_selectedIndex - 1);
        return true;
    case Qt::Key_Down:
        if (m_selectedIndex < shownRowCount() - 1)
            setSelectedIndex(m_selectedIndex + 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        selectAt(m_selectedIndex);
        return true;
    case Qt::Key_Escape:
        m_actions.hidePanel();
        return true;
    default:
        return false;
    }
}

} // namespace quillet
