#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/QuilletProcess.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

using namespace quillet;

// The quillet program picks its desktop by itself (QT_QPA_PLATFORM unset) and
// says at start-up what it found: run under Xvfb and under a headless sway.
class QuilletSessionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theStartUpLineListsWhatTheDesktopOffers_data()
    {
        QTest::addColumn<bool>("portal");
        QTest::addColumn<QString>("line");
        if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("xcb")) {
            QTest::newRow("Xvfb and openbox")
                << false << "X11 session: found XFIXES, XTEST, _NET_ACTIVE_WINDOW; missing nothing.";
            return;
        }
        QTest::newRow("sway and a desktop portal")
            << true
            << "Wayland session: found zwlr_data_control_manager_v1, zwlr_foreign_toplevel_manager_v1, "
               "zwp_virtual_keyboard_manager_v1, org.freedesktop.portal.GlobalShortcuts (version 2); missing "
               "ext_data_control_manager_v1.";
        QTest::newRow("sway alone")
            << false
            << "Wayland session: found zwlr_data_control_manager_v1, zwlr_foreign_toplevel_manager_v1, "
               "zwp_virtual_keyboard_manager_v1; missing ext_data_control_manager_v1, "
               "org.freedesktop.portal.GlobalShortcuts.";
    }

    void theStartUpLineListsWhatTheDesktopOffers()
    {
        QFETCH(bool, portal);
        QFETCH(QString, line);
        test::PrivateSessionBus bus;
        QVERIFY(!bus.address().isEmpty());
        std::unique_ptr<test::FakeGlobalShortcutsPortal> fake;
        if (portal)
            fake = std::make_unique<test::FakeGlobalShortcutsPortal>(bus.address());

        QTemporaryDir home;
        test::QuilletProcess quillet(home.path());
        quillet.environment().remove(QStringLiteral("QT_QPA_PLATFORM"));
        quillet.environment().insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        quillet.start();
        // The fake portal answers from this process's event loop.
        QTRY_VERIFY2_WITH_TIMEOUT(quillet.readOutput().contains(line), qPrintable(quillet.output()), 30000);
        if (portal) {
            QTRY_COMPARE_WITH_TIMEOUT(fake->bindCalls.size(), 1, 30000);
            QVERIFY2(
                !quillet.readOutput().contains(QStringLiteral("unavailable")), qPrintable(quillet.output()));
        } else if (line.startsWith(QLatin1String("Wayland"))) {
            QVERIFY2(quillet.readOutput().contains(QStringLiteral("Global shortcuts are unavailable")),
                qPrintable(quillet.output()));
            QVERIFY(quillet.output().contains(QStringLiteral("quillet toggle")));
        } else {
            QVERIFY2(
                !quillet.readOutput().contains(QStringLiteral("unavailable")), qPrintable(quillet.output()));
        }
    }
};

QUILLET_TEST_MAIN(QuilletSessionTest)
#include "QuilletSessionTest.moc"
