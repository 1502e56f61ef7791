#include "app/AppState.h"

#include "app/FloatingPanelController.h"
#include "app/HotkeyManager.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

#include <QPointer>
#include <QTimer>

namespace quillet {

AppState::AppState(const Platform &platform, QObject *parent)
    : AppActions(parent)
    , m_platform(platform)
    , m_excludedApps(std::make_unique<ExcludedAppsService>(platform.defaults, platform.workspace))
    , m_launchAtLogin(std::make_unique<LaunchAtLoginService>(platform.loginItems))
    , m_hotkeys(std::make_unique<HotkeyManager>(platform.shortcuts, platform.defaults))
{
}

AppState::~AppState() = default;

void AppState::setup(Store &store, SnippetsViewModel &snippets)
{
    m_store = &store;
    m_history
        = std::make_unique<HistoryManager>(store, *m_excludedApps, m_platform.defaults, m_platform.clock);
    m_paste = std::make_unique<PasteService>(
        store, m_platform.pasteboard, m_platform.keys, m_platform.defaults, m_platform.clock);
    m_paste->setCloseHandlers([this] { setPopoverVisible(false); }, [this] { hidePanel(); });
    m_panelController
        = std::make_unique<FloatingPanelController>(*this, snippets, store, m_platform.workspace);
    // Pastes go to the window that was active when the panel or the popup
    // opened, and nowhere once both are closed.
    connect(m_panelController.get(), &FloatingPanelController::historyPanelOpened, this,
        [this](std::optional<WindowId> previous) { m_paste->setPasteTarget(previous); });
    // An application that exits takes its copy with it; the newest entry
    // takes its place, so the clipboard never goes empty under the user.
    connect(&m_platform.pasteboard, &Pasteboard::ownerLost, m_paste.get(), &PasteService::offerNewestEntry);
    // However the panel closes (Escape, its close button, a paste), the flag
    // follows once the close has been handled.
    connect(m_panelController.get(), &FloatingPanelController::historyPanelClosed, this, [this] {
        if (!m_popoverVisible)
            m_paste->setPasteTarget(std::nullopt);
        QTimer::singleShot(0, this, [this] { setPanelVisible(false); });
    });
    startMonitoring();
    setupHotkeys();

    if (!m_platform.defaults.boolean(keys::hasCompletedOnboarding).value_or(false)) {
        if (!requestAccessibility())
            Q_EMIT accessibilityUnavailable(
                QStringLiteral("Quillet cannot type pastes for you: the X server offers no XTest extension. "
                               "Chosen entries are put on the clipboard; paste them with Ctrl+V."));
        m_platform.defaults.setBool(keys::hasCompletedOnboarding, true);
    }
}

void AppState::startMonitoring()
{
    QPointer<AppState> weak(this);
    m_monitor = std::make_unique<ClipboardMonitor>(m_platform.pasteboard, m_platform.workspace,
        m_platform.defaults, m_platform.clock, [weak](const PasteboardSnapshot &snapshot) {
            if (weak && weak->m_history)
                weak->m_history->addSnapshot(snapshot);
        });
    QTimer::singleShot(0, m_monitor.get(), [monitor = m_monitor.get()] { monitor->start(); });
}

void AppState::setupHotkeys()
{
    QPointer<AppState> weak(this);
    m_hotkeys->setOnTogglePanel([weak] {
        if (weak)
            weak->togglePanel();
    });
    m_hotkeys->setOnOpenHistory([weak] {
        if (!weak)
            return;
        weak->setPanelTab(PanelTab::history);
        weak->showPanel();
    });
    m_hotkeys->setOnOpenSnippets([weak] {
        if (!weak)
            return;
        weak->setPanelTab(PanelTab::snippets);
        weak->showPanel();
    });
    // The AI transform and the launcher have no panels yet: their keys stay
    // unbound and free for other programs.
    m_hotkeys->registerShortcuts(
        { HotkeyManager::togglePanel(), HotkeyManager::openHistory(), HotkeyManager::openSnippets() });
}

void AppState::setPanelVisible(bool visible)
{
    if (m_panelVisible == visible)
        return;
    m_panelVisible = visible;
    Q_EMIT isPanelVisibleChanged();
}

void AppState::setPopoverVisible(bool visible)
{
    if (m_popoverVisible == visible)
        return;
    m_popoverVisible = visible;
    if (m_paste && visible)
        m_paste->setPasteTarget(m_platform.workspace.activeWindow());
    else if (m_paste && !isPanelVisible())
        m_paste->setPasteTarget(std::nullopt);
    Q_EMIT isPopoverVisibleChanged();
}

void AppState::showPanel()
{
    setPanelVisible(true);
    if (m_panelController)
        m_panelController->showHistoryPanel();
}

void AppState::hidePanel()
{
    setPanelVisible(false);
    if (m_panelController)
        m_panelController->closeHistoryPanel();
}

void AppState::togglePanel()
{
    if (m_panelController && m_panelController->isHistoryPanelVisible())
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

void AppState::paste(const ClipboardItem &item)
{
    if (m_paste)
        m_paste->paste(item);
}

void AppState::pasteSnippet(const Snippet &snippet)
{
    if (m_paste)
        m_paste->pasteSnippet(snippet);
}

void AppState::clearHistory()
{
    if (m_paste)
        m_paste->clearHistory();
}

bool AppState::requestAccessibility()
{
    // X11 has no permission to ask for: synthetic keys work wherever the
    // XTest extension exists.
    return m_platform.keys.isTrusted();
}

} // namespace quillet
