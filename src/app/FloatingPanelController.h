#pragma once

#include "platform/Workspace.h"
#include "ui/common/FloatingWindow.h"

#include <QObject>
#include <QPointer>

#include <functional>

#include <optional>

namespace quillet {

class AppState;
class Clock;
class FloatingPanelView;
class LauncherViewModel;
class PromptLibrary;
class SnippetsViewModel;
class Store;
class TextTransformManager;

// Owns Quillet's floating windows and builds them on demand: each show after a
// close builds a fresh window. The history panel follows the application
// state: it opens near the pointer when the state asks for it, takes the
// keyboard focus, gives it back to the window that had it when it closes (that
// window also receives the paste), and however it closes the state hears of it.
class FloatingPanelController : public QObject {
    Q_OBJECT
public:
    // What the AI panel shows.
    struct AIPanelContent {
        TextTransformManager &manager;
        PromptLibrary &prompts;
        Clock &clock;
    };

    // What the launcher shows, and the text of its shortcut for the footer.
    struct LauncherContent {
        LauncherViewModel &model;
        std::function<QString()> shortcutText;
    };

    FloatingPanelController(AppState &state, SnippetsViewModel &snippets, Store &store, Workspace &workspace,
        AIPanelContent ai, LauncherContent launcher, QObject *parent = nullptr);
    ~FloatingPanelController() override;

    FloatingWindow *panel() const { return m_panel; }
    bool isHistoryPanelVisible() const;
    FloatingWindow *aiPanel() const { return m_aiPanel; }
    FloatingWindow *launcherPanel() const { return m_launcherPanel; }
    bool isLauncherVisible() const { return m_launcherPanel && m_launcherPanel->isVisible(); }
    // Where Quillet cannot type the paste, the history panel's footer says
    // that choosing an entry only copies it.
    void setCopiesOnly(bool copiesOnly) { m_copiesOnly = copiesOnly; }

Q_SIGNALS:
    void launcherVisibleChanged(bool visible);

private:
    // Prepares the first history panel, off the path of its show.
    void warmUp();
    FloatingWindow *makeHistoryPanel(FloatingPanelView *view);
    // Shows the history panel, or brings a visible one to the front.
    void showHistoryPanel();
    // Closes the history panel and forgets it.
    void closeHistoryPanel();
    // Shows the AI panel beside the pointer, or brings a shown one to the
    // front; when it closes, the focus goes back to where the text came from.
    void showAIPanel();
    void closeAIPanel();
    // Opens the launcher, placed high on the screen under the pointer, or
    // closes a shown one. It closes itself when another window takes the focus.
    void toggleLauncher();
    void closeLauncher();
    // The window in front now gets the focus back when a panel closes.
    void rememberPreviousWindow();
    // Places a panel (near the pointer where the desktop allows), shows it and
    // gives its content the focus.
    void present(FloatingWindow *panel, QWidget *content);

    AppState &m_state;
    SnippetsViewModel &m_snippets;
    Store &m_store;
    Workspace &m_workspace;
    AIPanelContent m_ai;
    LauncherContent m_launcher;
    bool m_copiesOnly = false;
    QPointer<FloatingWindow> m_panel;
    QPointer<FloatingWindow> m_preparedPanel;
    QPointer<FloatingWindow> m_aiPanel;
    QPointer<FloatingWindow> m_launcherPanel;
    std::optional<WindowId> m_previousWindow;
};

} // namespace quillet
