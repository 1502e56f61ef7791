#include "app/TrayController.h"

#include "app/AppState.h"
#include "app/FloatingPanelController.h"
#include "launcher/LauncherViewModel.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/PanelGeometry.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/SearchField.h"
#include "ui/launcher/CommandText.h"
#include "ui/tray/TrayHistoryList.h"
#include "ui/tray/TrayPopup.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QHideEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillet {

namespace {

// The popup window: closes when the user clicks elsewhere, like a menu. It is
// kept when it closes, to be shown again.
class TrayPopupWindow : public QWidget {
public:
    explicit TrayPopupWindow(QWidget *content)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint)
    {
        setObjectName(QStringLiteral("trayPopup"));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(content);
    }

    std::function<void()> onHidden;

protected:
    void hideEvent(QHideEvent *event) override
    {
        QWidget::hideEvent(event);
        if (onHidden)
            onHidden();
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

// A command on one line of at most 80 characters, with the characters that
// could hide what it runs written as escapes.
QString commandLine(const QString &command)
{
    QString line = visibleControls(command);
    line.replace(QLatin1Char('\n'), QStringLiteral(" ↵ "));
    line.replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (line.size() > 80)
        line = line.left(79) + QChar(0x2026);
    return line;
}

// The pending command of a conversation waiting for approval.
const ConversationMessage *waitingCommand(const ConversationSession &session)
{
    if (!session.awaitingApproval())
        return nullptr;
    const QList<ConversationMessage> &messages = session.messages();
    for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
        if (it->role == ConversationMessage::Role::pendingApproval)
            return &*it;
    }
    return nullptr;
}

} // namespace

TrayController::TrayController(AppState &state, Store &store, SnippetsViewModel &snippets, Defaults &defaults,
    LauncherViewModel &launcher, FloatingPanelController &panels, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_store(store)
    , m_snippets(snippets)
    , m_defaults(defaults)
    , m_launcher(launcher)
    , m_panels(panels)
{
    connect(&m_launcher, &LauncherViewModel::sessionsChanged, this, &TrayController::followSessions);
    connect(
        &m_panels, &FloatingPanelController::launcherVisibleChanged, this, &TrayController::updateAttention);
    followSessions();

    // Made whether or not a tray runs now: a tray that starts later (a
    // desktop panel that comes up after Quillet at login) takes the icon in.
    m_icon = std::make_unique<QSystemTrayIcon>();
    showIcon();
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        if (m_onNotificationClicked)
            m_onNotificationClicked();
    });

    // The right-click menu, for trays that show one instead of activating.
    m_menu = std::make_unique<QMenu>();
    m_menu->addAction(tr("Show History"), this, &TrayController::showPopup);
    m_menu->addAction(tr("Open Floating Panel"), &m_state, &AppState::showPanel);
    m_menu->addAction(tr("Settings..."), &m_state, &AppState::openSettings);
    m_menu->addSeparator();
    m_menu->addAction(tr("Quit Quillet"), &m_state, &AppState::quit);
    m_icon->setContextMenu(m_menu.get());

    connect(
        m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                isPopupVisible() ? hidePopup() : showPopup();
        });
    m_icon->show();

    // Built once the event loop runs, so that the first click finds it ready
    // (without a tray, at the first show, which may never come).
    QTimer::singleShot(0, this, [this] {
        if (isAvailable())
            preparePopup();
    });
}

TrayController::~TrayController()
{
    delete m_popup;
}

bool TrayController::isPopupVisible() const
{
    return m_popup && m_popup->isVisible();
}

bool TrayController::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QRect TrayController::iconGeometry() const
{
    return QSystemTrayIcon::isSystemTrayAvailable() ? m_icon->geometry() : QRect();
}

// The clipboard symbol, with an orange badge while something waits.
void TrayController::showIcon()
{
    if (!m_icon)
        return;
    QIcon icon;
    for (int size : { 16, 22, 24, 32, 48 }) {
        QPixmap pixmap
            = symbolPixmap(QStringLiteral("clipboard"), size, qApp->palette().color(QPalette::WindowText));
        if (!m_attention.isEmpty()) {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xe0, 0x8a, 0x1e));
            const qreal badge = size * 0.45;
            painter.drawEllipse(QRectF(size - badge, size - badge, badge, badge));
        }
        icon.addPixmap(pixmap);
    }
    m_icon->setIcon(icon);
    m_icon->setToolTip(toolTip());
}

QString TrayController::toolTip() const
{
    QStringList lines { QStringLiteral("Quillet") };
    for (const QString &line : { m_storeProblem, m_attention }) {
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

void TrayController::setStoreProblem(const QString &problem)
{
    if (problem == m_storeProblem)
        return;
    const bool begins = m_storeProblem.isEmpty();
    m_storeProblem = problem;
    showIcon();
    // Told once as it begins; the tooltip and the panel keep saying it.
    if (begins && !problem.isEmpty())
        notify(tr("Quillet is not saving copies"), problem, [this] { m_state.showPanel(); });
}

void TrayController::notify(const QString &title, const QString &message, std::function<void()> onClicked)
{
    if (m_notifications.isAvailable()) {
        m_notifications.show(title, message, std::move(onClicked));
    } else if (isAvailable()) {
        // The tray's own balloon shows one message at a time, so its click
        // answers the newest.
        m_onNotificationClicked = std::move(onClicked);
        m_icon->showMessage(title, message, QSystemTrayIcon::Information);
    }
    Q_EMIT notified(title, message);
}

void TrayController::followSessions()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_sessionConnections))
        disconnect(connection);
    m_sessionConnections.clear();
    for (const ConversationSessionPtr &session : m_launcher.sessions()) {
        m_sessionConnections.append(connect(session.get(), &ConversationSession::awaitingApprovalChanged,
            this, &TrayController::updateAttention));
    }
    updateAttention();
}

// What the launcher shows needs no word from the icon; once it is hidden, the
// commands waiting there do.
void TrayController::updateAttention()
{
    QList<std::pair<ConversationSessionPtr, ConversationMessage>> waiting;
    if (!m_panels.isLauncherVisible()) {
        for (const ConversationSessionPtr &session : m_launcher.sessions()) {
            if (const ConversationMessage *command = waitingCommand(*session))
                waiting.append({ session, *command });
        }
    }
    QString attention;
    if (waiting.size() == 1)
        attention
            = tr("A command waits for your approval: %1").arg(commandLine(waiting.first().second.content));
    else if (waiting.size() > 1)
        attention = tr("%n command(s) wait for your approval", nullptr, int(waiting.size()));
    if (attention != m_attention) {
        m_attention = attention;
        showIcon();
    }

    for (const auto &[session, command] : std::as_const(waiting)) {
        if (m_announced.contains(command.id))
            continue;
        m_announced.insert(command.id);
        const std::weak_ptr<ConversationSession> target = session;
        notify(tr("A command waits for your approval"),
            tr("%1\n$ %2\nOpen the launcher to allow or deny it.")
                .arg(session->title(), commandLine(command.content)),
            [this, target] {
                const ConversationSessionPtr shown = target.lock();
                if (!shown || !m_launcher.sessions().contains(shown))
                    return;
                if (!m_panels.isLauncherVisible())
                    m_state.toggleLauncher();
                m_launcher.openSession(shown);
            });
    }
}

void TrayController::preparePopup()
{
    if (m_popup)
        return;
    m_view = new TrayPopup(m_state, m_store, m_snippets, m_defaults);
    auto *popup = new TrayPopupWindow(m_view);
    m_popup = popup;
    connect(m_view, &TrayPopup::dismissRequested, popup, &QWidget::close);
    popup->onHidden = [this] {
        m_state.setPopoverVisible(false);
        // The next show starts as a new popup would, and finds it laid out.
        m_view->reset();
        m_popup->adjustSize();
    };
    // A paste closes the popover first.
    connect(&m_state, &AppState::isPopoverVisibleChanged, popup, [this] {
        if (!m_state.isPopoverVisible())
            hidePopup();
    });
    // What the first show would do otherwise: style and lay out every row,
    // create the X window, and draw once (fonts, glyphs, icons). Wayland
    // gives a popup its surface only as it shows.
    popup->ensurePolished();
    popup->adjustSize();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        popup->winId();
    popup->grab();
}

void TrayController::showPopup()
{
    preparePopup();
    if (m_popup->isVisible())
        return;
    m_view->historyView()->refreshTimes();
    m_popup->move(popupPosition(iconGeometry(), m_popup->size()));
    m_state.setPopoverVisible(true);
    m_popup->show();
    m_view->searchField()->setFocus();
}

void TrayController::hidePopup()
{
    if (m_popup && m_popup->isVisible())
        m_popup->close();
}

} // namespace quillet
