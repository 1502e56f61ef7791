#include "shortcuts/wayland/PortalGlobalShortcuts.h"
#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/RecorderController.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/FakeRecorderAlerts.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;
using namespace quillet::shortcuts;
using quillet::shortcuts::wayland::PortalGlobalShortcuts;
using quillet::test::FakeGlobalShortcutsPortal;
using Bound = FakeGlobalShortcutsPortal::Bound;

namespace {

constexpr int kWaitMs = 15000;

const Name kToggle(QStringLiteral("togglePanel"), Shortcut(keys::v, command | shift),
    QStringLiteral("Show or hide the clipboard history"));
const Name kLauncher(QStringLiteral("openLauncher"), std::nullopt, QStringLiteral("Open the launcher"));
const Name kSnippets(QStringLiteral("openSnippets"), Shortcut(keys::s, control | option));

} // namespace

// The portal client and the shortcut library over it, against a fake portal
// on a private session bus.
class PortalGlobalShortcutsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<test::PrivateSessionBus> m_bus;
    std::unique_ptr<Defaults> m_defaults;
    int m_connections = 0;

    // A client on its own connection, as a new Quillet process would be.
    std::unique_ptr<PortalGlobalShortcuts> connectClient()
    {
        const QString name = QStringLiteral("client-%1").arg(++m_connections);
        return std::make_unique<PortalGlobalShortcuts>(
            QDBusConnection::connectToBus(m_bus->address(), name), QStringLiteral("app.quillet.Quillet"));
    }

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<test::PrivateSessionBus>();
        QVERIFY(!m_bus->address().isEmpty());
        QFile::remove(m_dir.filePath(QStringLiteral("Quillet.conf")));
        m_defaults = std::make_unique<Defaults>(m_dir.filePath(QStringLiteral("Quillet.conf")));
    }

    void cleanup() { m_bus.reset(); }

    void namesAreBoundOnceWithTheirDescriptionsAndPreferredTriggers()
    {
        FakeGlobalShortcutsPortal portal(m_bus->address());
        QVERIFY(portal.isRegistered());
        portal.assigned.insert(kToggle.rawValue, QStringLiteral("Shift+Meta+V"));
        auto client = connectClient();
        KeyboardShortcuts library(*m_defaults, nullptr, nullptr, client.get());
        library.onKeyUp(kToggle, [] {});
        library.onKeyUp(kLauncher, [] {});
        library.onKeyUp(kSnippets, [] {});
        library.shortcut(kSnippets);

        QTRY_VERIFY_WITH_TIMEOUT(library.assignedTrigger(kToggle).has_value(), kWaitMs);
        QCOMPARE(portal.bindCalls.size(), 1);
        const QList<Bound> expected {
            { QStringLiteral("openLauncher"), QStringLiteral("Open the launcher"), QString() },
            { QStringLiteral("openSnippets"), QStringLiteral("openSnippets"), QStringLiteral("CTRL+ALT+s") },
            { QStringLiteral("togglePanel"), QStringLiteral("Show or hide the clipboard history"),
                QStringLiteral("SHIFT+LOGO+v") },
        };
        QCOMPARE(portal.bindCalls.first(), expected);
        // Named before anything else, so the desktop keeps the shortcuts.
        QCOMPARE(portal.registrations,
            (QList<std::pair<QString, bool>> { { QStringLiteral("app.quillet.Quillet"), true } }));
        QVERIFY(library.isAvailable());
        QVERIFY(library.isManagedByDesktop());
        QCOMPARE(library.assignedTrigger(kToggle), QStringLiteral("Shift+Meta+V"));
        QCOMPARE(library.assignedTrigger(kLauncher), std::nullopt);

        // The recorder shows what the desktop assigned and sends the user to
        // the desktop's dialog instead of recording.
        test::FakeRecorderAlerts alerts;
        RecorderController recorder(library, kToggle, alerts);
        QCOMPARE(recorder.text(), QStringLiteral("Shift+Meta+V"));
        QVERIFY(!recorder.isCancelButtonVisible());
        recorder.startRecording();
        QVERIFY(!recorder.isRecording());
        recorder.activate();
        QTRY_VERIFY_WITH_TIMEOUT(portal.configureCalls == 1, kWaitMs);

        portal.changeTrigger(kToggle.rawValue, QStringLiteral("Ctrl+Alt+H"));
        QTRY_VERIFY_WITH_TIMEOUT(recorder.text() == QLatin1String("Ctrl+Alt+H"), kWaitMs);
    }

    void anActivationRunsTheHandlersOfItsName()
    {
        FakeGlobalShortcutsPortal portal(m_bus->address());
        auto client = connectClient();
        KeyboardShortcuts library(*m_defaults, nullptr, nullptr, client.get());
        QStringList events;
        library.onKeyDown(kToggle, [&] { events << QStringLiteral("toggle down"); });
        library.onKeyUp(kToggle, [&] { events << QStringLiteral("toggle up"); });
        library.onKeyUp(kLauncher, [&] { events << QStringLiteral("launcher up"); });
        QTRY_VERIFY_WITH_TIMEOUT(!portal.bindCalls.isEmpty(), kWaitMs);

        portal.activate(kToggle.rawValue);
        portal.deactivate(kToggle.rawValue);
        QTRY_VERIFY_WITH_TIMEOUT(events.size() == 2, kWaitMs);
        QCOMPARE(events, (QStringList { QStringLiteral("toggle down"), QStringLiteral("toggle up") }));

        // While disabled the desktop's activations do nothing.
        QSignalSpy delivered(client.get(), &DesktopShortcutService::deactivated);
        library.setEnabled(false);
        portal.deactivate(kLauncher.rawValue);
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 1, kWaitMs);
        library.setEnabled(true);
        portal.deactivate(kLauncher.rawValue);
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 2, kWaitMs);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events.last(), QStringLiteral("launcher up"));
    }

    void aNameAddedLaterIsBoundInANewSession()
    {
        FakeGlobalShortcutsPortal portal(m_bus->address());
        auto client = connectClient();
        KeyboardShortcuts library(*m_defaults, nullptr, nullptr, client.get());
        library.onKeyUp(kToggle, [] {});
        QTRY_VERIFY_WITH_TIMEOUT(portal.bindCalls.size() == 1, kWaitMs);

        int launched = 0;
        library.onKeyUp(kLauncher, [&] { ++launched; });
        QTRY_VERIFY_WITH_TIMEOUT(portal.bindCalls.size() == 2, kWaitMs);
        QCOMPARE(portal.closedSessions, QStringList { portal.sessions.first() });
        QCOMPARE(portal.bindCalls.last().size(), 2);
        portal.deactivate(kLauncher.rawValue);
        QTRY_VERIFY_WITH_TIMEOUT(launched == 1, kWaitMs);
    }

    void withoutThePortalNothingIsBoundAndTheLibrarySaysSo_data()
    {
        QTest::addColumn<bool>("busConnected");
        QTest::newRow("no portal on the bus") << true;
        QTest::newRow("no bus at all") << false;
    }

    void withoutThePortalNothingIsBoundAndTheLibrarySaysSo()
    {
        QFETCH(bool, busConnected);
        std::unique_ptr<PortalGlobalShortcuts> client = busConnected
            ? connectClient()
            : std::make_unique<PortalGlobalShortcuts>(QDBusConnection(QStringLiteral("not connected")));
        KeyboardShortcuts library(*m_defaults, nullptr, nullptr, client.get());
        QSignalSpy availability(&library, &KeyboardShortcuts::availabilityChanged);
        library.onKeyUp(kToggle, [] {});
        QTRY_VERIFY_WITH_TIMEOUT(client->state() == DesktopShortcutService::State::unavailable, kWaitMs);
        QVERIFY(!library.isAvailable());
        QVERIFY(!library.isManagedByDesktop());
        QVERIFY(!client->unavailableReason().isEmpty());
        QCOMPARE(availability.size(), busConnected ? 1 : 0);
        // The configuration line a compositor needs instead.
        QCOMPARE(library.desktopNotation(*kToggle.defaultShortcut), QStringLiteral("SHIFT+LOGO+v"));
    }
};

QUILLET_TEST_MAIN(PortalGlobalShortcutsTest)
#include "PortalGlobalShortcutsTest.moc"
