#include "settings/LaunchAtLoginService.h"
#include "settings/FakeUpdater.h"
#include "settings/UpdateService.h"
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

    void unconfiguredUpdatesAreInert()
    {
        UpdateService updates;
        QVERIFY(!updates.isConfigured());
        QVERIFY(!updates.canCheckForUpdates());
        QVERIFY(!updates.automaticallyChecksForUpdates());
        QSignalSpy changes(&updates, &UpdateService::automaticallyChecksForUpdatesChanged);
        updates.setAutomaticallyChecksForUpdates(true);
        QVERIFY(!updates.automaticallyChecksForUpdates());
        QCOMPARE(changes.size(), 0);
        QCOMPARE(updates.lastUpdateCheckDate(), std::nullopt);
        updates.checkForUpdates();
    }

    void aConfiguredUpdaterIsStartedAndFollowed()
    {
        auto owned = std::make_unique<test::FakeUpdater>();
        test::FakeUpdater *updater = owned.get();
        updater->lastCheck = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        UpdateService updates(std::move(owned));
        // The updater's value at once, before any change is announced.
        QVERIFY(updates.canCheckForUpdates());
        QCOMPARE(updater->starts, 1);
        QCOMPARE(updates.lastUpdateCheckDate(), updater->lastCheck);

        QSignalSpy canCheck(&updates, &UpdateService::canCheckForUpdatesChanged);
        updater->setCanCheck(false);
        updater->setCanCheck(false);
        QVERIFY(!updates.canCheckForUpdates());
        QCOMPARE(canCheck.size(), 1);

        updates.setAutomaticallyChecksForUpdates(false);
        QVERIFY(!updater->automatic);
        updates.checkForUpdates();
        QCOMPARE(updater->checks, 1);
    }
};

QUILLET_TEST_MAIN(LaunchAtLoginServiceTest)
#include "LaunchAtLoginServiceTest.moc"
