#include "app/TrayController.h"

#include "app/AppState.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/PanelGeometry.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/SearchField.h"
#include "ui/tray/TrayPopup.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

namespace quillet {

namespace {

// The popup window: closes when the user clicks elsewhere, like a menu.
class TrayPopupWindow : public QWidget {
public:
    explicit TrayPopupWindow(QWidget *content)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(QStringLiteral("trayPopup"));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(content);
    }
};

QPoint popupPosition(const QRect &iconGeometry, const QSize &size)
{
    const QPoint pointer = QCursor::pos();
    const QPoint anchor = iconGeometry.isValid() ? iconGeometry.center() : pointer;
    QScreen *screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    if (!iconGeometry.isValid())
        return panelPositionNearPointer(area, pointer, size);
    // Below an icon in a top panel, above one in a bottom panel.
    int y = iconGeometry.bottom() + 4;
    if (iconGeometry.center().y() > area.center().y())
        y = iconGeometry.top() - size.height() - 4;
    int x = iconGeometry.center().x() - size.width() / 2;
    x = std::clamp(x, area.left() + 4, std::max(area.left() + 4, area.right() - size.width() - 4));
    y = std::clamp(y, area.top() + 4, std::max(area.top() + 4, area.bottom() - size.height() - 4));
    return { x, y };
}

} // namespace

TrayController::TrayController(
    AppState &state, Store &store, SnippetsViewModel &snippets, Defaults &defaults, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_store(store)
    , m_snippets(snippets)
    , m_defaults(defaults)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_icon = std::make_unique<QSystemTrayIcon>();
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48 })
        icon.addPixmap(
            symbolPixmap(QStringLiteral("clipboard"), size, qApp->palette().color(QPalette::WindowText)));
    m_icon->setIcon(icon);
    m_icon->setToolTip(QStringLiteral("Quillet"));

    // The right-click menu, for trays that show one instead of activating.
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(QStringLiteral("Show History"), this, &TrayController::showPopup);
    m_menu->addAction(QStringLiteral("Open Floating Panel"), &m_state, &AppState::showPanel);
    m_menu->addAction(QStringLiteral("Settings..."), &m_state, &AppState::openSettings);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Quillet"), &m_state, &AppState::quit);
    m_icon->setContextMenu(m_menu.get());

    connect(
        m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                m_popup ? hidePopup() : showPopup();
        });
    m_icon->show();
}

TrayController::~TrayController()
{
    delete m_popup;
}

bool TrayController::isAvailable() const
{
    return m_icon != nullptr;
}

void TrayController::showPopup()
{
    hidePopup();
    auto *view = new TrayPopup(m_state, m_store, m_snippets, m_defaults);
    auto *popup = new TrayPopupWindow(view);
    connect(view, &TrayPopup::dismissRequested, popup, &QWidget::close);
    // A popup replaced by a newer one goes later, while the newer one shows.
    connect(popup, &QObject::destroyed, this, [this] {
        if (!m_popup)
            m_state.setPopoverVisible(false);
    });
    // A paste closes the popover first.
    connect(&m_state, &AppState::isPopoverVisibleChanged, popup, [this, popup] {
        if (!m_state.isPopoverVisible())
            popup->close();
    });
    popup->adjustSize();
    popup->move(popupPosition(m_icon ? m_icon->geometry() : QRect(), popup->sizeHint()));
    m_popup = popup;
    m_state.setPopoverVisible(true);
    popup->show();
    view->searchField()->setFocus();
}

void TrayController::hidePopup()
{
    if (m_popup)
        m_popup->close();
    m_popup = nullptr;
}

} // namespace quillet
