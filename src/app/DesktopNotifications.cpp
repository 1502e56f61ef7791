#include "app/DesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quillet {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kClickAction = QStringLiteral("default");

} // namespace

DesktopNotifications::DesktopNotifications(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
        SLOT(actionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
        SLOT(notificationClosed(uint, uint)));
}

bool DesktopNotifications::isAvailable() const
{
    const QDBusConnectionInterface *bus = m_bus.isConnected() ? m_bus.interface() : nullptr;
    if (!bus)
        return false;
    return bus->isServiceRegistered(kService).value()
        || bus->activatableServiceNames().value().contains(kService);
}

void DesktopNotifications::show(const QString &title, const QString &message, std::function<void()> onClicked)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions
        = onClicked ? QStringList { kClickAction, QStringLiteral("Open") } : QStringList();
    const QVariantMap hints { { QStringLiteral("desktop-entry"), QStringLiteral("app.quillet.Quillet") } };
    call << QStringLiteral("Quillet") << uint(0) << QStringLiteral("edit-paste") << title << message
         << actions << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, onClicked = std::move(onClicked)](QDBusPendingCallWatcher *finished) {
            const QDBusPendingReply<uint> reply = *finished;
            if (reply.isValid() && onClicked)
                m_actions.insert(reply.value(), onClicked);
            finished->deleteLater();
        });
}

void DesktopNotifications::actionInvoked(uint id, const QString &action)
{
    if (action != kClickAction)
        return;
    // The action may show a window that closes the notification meanwhile.
    if (const std::function<void()> onClicked = m_actions.value(id))
        onClicked();
}

void DesktopNotifications::notificationClosed(uint id, uint)
{
    m_actions.remove(id);
}

} // namespace quillet
