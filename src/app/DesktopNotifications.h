#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <functional>

namespace quillet {

// Notifications through the desktop's notification server (the freedesktop
// org.freedesktop.Notifications service), each with a click action of its
// own: clicking an older notification runs that one's action, however many
// came after it.
class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);

    // Whether a notification server runs on the bus, or would be started by it.
    bool isAvailable() const;
    // Shows a notification; clicking it runs `onClicked`, if given.
    void show(const QString &title, const QString &message, std::function<void()> onClicked = {});

private Q_SLOTS:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    // The actions of the notifications still shown, by the server's id.
    QHash<uint, std::function<void()>> m_actions;
};

} // namespace quillet
