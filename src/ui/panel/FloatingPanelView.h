#pragma once

#include "ui/AppActions.h"
#include "ui/common/HistoryListModel.h"
#include "ui/common/SnippetListModel.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QStackedWidget;
class QToolButton;

namespace quillet {

class SnippetsViewModel;

// The content of the floating history panel: a search field with the panel's
// menu (Settings..., Clear, Quit Quillet: reachable without a tray), the
// History and Snippets tabs, a numbered list and a footer. Keyboard-driven:
// arrows move the highlight, Return pastes it, Ctrl+1…9 pastes that row,
// Ctrl+P pins or unpins it, Delete removes it (only while the search field is
// empty), Escape closes, the Menu key opens the panel's menu. A history row's context menu pins, unpins and
// deletes too. After a Delete or Clear a notice offers Undo (also Ctrl+Z).
class FloatingPanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 320;
    static constexpr int height = 420;
    static constexpr int shownHistoryRows = 30;

    FloatingPanelView(
        AppActions &actions, Store &store, SnippetsViewModel &snippets, QWidget *parent = nullptr);

    int selectedIndex() const { return m_selectedIndex; }
    // Rows the list shows now (history: at most 30).
    int shownRowCount() const;
    QString searchText() const;
    void setSearchText(const QString &text);

    // Pastes the entry at `position` of the whole filtered list, if any.
    void selectAt(int position);

    // The panel's own menu (its header button).
    QMenu *menu() const { return m_menu; }
    // Where Quillet cannot type the paste, choosing an entry only copies it:
    // the footer says so instead of listing the shortcuts.
    void setCopiesOnly(bool copiesOnly);
    QString footerHint() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void describeForAssistiveTechnologies();
    bool handleKey(QKeyEvent *event);
    void undoRemoval();
    std::optional<ClipboardItem> highlightedItem() const;
    void showRowMenu(const QPoint &position);
    void setSelectedIndex(int index);
    void applyTab();
    void updateHint();
    void refresh();

    AppActions &m_actions;
    HistoryListModel m_history;
    SnippetListModel m_snippets;
    int m_selectedIndex = 0;

    QLineEdit *m_search = nullptr;
    QToolButton *m_clear = nullptr;
    QToolButton *m_historyTab = nullptr;
    QToolButton *m_snippetsTab = nullptr;
    QStackedWidget *m_stack = nullptr;
    QListView *m_list = nullptr;
    QWidget *m_problem = nullptr;
    QLabel *m_problemText = nullptr;
    QLabel *m_emptyIcon = nullptr;
    QLabel *m_emptyText = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_hint = nullptr;
    QMenu *m_menu = nullptr;
    QWidget *m_notice = nullptr;
    QLabel *m_noticeText = nullptr;
    bool m_copiesOnly = false;
};

} // namespace quillet
