#include "app/FloatingPanelController.h"

#include "app/AppState.h"
#include "launcher/LauncherViewModel.h"
#include "ui/ai/AITransformView.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/PanelGeometry.h"
#include "ui/launcher/LauncherView.h"
#include "ui/panel/FloatingPanelView.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace quillet {

namespace {

// The work area of the screen under the pointer (the screen the user looks
// at), else of the primary screen, else nothing.
QRect workAreaAt(const QPoint &pointer)
{
    QScreen *screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

FloatingPanelController::FloatingPanelController(AppState &state, SnippetsViewModel &snippets, Store &store,
    Workspace &workspace, AIPanelContent ai, LauncherContent launcher, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_snippets(snippets)
    , m_store(store)
    , m_workspace(workspace)
    , m_ai(ai)
    , m_launcher(std::move(launcher))
{
    connect(&m_state, &AppState::launcherToggleRequested, this, &FloatingPanelController::toggleLauncher);
    connect(&m_state, &AppState::aiPanelRequested, this, &FloatingPanelController::showAIPanel);
    connect(&m_state, &AppState::panelShowRequested, this, &FloatingPanelController::showHistoryPanel);
    connect(&m_state, &AppState::isPanelVisibleChanged, this, [this] {
        if (!m_state.isPanelVisible())
            closeHistoryPanel();
    });
    QTimer::singleShot(0, this, &FloatingPanelController::warmUp);
}

void FloatingPanelController::warmUp()
{
    if (m_panel || m_preparedPanel)
        return;
    // The first panel of a process would load what every later one finds
    // ready (the fonts and their glyphs, the theme's icons, the style) and
    // wait on the X server for its window. Built, drawn off screen and kept
    // hidden once the event loop runs, it is ready before the first hot key;
    // its lists follow the store meanwhile, row by row.
    auto *view = new FloatingPanelView(m_state, m_store, m_snippets);
    m_preparedPanel = makeHistoryPanel(view);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_preparedPanel->winId();
    m_preparedPanel->grab();
}

FloatingWindow *FloatingPanelController::makeHistoryPanel(FloatingPanelView *view)
{
    auto *panel = new FloatingWindow(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
    panel->setObjectName(QStringLiteral("historyPanel"));
    connect(panel, &FloatingWindow::aboutToClose, this, [this, panel] {
        if (m_panel != panel)
            return;
        if (m_previousWindow)
            m_workspace.activateWindow(*m_previousWindow);
        m_panel = nullptr;
        // However the panel closes (Escape, the window manager, a paste), the
        // state follows once the close has been handled.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_panel)
                    m_state.hidePanel();
            },
            Qt::QueuedConnection);
    });
    return panel;
}

FloatingPanelController::~FloatingPanelController()
{
    delete m_panel;
    delete m_preparedPanel;
    delete m_aiPanel;
    delete m_launcherPanel;
}

void FloatingPanelController::rememberPreviousWindow()
{
    m_previousWindow = m_workspace.activeWindow();
}

bool FloatingPanelController::isHistoryPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void FloatingPanelController::showHistoryPanel()
{
    if (isHistoryPanelVisible()) {
        m_panel->raise();
        m_panel->activateWindow();
        return;
    }
    delete m_panel;

    // The window in front now is where the focus goes back to.
    rememberPreviousWindow();

    // The first show finds its panel prepared; each later one builds afresh.
    FloatingWindow *panel = m_preparedPanel;
    m_preparedPanel = nullptr;
    if (!panel)
        panel = makeHistoryPanel(new FloatingPanelView(m_state, m_store, m_snippets));
    auto *view = static_cast<FloatingPanelView *>(panel->content());
    view->setCopiesOnly(m_copiesOnly);
    m_panel = panel;
    present(panel, view);
}

void FloatingPanelController::present(FloatingWindow *panel, QWidget *content)
{
    // Wayland tells clients nothing of the pointer outside their windows and
    // places new windows itself. A panel there is an ordinary window that
    // others can cover, so it closes when it loses the focus instead of
    // lingering out of sight.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!wayland) {
        const QPoint pointer = QCursor::pos();
        panel->move(panelPositionNearPointer(workAreaAt(pointer), pointer, panel->size()));
    }
    m_workspace.showOnAllDesktops(panel->winId());
    if (wayland) {
        connect(panel->windowHandle(), &QWindow::activeChanged, panel, [panel, wasActive = false]() mutable {
            if (panel->isActiveWindow())
                wasActive = true;
            else if (wasActive && !panel->isAncestorOf(QApplication::activeModalWidget()))
                panel->close(); // but not for its own question (Clear asks first)
        });
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
    content->setFocus();
}

void FloatingPanelController::showAIPanel()
{
    // The selection's window gets the focus back; a request made while the
    // panel itself is in front keeps the window from before.
    if (const auto active = m_workspace.activeWindow(); !active || !AppState::isOwnWindow(*active))
        m_previousWindow = active;
    if (m_aiPanel && m_aiPanel->isVisible()) {
        // A new request wants the keyboard as much as the first one did.
        m_aiPanel->raise();
        m_aiPanel->activateWindow();
        m_aiPanel->content()->setFocus();
        return;
    }
    delete m_aiPanel;

    auto *view = new AITransformView(m_ai.manager, m_ai.prompts, m_ai.clock);
    auto *panel = new FloatingWindow(view, QSize(AITransformView::width, AITransformView::height));
    panel->setObjectName(QStringLiteral("aiPanel"));
    connect(view, &AITransformView::dismissRequested, this, &FloatingPanelController::closeAIPanel);
    connect(panel, &FloatingWindow::aboutToClose, this, [this, panel] {
        if (m_aiPanel != panel)
            return;
        if (m_previousWindow)
            m_workspace.activateWindow(*m_previousWindow);
        m_aiPanel = nullptr;
    });
    m_aiPanel = panel;
    present(panel, view);
}

void FloatingPanelController::closeAIPanel()
{
    if (FloatingWindow *panel = m_aiPanel)
        panel->close();
    m_aiPanel = nullptr;
}

void FloatingPanelController::toggleLauncher()
{
    if (isLauncherVisible()) {
        closeLauncher();
        return;
    }
    delete m_launcherPanel;

    LauncherViewModel &model = m_launcher.model;
    model.reset();
    model.setOnDismiss([weak = QPointer<FloatingPanelController>(this)] {
        if (weak)
            weak->closeLauncher();
    });
    auto *view = new LauncherView(model);
    if (m_launcher.shortcutText)
        view->setShortcutText(m_launcher.shortcutText());
    // Centred on the screen the user looks at, its top 22 % down the work
    // area where it fits; the window grows and shrinks with its content.
    const QRect frame
        = launcherGeometry(workAreaAt(QCursor::pos()), QSize(LauncherView::width, LauncherView::height));
    view->setAvailableSize(frame.size());
    auto *panel = new FloatingWindow(view, view->size());
    connect(
        view, &LauncherView::heightChanged, panel, [panel](int height) { panel->setFixedHeight(height); });
    panel->setObjectName(QStringLiteral("launcherPanel"));
    panel->setTransient(true);
    connect(panel, &FloatingWindow::aboutToClose, this, [this, panel] {
        if (m_launcherPanel != panel)
            return;
        m_launcherPanel = nullptr;
        Q_EMIT launcherVisibleChanged(false);
    });
    panel->move(frame.topLeft());
    m_launcherPanel = panel;
    m_workspace.showOnAllDesktops(panel->winId());
    panel->show();
    panel->raise();
    panel->activateWindow();
    view->focusInput();
    Q_EMIT launcherVisibleChanged(true);
}

void FloatingPanelController::closeLauncher()
{
    if (FloatingWindow *panel = m_launcherPanel)
        panel->close();
    m_launcherPanel = nullptr;
}

void FloatingPanelController::closeHistoryPanel()
{
    if (FloatingWindow *panel = m_panel)
        panel->close();
    m_panel = nullptr;
}

} // namespace quillet
