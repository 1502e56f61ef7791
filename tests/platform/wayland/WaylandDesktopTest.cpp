#include "WaylandTestTools.h"
#include "platform/wayland/WaylandPlatformServices.h"

using namespace quillet;
using namespace quillet::test;

// The active application and pastes through what Quillet picks on a real
// (headless) compositor: foreign-toplevel and the virtual keyboard on sway,
// KWin's window management and fake input on KWin. The headless KWin runs
// without its permission checks; on a desktop, KWin grants both protocols
// through X-KDE-Wayland-Interfaces in Quillet's desktop entry.
class WaylandDesktopTest : public QObject {
    Q_OBJECT

    PlatformServices m_services;
    Workspace *m_workspace = nullptr;
    KeySynthesizer *m_keys = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        m_services = wayland::makePlatformServices();
        m_workspace = m_services.workspace.get();
        m_keys = m_services.keySynthesizer.get();
        QVERIFY2(m_services.unavailableFeatures.isEmpty(),
            qPrintable(m_services.unavailableFeatures.join(QLatin1Char('\n'))));
        QVERIFY(m_workspace->knowsFrontmostApplication());
        QVERIFY(m_keys->isTrusted());
        installDesktopEntry(QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
        installDesktopEntry(
            QStringLiteral("electron-chat"), QStringLiteral("Chat"), QStringLiteral("ChatApp"));
        QVERIFY(writeDesktopEntry(
            QStringLiteral("org.example.Term"), "Name=Term\nCategories=System;TerminalEmulator;\n"));
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

    // A terminal takes Ctrl+Shift+V: Ctrl+V would go to its program.
    void aPasteGoesBackToTheTargetWindow_data()
    {
        QTest::addColumn<QStringList>("window");
        QTest::newRow("editor") << QStringList { QStringLiteral("--app-id"),
            QStringLiteral("target.window") };
        QTest::newRow("terminal") << QStringList { QStringLiteral("--app-id"),
            QStringLiteral("org.example.Term"), QStringLiteral("--terminal") };
    }

    void aPasteGoesBackToTheTargetWindow()
    {
        QFETCH(QStringList, window);
        WlCopy owner("typed by the virtual keyboard");
        QVERIFY(waitUntil([] { return wlPaste() == QByteArray("typed by the virtual keyboard"); }));
        TestWindow target(window);
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
