#pragma once

#include "ai/TextPrompt.h"
#include "platform/Workspace.h"
#include "ui/AppActions.h"

#include <QCoroTask>
#include <QPointer>

#include <optional>

namespace quillet {

class HistoryManager;
class Workspace;
class PasteService;
class TextTransformManager;
class SnippetsViewModel;

// What the running application shows and the actions its views call: whether
// the floating history panel and the tray popup are shown, which list the
// panel shows, pasting and clearing. The window owners follow this state (the
// floating panel controller shows and closes the panel as isPanelVisible
// changes); nothing here builds windows or services. The window active when
// the panel or the popup opens is where their pastes go. Main thread only.
class AppState : public AppActions {
    Q_OBJECT
    Q_PROPERTY(bool isPanelVisible READ isPanelVisible NOTIFY isPanelVisibleChanged)
    Q_PROPERTY(
        bool isPopoverVisible READ isPopoverVisible WRITE setPopoverVisible NOTIFY isPopoverVisibleChanged)
public:
    AppState(PasteService &paste, HistoryManager &history, SnippetsViewModel &snippets,
        TextTransformManager &transform, Workspace &workspace, QObject *parent = nullptr);

    bool isPanelVisible() const { return m_panelVisible; }
    bool isPopoverVisible() const { return m_popoverVisible; }
    // Whether `window` is one of Quillet's own windows.
    static bool isOwnWindow(WindowId window);
    // Shown as the tray popup opens over the window active until then (the
    // target of its pastes), hidden as it closes.
    void setPopoverVisible(bool visible);

    // Shows the panel, or brings a shown one to the front.
    void showPanel() override;
    void hidePanel() override;
    void togglePanel();

    PanelTab panelTab() const override { return m_panelTab; }
    void setPanelTab(PanelTab tab) override;

    // A paste closes the popup and the panel first; an entry with nothing
    // to paste leaves both open.
    void paste(const ClipboardItem &item) override;
    void pasteSnippet(const Snippet &snippet) override;
    // A Delete or Clear made while the panel is open can be undone until it
    // closes.
    void clearHistory() override;
    ClearCounts clearCounts() override;
    bool undoRemoval() override;
    void setPinned(const ClipboardItem &item, bool pinned) override;
    void remove(const ClipboardItem &item) override;
    // The new snippet opens in the settings window; the panel and the popup
    // close so they do not cover it.
    void saveAsSnippet(const ClipboardItem &item) override;

    void openSettings() override;
    void quit() override;
    QString historyProblem() const override;
    bool pastesAfterSelection() const override;
    void retryHistory() override;

    // The AI transform hot key: captures the selection of the window in
    // front, then asks for the AI panel, where the user picks a prompt.
    void triggerAITransform();
    // A prompt's own shortcut: captures the selection and starts the prompt
    // over it at once, then asks for the AI panel with the answer streaming.
    void runPrompt(const QString &name, const QString &systemPrompt, TransformMode mode);
    // The launcher hot key: shows the launcher, or closes a shown one.
    void toggleLauncher();

Q_SIGNALS:
    void isPanelVisibleChanged();
    void isPopoverVisibleChanged();
    // Every showPanel(), also when the panel is already shown.
    void panelShowRequested();
    // The AI panel should show the transform manager's state.
    void aiPanelRequested();
    void launcherToggleRequested();

private:
    void setPanelVisible(bool visible);
    void closePanels();
    // Pastes go to the window that was active when the panel or the popup
    // opened, and nowhere once both are closed.
    void followPasteTarget(bool wasOpen);
    // The window the user works in, for a request that starts now: the
    // active one, unless that is Quillet's own (its panel in front), which
    // never receives a paste.
    std::optional<WindowId> userWindow();
    void offerUndo(std::optional<qint64> removed, const QString &notice);
    static QCoro::Task<> captureThenShow(
        QPointer<AppState> self, quint64 run, std::optional<QString> systemPrompt);

    PasteService &m_paste;
    HistoryManager &m_history;
    SnippetsViewModel &m_snippets;
    TextTransformManager &m_transform;
    Workspace &m_workspace;
    std::optional<WindowId> m_userWindow;
    // A newer hot key supersedes an AI run still capturing.
    quint64 m_aiRun = 0;
    bool m_panelVisible = false;
    bool m_popoverVisible = false;
    PanelTab m_panelTab = PanelTab::history;
};

} // namespace quillet
