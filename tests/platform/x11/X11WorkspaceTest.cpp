#include "platform/x11/X11Workspace.h"
#include "X11TestTools.h"
#include "platform/x11/PlatformServices.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::x11;

class X11WorkspaceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<X11Workspace> m_workspace;
    QTemporaryDir m_scripts;

private Q_SLOTS:
    void initTestCase()
    {
        // Entries exist before GIO first reads the folders.
        writeDesktopEntry(
            QStringLiteral("org.example.Notebook"), "Name=Notebook Deluxe\nStartupWMClass=NotebookMain\n");
        writeDesktopEntry(QStringLiteral("fooedit"), "Name=Foo Editor\n");
        writeDesktopEntry(QStringLiteral("org.example.Sketch"), "Name=Sketch Pad\nNoDisplay=true\n");
        // Started through its entry (by a script, so no entry names the
        // window's program), with a window class that names nothing.
        const QString launcher = m_scripts.filePath(QStringLiteral("launch-test-window"));
        QVERIFY(writeFile(
            launcher, "#!/bin/sh\nexec '" QUILLET_TEST_WINDOW "' --class unrelated Unrelated\n", true));
        writeDesktopEntry(
            QStringLiteral("org.example.Launched"), "Name=Launched Tool\nExec=" + launcher.toUtf8() + "\n");
        m_workspace = std::make_unique<X11Workspace>(X11Connection::open(X11Connection::qtDisplayName()));
    }

    void noActiveWindowMeansNoApplication()
    {
        QVERIFY(waitUntil([&] { return !m_workspace->activeWindow(); }));
        QCOMPARE(m_workspace->frontmostApplication().has_value(), false);
    }

    void theActiveWindowIsResolvedToItsDesktopEntry_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("StartupWMClass")
            << QStringList { QStringLiteral("--class"), QStringLiteral("notebook"),
                   QStringLiteral("NotebookMain") }
            << QStringLiteral("org.example.Notebook") << QStringLiteral("Notebook Deluxe");
        QTest::newRow("class names the file")
            << QStringList { QStringLiteral("--class"), QStringLiteral("fooedit"), QStringLiteral("FooEdit") }
            << QStringLiteral("fooedit") << QStringLiteral("Foo Editor");
        QTest::newRow("application id of a NoDisplay entry")
            << QStringList { QStringLiteral("--class"), QStringLiteral("x"), QStringLiteral("X"),
                   QStringLiteral("--gtk-application-id"), QStringLiteral("org.example.Sketch") }
            << QStringLiteral("org.example.Sketch") << QStringLiteral("Sketch Pad");
        QTest::newRow("no entry: WM_CLASS")
            << QStringList { QStringLiteral("--class"), QStringLiteral("mystery"), QStringLiteral("Mystery") }
            << QStringLiteral("Mystery") << QStringLiteral("Mystery");
    }

    void theActiveWindowIsResolvedToItsDesktopEntry()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, id);
        QFETCH(QString, name);
        TestWindow window(arguments);
        const quint64 handle = window.waitForWindow();
        QVERIFY(handle != 0);
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() == handle; }));
        const auto application = m_workspace->frontmostApplication();
        QVERIFY(application);
        QCOMPARE(application->id, id);
        QCOMPARE(application->name, name);
    }

    void aLaunchedApplicationIsKnownByTheEntryThatStartedIt()
    {
        QString error;
        QVERIFY2(
            m_workspace->openApplication(QStringLiteral("org.example.Launched"), &error), qPrintable(error));
        // The window is found by its class, and its process ended afterwards
        // by the PID the window carries.
        auto connection = X11Connection::open(X11Connection::qtDisplayName());
        std::optional<quint32> pid;
        const auto cleanup = qScopeGuard([&] {
            if (pid && *pid > 1)
                ::kill(pid_t(*pid), SIGTERM);
        });
        QVERIFY(waitUntil([&] {
            const auto window = m_workspace->activeWindow();
            const auto wmClass = window
                ? connection->property(*window, connection->atom("WM_CLASS"), connection->atom("STRING"))
                : std::nullopt;
            if (!wmClass || wmClass->bytes != QByteArray("unrelated\0Unrelated\0", 20))
                return false;
            pid = connection->cardinalProperty(*window, "_NET_WM_PID");
            return true;
        }));
        const auto front = m_workspace->frontmostApplication();
        QVERIFY(front);
        QCOMPARE(front->id, QStringLiteral("org.example.Launched"));
        QCOMPARE(front->name, QStringLiteral("Launched Tool"));
    }

    void activatingAWindowBringsItToFront()
    {
        TestWindow first({ QStringLiteral("--class"), QStringLiteral("first"), QStringLiteral("First") });
        const quint64 firstWindow = first.waitForWindow();
        TestWindow second({ QStringLiteral("--class"), QStringLiteral("second"), QStringLiteral("Second") });
        const quint64 secondWindow = second.waitForWindow();
        QVERIFY(firstWindow && secondWindow);
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() == secondWindow; }));
        m_workspace->activateWindow(firstWindow);
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() == firstWindow; }));
        QCOMPARE(m_workspace->frontmostApplication()->name, QStringLiteral("First"));
    }

    void theFactoryGivesTheRealServicesOnX11()
    {
        const PlatformServices services = makePlatformServices();
        QVERIFY2(services.unavailableFeatures.isEmpty(), qPrintable(services.unavailableFeatures.join('\n')));
        QVERIFY(services.keySynthesizer->isTrusted());
        TestWindow window(
            { QStringLiteral("--class"), QStringLiteral("fooedit"), QStringLiteral("FooEdit") });
        QVERIFY(window.waitForWindow());
        QVERIFY(waitUntil([&] {
            const auto front = services.workspace->frontmostApplication();
            return front && front->id == QStringLiteral("fooedit");
        }));
        const qint64 before = services.pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("UTF8_STRING"), "through the factory");
        QVERIFY(waitUntil([&] { return services.pasteboard->changeCount() != before; }));
        QCOMPARE(resultOf(services.pasteboard->readText()), QStringLiteral("through the factory"));
    }
};

QUILLET_TEST_MAIN(X11WorkspaceTest)
#include "X11WorkspaceTest.moc"
