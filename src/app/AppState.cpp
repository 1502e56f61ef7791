#include "app/AppState.h"

#include "ai/TextTransformManager.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "platform/Workspace.h"
#include "snippets/SnippetsViewModel.h"

#include <QGuiApplication>
#include <QWindow>

namespace quillet {

AppState::AppState(PasteService &paste, HistoryManager &history, SnippetsViewModel &snippets,
    TextTransformManager &transform, Workspace &workspace, QObject *parent)
    : AppActions(parent)
    , m_paste(paste)
    , m_history(history)
    , m_snippets(snippets)
    , m_transform(transform)
    , m_workspace(workspace)
{
    connect(&m_history, &HistoryManager::problemChanged, this, &AppActions::historyProblemChanged);
}

bool AppState::pastesAfterSelection() const
{
    return m_paste.pastesAfterSelection();
}

QString AppState::historyProblem() const
{
    return m_history.problem();
}

void AppState::retryHistory()
{
    m_history.retryNow();
}

void AppState::followPasteTarget(bool wasOpen)
{
    const bool open = m_panelVisible || m_popoverVisible;
    if (open && !wasOpen)
        m_paste.setPasteTarget(m_workspace.activeWindow());
    else if (!open)
        m_paste.setPasteTarget(std::nullopt);
}

void AppState::setPanelVisible(bool visible)
{
    if (m_panelVisible == visible)
        return;
    const bool wasOpen = m_panelVisible || m_popoverVisible;
    m_panelVisible = visible;
    followPasteTarget(wasOpen);
    // Undo lasts as long as the panel that offers it.
    if (!visible)
        m_history.forgetRemoved();
    Q_EMIT isPanelVisibleChanged();
}

void AppState::setPopoverVisible(bool visible)
{
    if (m_popoverVisible == visible)
        return;
    const bool wasOpen = m_panelVisible || m_popoverVisible;
    m_popoverVisible = visible;
    followPasteTarget(wasOpen);
    Q_EMIT isPopoverVisibleChanged();
}

void AppState::showPanel()
{
    setPanelVisible(true);
    Q_EMIT panelShowRequested();
}

void AppState::hidePanel()
{
    setPanelVisible(false);
}

void AppState::togglePanel()
{
    if (m_panelVisible)
        hidePanel();
    else
        showPanel();
}

void AppState::setPanelTab(PanelTab tab)
{
    if (m_panelTab == tab)
        return;
    m_panelTab = tab;
    Q_EMIT panelTabChanged();
}

void AppState::closePanels()
{
    setPopoverVisible(false);
    hidePanel();
}

void AppState::paste(const ClipboardItem &item)
{
    if (m_paste.paste(item))
        closePanels();
}

void AppState::pasteSnippet(const Snippet &snippet)
{
    if (m_paste.pasteSnippet(snippet))
        closePanels();
}

void AppState::offerUndo(std::optional<qint64> removed, const QString &notice)
{
    if (removed && *removed > 0)
        Q_EMIT removalUndoable(notice);
    else
        m_history.forgetRemoved();
}

void AppState::clearHistory()
{
    // Only the panel offers a way back; elsewhere nothing is kept for it.
    if (!m_panelVisible) {
        m_paste.clearHistory();
        return;
    }
    const auto removed = m_history.clearUndoably();
    offerUndo(removed, tr("Cleared %n entry(s)", nullptr, int(removed.value_or(0))));
}

AppActions::ClearCounts AppState::clearCounts()
{
    const auto [removed, pinned] = m_history.clearCounts();
    return { removed, pinned };
}

bool AppState::undoRemoval()
{
    return m_panelVisible && m_history.undoRemoval() > 0;
}

void AppState::setPinned(const ClipboardItem &item, bool pinned)
{
    m_history.setPinned(item.id, pinned);
}

void AppState::remove(const ClipboardItem &item)
{
    if (m_panelVisible)
        offerUndo(m_history.removeUndoably(item.id), tr("Deleted %n entry(s)", nullptr, 1));
    else
        m_history.remove(item.id);
}

void AppState::saveAsSnippet(const ClipboardItem &item)
{
    const auto snippet = m_snippets.createSnippetFromItem(item);
    if (!snippet)
        return;
    closePanels();
    Q_EMIT snippetEditRequested(snippet->id);
}

void AppState::openSettings()
{
    Q_EMIT settingsRequested();
}

void AppState::quit()
{
    Q_EMIT quitRequested();
}

bool AppState::isOwnWindow(WindowId window)
{
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(),
        [window](QWindow *own) { return own->handle() && own->winId() == window; });
}

std::optional<WindowId> AppState::userWindow()
{
    const std::optional<WindowId> active = m_workspace.activeWindow();
    if (!active || !isOwnWindow(*active))
        m_userWindow = active;
    return m_userWindow;
}

void AppState::triggerAITransform()
{
    m_transform.resetForNewRun();
    // The answer goes back to the window the selection came from.
    m_transform.setPasteTarget(userWindow());
    captureThenShow(this, ++m_aiRun, std::nullopt);
}

void AppState::runPrompt(const QString &name, const QString &systemPrompt, TransformMode mode)
{
    m_transform.resetForNewRun();
    m_transform.setPasteTarget(userWindow());
    m_transform.setMode(mode);
    m_transform.setCurrentPromptName(name);
    captureThenShow(this, ++m_aiRun, systemPrompt);
}

void AppState::toggleLauncher()
{
    Q_EMIT launcherToggleRequested();
}

QCoro::Task<> AppState::captureThenShow(
    QPointer<AppState> self, quint64 run, std::optional<QString> systemPrompt)
{
    co_await self->m_transform.captureSelectedText();
    if (!self || self->m_aiRun != run)
        co_return;
    TextTransformManager &transform = self->m_transform;
    if (systemPrompt) {
        if (!transform.currentPromptName() || transform.currentPromptName()->isEmpty())
            transform.setCurrentPromptName(*systemPrompt);
        transform.transform(*systemPrompt);
    }
    Q_EMIT self->aiPanelRequested();
}

} // namespace quillet
