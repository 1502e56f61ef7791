#include "WaylandTestTools.h"
#include "platform/wayland/WaylandKeySynthesizer.h"
#include "platform/wayland/WaylandWorkspace.h"

using namespace quillet;
using namespace quillet::test;
using namespace quillet::wayland;

// The active application through foreign-toplevel and pastes through the
// virtual keyboard, against a real (headless) sway.
class WaylandDesktopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WaylandWorkspace> m_workspace;
    std::unique_ptr<WaylandKeySynthesizer> m_keys;

private Q_SLOTS:
    void initTestCase()
    {
        m_workspace = std::make_unique<WaylandWorkspace>(WaylandConnection::open());
        m_keys = std::make_unique<WaylandKeySynthesizer>(WaylandConnection::open(), m_workspace.get());
        QVERIFY(m_workspace->knowsFrontmostApplication());
        QVERIFY(m_keys->isTrusted());
        installDesktopEntry(QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
        installDesktopEntry(
            QStringLiteral("electron-chat"), QStringLiteral("Chat"), QStringLiteral("ChatApp"));
    }

    void theActiveWindowsAppIdNamesTheApplication_data()
    {
        QTest::addColumn<QString>("appId");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("desktop-file ID") << "org.example.Notes"
                                         << "org.example.Notes"
                                         << "Notes";
        QTest::newRow("claimed by StartupWMClass") << "ChatApp"
                                                   << "electron-chat"
                                                   << "Chat";
        QTest::newRow("no entry") << "unlisted.tool"
                                  << "unlisted.tool"
                                  << "unlisted.tool";
    }

    void theActiveWindowsAppIdNamesTheApplication()
    {
        QFETCH(QString, appId);
        QFETCH(QString, id);
        QFETCH(QString, name);
        TestWindow window({ QStringLiteral("--app-id"), appId });
        QVERIFY(window.waitForWindow());
        QVERIFY(waitUntil([&] {
            const auto front = m_workspace->frontmostApplication();
            return front && front->id == id;
        }));
        QCOMPARE(m_workspace->frontmostApplication()->name, name);
    }

    void aPasteGoesBackToTheTargetWindow()
    {
        WlCopy owner("typed by the virtual keyboard");
        QVERIFY(waitUntil([] { return wlPaste() == QByteArray("typed by the virtual keyboard"); }));
        TestWindow target({ QStringLiteral("--app-id"), QStringLiteral("target.window") });
        QVERIFY(target.waitForWindow());
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow().has_value(); }));
        const WindowId targetWindow = *m_workspace->activeWindow();
        // Another window takes the focus, as a Quillet panel would.
        TestWindow other({ QStringLiteral("--app-id"), QStringLiteral("other.window") });
        QVERIFY(other.waitForWindow());
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() != targetWindow; }));

        m_keys->postPaste(targetWindow);
        QVERIFY2(target.waitForText(QStringLiteral("typed by the virtual keyboard")),
            qPrintable(target.texts().join(QLatin1Char('|'))));
        QVERIFY(other.texts().isEmpty());
        QCOMPARE(m_workspace->activeWindow(), targetWindow);
    }
};

QUILLET_TEST_MAIN(WaylandDesktopTest)
#include "WaylandDesktopTest.moc"
