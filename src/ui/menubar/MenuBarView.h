#pragma once

#include "ui/common/AppActions.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QStackedWidget;
class QPushButton;
class QScrollArea;

namespace quillet {

class Defaults;
class HistoryMenuView;
class SearchField;
class SnippetMenuView;
class SnippetsViewModel;
class Store;

// The tray popup: a header with a button that opens the floating panel, a
// search field, History and Snippets tabs, and Clear / Settings... / Quit.
// Its width and row count come from the preferences when it is built.
class MenuBarView : public QWidget {
    Q_OBJECT
public:
    MenuBarView(AppActions &actions, Store &store, SnippetsViewModel &snippets, Defaults &defaults,
        QWidget *parent = nullptr);

    // "Settings..." shows only once there is a settings window to open.
    void setOpenSettings(std::function<void()> openSettings);
    void setQuit(std::function<void()> quit);

    int selectedTab() const { return m_selectedTab; }
    void setSelectedTab(int tab);
    SearchField *searchField() const { return m_search; }
    HistoryMenuView *historyView() const { return m_history; }

Q_SIGNALS:
    // An action ran that should close the popup.
    void dismissRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitList();

    AppActions &m_actions;
    int m_selectedTab = 0;
    SearchField *m_search;
    HistoryMenuView *m_history;
    SnippetMenuView *m_snippets;
    QStackedWidget *m_stack;
    QScrollArea *m_scroll;
    QButtonGroup *m_tabs;
    QPushButton *m_settings;
    std::function<void()> m_openSettings;
    std::function<void()> m_quit;
};

} // namespace quillet
