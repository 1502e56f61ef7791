#pragma once

#include "ui/AppActions.h"

#include <QWidget>

class QButtonGroup;
class QStackedWidget;
class QPushButton;
class QScrollArea;

namespace quillet {

class Defaults;
class TrayHistoryList;
class SearchField;
class TraySnippetList;
class SnippetsViewModel;
class Store;

// The tray popup: a header with a button that opens the floating panel, a
// search field, History and Snippets tabs, and Clear / Settings... / Quit.
// It is built once and kept: its lists follow the history and the snippets,
// and its width and row count follow the preferences.
class TrayPopup : public QWidget {
    Q_OBJECT
public:
    TrayPopup(AppActions &actions, Store &store, SnippetsViewModel &snippets, Defaults &defaults,
        QWidget *parent = nullptr);

    int selectedTab() const { return m_selectedTab; }
    void setSelectedTab(int tab);
    SearchField *searchField() const { return m_search; }
    TrayHistoryList *historyView() const { return m_history; }
    // Back to how a new popup starts: no search, the History tab.
    void reset();

Q_SIGNALS:
    // An action ran that should close the popup.
    void dismissRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitList();
    void readPreferences();

    AppActions &m_actions;
    Defaults &m_defaults;
    int m_selectedTab = 0;
    SearchField *m_search;
    TrayHistoryList *m_history;
    TraySnippetList *m_snippets;
    QStackedWidget *m_stack;
    QScrollArea *m_scroll;
    QButtonGroup *m_tabs;
};

} // namespace quillet
