#include "app/FloatingPanelController.h"

#include "ui/common/PanelGeometry.h"
#include "ui/panel/FloatingPanelView.h"
#include "ui/panel/IMEPanel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

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

FloatingPanelController::FloatingPanelController(
    AppActions &actions, SnippetsViewModel &snippets, Store &store, Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_actions(actions)
    , m_snippets(snippets)
    , m_store(store)
    , m_workspace(workspace)
{
}

FloatingPanelController::~FloatingPanelController()
{
    delete m_panel;
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

    // The window in front now is where focus and pastes go back to.
    m_previousWindow = m_workspace.activeWindow();
    Q_EMIT historyPanelOpened(m_previousWindow);

    auto *view = new FloatingPanelView(m_actions, m_store, m_snippets);
    auto *panel = new IMEPanel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
    panel->setObjectName(QStringLiteral("historyPanel"));
    connect(panel, &IMEPanel::aboutToClose, this, [this, panel] {
        if (m_previousWindow && m_panel == panel)
            m_workspace.activateWindow(*m_previousWindow);
        Q_EMIT historyPanelClosed();
    });
    const QPoint pointer = QCursor::pos();
    panel->move(panelPositionNearPointer(workAreaAt(pointer), pointer, panel->size()));
    m_panel = panel;
    m_workspace.showOnAllDesktops(panel->winId());
    panel->show();
    panel->raise();
    panel->activateWindow();
    view->setFocus();
}

void FloatingPanelController::closeHistoryPanel()
{
    if (m_panel)
        m_panel->close();
    m_panel = nullptr;
}

} // namespace quillet
