#pragma once

#include "app/DesktopNotifications.h"
#include "launcher/ConversationSession.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace quillet {

class AppState;
class Defaults;
class FloatingPanelController;
class LauncherViewModel;
class SnippetsViewModel;
class TrayPopup;
class Store;

// Quillet's tray icon ("clipboard") and the popup it opens: the history and
// snippets lists with Clear, Settings... and Quit. The popup is built once,
// soon after start-up, and kept: a click only shows it, next to the icon, or
// at the pointer when the tray does not say where the icon is.
//
// The icon also speaks for the launcher while it is hidden: when a
// conversation's command waits for approval there, the icon wears a badge and
// its tooltip names the command, and a notification announces each waiting
// command once; clicking the notification opens the launcher on it.
class TrayController : public QObject {
    Q_OBJECT
public:
    TrayController(AppState &state, Store &store, SnippetsViewModel &snippets, Defaults &defaults,
        LauncherViewModel &launcher, FloatingPanelController &panels, QObject *parent = nullptr);
    ~TrayController() override;

    // Whether a system tray shows the icon now (else Quillet runs on its hot
    // keys alone). The icon exists either way and appears when a tray does.
    bool isAvailable() const;
    // Where the tray shows the icon; invalid while none does.
    QRect iconGeometry() const;

    void showPopup();
    void hidePopup();
    bool isPopupVisible() const;
    // The popup's window, once built.
    QWidget *popup() const { return m_popup; }
    TrayPopup *popupView() const { return m_view; }

    // Shows a notification through the desktop's notification server, else
    // from the icon (where there is a tray); clicking it runs `onClicked`,
    // if given, whatever notifications came after it.
    void notify(const QString &title, const QString &message, std::function<void()> onClicked = {});
    // What the icon says beyond "Quillet" while something waits for the user
    // out of sight; empty when nothing does.
    QString attentionText() const { return m_attention; }
    // Why copies are not being recorded (empty while they are): a line of the
    // icon's tooltip while it lasts, and one notice as it begins.
    void setStoreProblem(const QString &problem);
    QString toolTip() const;

Q_SIGNALS:
    // Every notification, also where no tray shows it.
    void notified(const QString &title, const QString &message);

private:
    void followSessions();
    void updateAttention();
    void showIcon();
    void preparePopup();

    AppState &m_state;
    Store &m_store;
    SnippetsViewModel &m_snippets;
    Defaults &m_defaults;
    LauncherViewModel &m_launcher;
    FloatingPanelController &m_panels;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QWidget> m_popup;
    TrayPopup *m_view = nullptr;
    QList<QMetaObject::Connection> m_sessionConnections;
    QString m_attention;
    QString m_storeProblem;
    // The waiting commands (their messages) already announced.
    QSet<QUuid> m_announced;
    DesktopNotifications m_notifications { QDBusConnection::sessionBus() };
    // The click action of the tray's own balloon (without a notification server).
    std::function<void()> m_onNotificationClicked;
};

} // namespace quillet
