#include "app/DesktopNotifications.h"
#include "support/FakeNotificationServer.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class DesktopNotificationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachNotificationKeepsItsOwnClickAction()
    {
        test::PrivateSessionBus bus;
        DesktopNotifications notifications(
            QDBusConnection::connectToBus(bus.address(), QStringLiteral("client")));
        QVERIFY(!notifications.isAvailable());
        test::FakeNotificationServer server(bus.address());
        QVERIFY(notifications.isAvailable());
        QStringList clicked;
        const QStringList names { QStringLiteral("first"), QStringLiteral("second"),
            QStringLiteral("third") };
        for (const QString &name : names)
            notifications.show(name, QString(), [&clicked, name] { clicked.append(name); });
        QTRY_COMPARE_WITH_TIMEOUT(server.shown, names, 15000);
        // An older one clicked after newer ones came runs its own action; a closed one, none.
        for (uint id : { 1, 2, 1, 3 })
            server.click(id);
        QTRY_COMPARE_WITH_TIMEOUT(clicked, names, 15000);
    }
};

QUILLET_TEST_MAIN(DesktopNotificationsTest)
#include "DesktopNotificationsTest.moc"
