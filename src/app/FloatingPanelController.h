#pragma once

#include "platform/Workspace.h"

#include "ui/panel/IMEPanel.h"
#include <QObject>
#include <QPointer>

#include <optional>

namespace quillet {

class AppActions;
class SnippetsViewModel;
class Store;

// Owns Quillet's floating windows and builds them on demand: each show after a
// close builds a fresh window. The history panel opens near the pointer, takes
// the keyboard focus, and gives it back to the window that had it when it
// closes (that window also receives a paste from the panel).
class FloatingPanelController : public QObject {
    Q_OBJECT
public:
    FloatingPanelController(AppActions &actions, SnippetsViewModel &snippets, Store &store,
        Workspace &workspace, QObject *parent = nullptr);
    ~FloatingPanelController() override;

    // Shows the history panel, or brings a visible one to the front.
    void showHistoryPanel();
    // Closes the history panel and forgets it.
    void closeHistoryPanel();

    IMEPanel *panel() const { return m_panel; }
    bool isHistoryPanelVisible() const;

Q_SIGNALS:
    // The history panel opened over `previous`, the window active until then.
    void historyPanelOpened(std::optional<quillet::WindowId> previous);
    // The history panel closed, however that happened.
    void historyPanelClosed();

private:
    AppActions &m_actions;
    SnippetsViewModel &m_snippets;
    Store &m_store;
    Workspace &m_workspace;
    QPointer<IMEPanel> m_panel;
    std::optional<WindowId> m_previousWindow;
};

} // namespace quillet
