#include "settings/LaunchAtLoginService.h"
#include "support/FakeLoginItems.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace quillet;

namespace {

using Status = LoginItems::Status;

} // namespace

class LaunchAtLoginServiceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsFromTheRealStatusWithoutRegistering_data()
    {
        QTest::addColumn<Status>("status");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << Status::enabled << true;
        QTest::newRow("not registered") << Status::notRegistered << false;
        QTest::newRow("requires approval") << Status::requiresApproval << false;
        QTest::newRow("not found") << Status::notFound << false;
    }
    void startsFromTheRealStatusWithoutRegistering()
    {
        QFETCH(Status, status);
        QFETCH(bool, enabled);
        test::FakeLoginItems items;
        items.current = status;
        LaunchAtLoginService service(items);
        QCOMPARE(service.isEnabled(), enabled);
        QCOMPARE(items.registerCalls + items.unregisterCalls, 0);
    }

    void switchingRegistersOnceAndAnEqualValueDoesNothing()
    {
        test::FakeLoginItems items;
        LaunchAtLoginService service(items);
        QSignalSpy changes(&service, &LaunchAtLoginService::isEnabledChanged);
        service.setEnabled(false);
        QCOMPARE(items.registerCalls + items.unregisterCalls, 0);
        service.setEnabled(true);
        QCOMPARE(items.registerCalls, 1);
        QCOMPARE(items.current, Status::enabled);
        service.setEnabled(true);
        QCOMPARE(items.registerCalls, 1);
        service.setEnabled(false);
        QCOMPARE(items.unregisterCalls, 1);
        QCOMPARE(items.current, Status::notRegistered);
        QCOMPARE(changes.size(), 2);
    }

    void aRefusedChangeIsPrintedAndSnapsBackWithoutRetrying()
    {
        test::FakeLoginItems items;
        items.failure = QStringLiteral("The desktop refused");
        LaunchAtLoginService service(items);
        QSignalSpy changes(&service, &LaunchAtLoginService::isEnabledChanged);
        QByteArray output;
        {
            test::StdoutCapture capture;
            service.setEnabled(true);
            output = capture.text();
        }
        QCOMPARE(output, QByteArray("Failed to update launch at login: The desktop refused\n"));
        QCOMPARE(items.registerCalls, 1);
        QCOMPARE(items.unregisterCalls, 0);
        QVERIFY(!service.isEnabled());
        // The switch saw the change and the correction.
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
    }
};

QUILLET_TEST_MAIN(LaunchAtLoginServiceTest)
#include "LaunchAtLoginServiceTest.moc"
