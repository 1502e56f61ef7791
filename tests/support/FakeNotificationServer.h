#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace quillet::test {

// The desktop's notification server on a private bus: Notify answers ids 1,
// 2, …; click() is the user clicking one (its action runs, then it closes).
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit FakeNotificationServer(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("fake-notifications")))
    {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals);
        m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~FakeNotificationServer() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }

    QStringList shown; // the summaries, in order: notification n has id n
    void click(uint id)
    {
        Q_EMIT ActionInvoked(id, QStringLiteral("default"));
        Q_EMIT NotificationClosed(id, 2);
    }

public Q_SLOTS:
    Q_SCRIPTABLE uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &,
        const QStringList &, const QVariantMap &, int)
    {
        shown.append(summary);
        return uint(shown.size());
    }
Q_SIGNALS:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString &action);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
};

} // namespace quillet::test
