#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace quillet;

// The quillet program picks its desktop by itself (QT_QPA_PLATFORM unset) and
// says at start-up what it found: run under Xvfb, a headless sway and a
// headless KWin.
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
        if (qEnvironmentVariableIsSet("QUILLET_KWIN_RESTRICTED")) {
            QTest::newRow("KWin withholding its own protocols")
                << false
                << "Wayland session (KWin): found zwlr_data_control_manager_v1; missing "
                   "ext_data_control_manager_v1, org_kde_plasma_window_management, org_kde_kwin_fake_input, "
                   "org.freedesktop.portal.GlobalShortcuts.";
            return;
        }
        if (qEnvironmentVariable("XDG_CURRENT_DESKTOP") == QLatin1String("KDE")) {
            QTest::newRow("KWin alone")
                << false
                << "Wayland session (KWin): found zwlr_data_control_manager_v1, "
                   "org_kde_plasma_window_management, org_kde_kwin_fake_input; missing "
                   "ext_data_control_manager_v1, org.freedesktop.portal.GlobalShortcuts.";
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

        // Its own folders, the private bus, and no platform chosen for it.
        QTemporaryDir home;
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME" }) {
            const QString dir = home.filePath(QLatin1String(name));
            QDir().mkpath(dir);
            QFile::setPermissions(
                dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QLatin1String(name), dir);
        }
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        QProcess quillet;
        quillet.setProcessEnvironment(environment);
        quillet.setProcessChannelMode(QProcess::MergedChannels);
        QString output;
        connect(
            &quillet, &QProcess::readyRead, this, [&] { output += QString::fromUtf8(quillet.readAll()); });
        quillet.start(QStringLiteral(QUILLET_BINARY), {});
        const auto stop = qScopeGuard([&] {
            quillet.terminate();
            if (!quillet.waitForFinished(10000))
                quillet.kill();
            quillet.waitForFinished(10000);
        });

        // The fake portal answers from this process's event loop, so the
        // waits spin it.
        QTRY_VERIFY2_WITH_TIMEOUT(output.contains(line), qPrintable(output), 30000);
        if (portal) {
            QTRY_COMPARE_WITH_TIMEOUT(fake->bindCalls.size(), 1, 30000);
            QVERIFY2(!output.contains(QStringLiteral("unavailable")), qPrintable(output));
        } else if (line.startsWith(QLatin1String("Wayland"))) {
            QTRY_VERIFY2_WITH_TIMEOUT(output.contains(QStringLiteral("Global shortcuts are unavailable")),
                qPrintable(output), 30000);
            QVERIFY(output.contains(QStringLiteral("quillet toggle")));
            // What the user can do about a withheld protocol.
            if (qEnvironmentVariableIsSet("QUILLET_KWIN_RESTRICTED")) {
                QCOMPARE(output.count(QStringLiteral("X-KDE-Wayland-Interfaces")), 2);
            }
        } else {
            QVERIFY2(!output.contains(QStringLiteral("unavailable")), qPrintable(output));
        }
    }
};

QUILLET_TEST_MAIN(QuilletSessionTest)
#include "QuilletSessionTest.moc"
