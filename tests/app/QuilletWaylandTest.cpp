#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"

#include "../platform/wayland/WaylandTestTools.h"

#include <QTemporaryDir>

using namespace quillet;
using test::waitUntil;

// Quillet running for real on a headless sway, with the desktop portal's
// global shortcuts faked on a private session bus.
class QuilletWaylandTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<test::PrivateSessionBus> m_bus;
    std::unique_ptr<test::FakeGlobalShortcutsPortal> m_portal;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<DesktopSession> m_desktop;
    std::unique_ptr<QuilletApp> m_app;

    // The desktop's keys for a shortcut going down and up.
    void press(const QString &id)
    {
        m_portal->activate(id);
        m_portal->deactivate(id);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_bus = std::make_unique<test::PrivateSessionBus>();
        QVERIFY(!m_bus->address().isEmpty());
        m_portal = std::make_unique<test::FakeGlobalShortcutsPortal>(m_bus->address());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());

        m_defaults = std::make_unique<Defaults>(m_dir.filePath(QStringLiteral("Quillet.conf")));
        m_desktop = std::make_unique<DesktopSession>(*m_defaults, Clock::system());
        QString error;
        auto store = Store::open(m_dir.filePath(QStringLiteral("Quillet.store")), &error);
        QVERIFY2(store, qPrintable(error));
        m_app = std::make_unique<QuilletApp>(m_desktop->platform(), std::move(store));
        m_app->start();
        QVERIFY(waitUntil([&] { return !m_portal->bindCalls.isEmpty(); }));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_desktop.reset();
        m_portal.reset();
        m_bus.reset();
    }

    void thePortalsShortcutTogglesThePanel()
    {
        press(QStringLiteral("togglePanel"));
        QVERIFY(waitUntil([&] { return m_app->panels().isHistoryPanelVisible(); }));
        QVERIFY(m_app->state().isPanelVisible());
        press(QStringLiteral("togglePanel"));
        QVERIFY(waitUntil([&] { return !m_app->state().isPanelVisible(); }));
        QVERIFY(!m_app->panels().panel());
    }

    void thePanelClosesWhenAnotherWindowTakesTheFocus()
    {
        press(QStringLiteral("togglePanel"));
        QVERIFY(
            waitUntil([&] { return m_app->panels().panel() && m_app->panels().panel()->isActiveWindow(); }));
        test::TestWindow other({ QStringLiteral("--app-id"), QStringLiteral("other.window") });
        QVERIFY(other.waitForWindow());
        QVERIFY(waitUntil([&] { return !m_app->state().isPanelVisible(); }));
        QVERIFY(!m_app->panels().panel());
    }
};

QUILLET_TEST_MAIN(QuilletWaylandTest)
#include "QuilletWaylandTest.moc"
