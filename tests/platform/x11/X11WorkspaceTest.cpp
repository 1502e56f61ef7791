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
using namespace Qt::StringLiterals;

class X11WorkspaceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<X11Workspace> m_workspace;
    QTemporaryDir m_scripts;

private Q_SLOTS:
    void initTestCase()
    {
        // Entries exist before GIO first reads the folders.
        writeDesktopEntry(u"org.example.Notebook"_s, "Name=Notebook Deluxe\nStartupWMClass=NotebookMain\n");
        writeDesktopEntry(u"fooedit"_s, "Name=Foo Editor\n");
        writeDesktopEntry(u"org.example.Sketch"_s, "Name=Sketch Pad\nNoDisplay=true\n");
        // Started through its entry (by a script, so no entry names the
        // window's program), with a window class that names nothing.
        const QString launcher = m_scripts.filePath(u"launch-test-window"_s);
        QVERIFY(writeFile(
            launcher, "#!/bin/sh\nexec '" QUILLET_TEST_WINDOW "' --class unrelated Unrelated\n", true));
        writeDesktopEntry(u"org.example.Launched"_s, "Name=Launched Tool\nExec=" + launcher.toUtf8() + "\n");
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
        QTest::newRow("StartupWMClass") << QStringList { u"--class"_s, u"notebook"_s, u"NotebookMain"_s }
                                        << u"org.example.Notebook"_s << u"Notebook Deluxe"_s;
        QTest::newRow("class names the file")
            << QStringList { u"--class"_s, u"fooedit"_s, u"FooEdit"_s } << u"fooedit"_s << u"Foo Editor"_s;
        QTest::newRow("application id of a NoDisplay entry") << QStringList { u"--class"_s, u"x"_s, u"X"_s,
            u"--gtk-application-id"_s, u"org.example.Sketch"_s }
                                                             << u"org.example.Sketch"_s << u"Sketch Pad"_s;
        QTest::newRow("no entry: WM_CLASS")
            << QStringList { u"--class"_s, u"mystery"_s, u"Mystery"_s } << u"Mystery"_s << u"Mystery"_s;
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
        QVERIFY2(m_workspace->openApplication(u"org.example.Launched"_s, &error), qPrintable(error));
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
        QCOMPARE(front->id, u"org.example.Launched"_s);
        QCOMPARE(front->name, u"Launched Tool"_s);
    }

    void activatingAWindowBringsItToFront()
    {
        TestWindow first({ u"--class"_s, u"first"_s, u"First"_s });
        const quint64 firstWindow = first.waitForWindow();
        TestWindow second({ u"--class"_s, u"second"_s, u"Second"_s });
        const quint64 secondWindow = second.waitForWindow();
        QVERIFY(firstWindow && secondWindow);
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() == secondWindow; }));
        m_workspace->activateWindow(firstWindow);
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() == firstWindow; }));
        QCOMPARE(m_workspace->frontmostApplication()->name, u"First"_s);
    }

    void theFactoryGivesTheRealServicesOnX11()
    {
        const PlatformServices services = makePlatformServices();
        QVERIFY2(services.unavailableFeatures.isEmpty(), qPrintable(services.unavailableFeatures.join('\n')));
        QVERIFY(services.keySynthesizer->isTrusted());
        TestWindow window({ u"--class"_s, u"fooedit"_s, u"FooEdit"_s });
        QVERIFY(window.waitForWindow());
        QVERIFY(waitUntil([&] {
            const auto front = services.workspace->frontmostApplication();
            return front && front->id == u"fooedit"_s;
        }));
        const qint64 before = services.pasteboard->changeCount();
        ClipboardOwner owner(u"UTF8_STRING"_s, "through the factory");
        QVERIFY(waitUntil([&] { return services.pasteboard->changeCount() != before; }));
        QCOMPARE(resultOf(services.pasteboard->readText()), u"through the factory"_s);
    }
};

QUILLET_TEST_MAIN(X11WorkspaceTest)
#include "X11WorkspaceTest.moc"
