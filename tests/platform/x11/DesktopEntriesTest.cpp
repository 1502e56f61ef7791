#include "platform/x11/X11Workspace.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace quillet;
using namespace quillet::x11;

namespace {

using test::writeFile;

// A file the entry's program leaves once it ran.
bool waitForFile(const QString &path)
{
    return QTest::qWaitFor([&] { return QFileInfo::exists(path); }, 15000);
}

} // namespace

class DesktopEntriesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    std::unique_ptr<X11Workspace> m_workspace;

    QString path(const QString &relative) const { return m_root.filePath(relative); }
    QString home() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/applications/");
    }
    QByteArray entry(const QByteArray &body) const { return "[Desktop Entry]\nType=Application\n" + body; }

private Q_SLOTS:
    void initTestCase()
    {
        // GIO reads the folders and languages once: everything is in place
        // before its first use.
        qputenv("XDG_DATA_DIRS",
            QFile::encodeName(
                path(QStringLiteral("first")) + QLatin1Char(':') + path(QStringLiteral("second"))));
        qputenv("LANGUAGE", "de_DE:de");
        qputenv("LC_ALL", "de_DE.UTF-8");
        qputenv("XDG_CURRENT_DESKTOP", "Quillet-Test");

        const QString first = path(QStringLiteral("first/applications/"));
        const QString second = path(QStringLiteral("second/applications/"));
        writeFile(home() + QStringLiteral("app.one.desktop"), entry("Name=One at home\nExec=true\n"));
        writeFile(first + QStringLiteral("app.one.desktop"), entry("Name=One from the first\nExec=true\n"));
        writeFile(first + QStringLiteral("app.two.desktop"),
            entry("Name=Two\nName[de]=Zwei\nName[fr]=Deux\nExec=true\nIcon=accessories-text-editor\n"));
        writeFile(second + QStringLiteral("app.two.desktop"), entry("Name=Two from the second\nExec=true\n"));
        writeFile(first + QStringLiteral("app.nodisplay.desktop"),
            entry("Name=Not shown\nExec=true\nNoDisplay=true\n"));
        writeFile(
            first + QStringLiteral("app.hidden.desktop"), entry("Name=Deleted\nExec=true\nHidden=true\n"));
        writeFile(second + QStringLiteral("app.hidden.desktop"), entry("Name=Deleted above\nExec=true\n"));
        writeFile(first + QStringLiteral("app.elsewhere.desktop"),
            entry("Name=Other desktops only\nExec=true\nOnlyShowIn=KDE;\n"));
        writeFile(first + QStringLiteral("app.link.desktop"),
            "[Desktop Entry]\nType=Link\nName=A link\nURL=https://example.org\n");
        writeFile(first + QStringLiteral("broken.desktop"), "this is not a desktop entry\n");
        writeFile(second + QStringLiteral("vendor/app.nested.desktop"), entry("Name=Nested\nExec=true\n"));

        // Opening runs Exec; Terminal=true runs it in a terminal.
        writeFile(path(QStringLiteral("bin/touch-it")), "#!/bin/sh\ntouch \"$1\"\n", true);
        writeFile(second + QStringLiteral("app.three.desktop"),
            entry("Name=Three\nExec=" + path(QStringLiteral("bin/touch-it")).toUtf8() + " "
                + path(QStringLiteral("opened")).toUtf8()
                + "\nIcon=" + path(QStringLiteral("three.png")).toUtf8() + "\n"));
        writeFile(second + QStringLiteral("app.console.desktop"),
            entry("Name=Console tool\nTerminal=true\nExec=" + path(QStringLiteral("bin/touch-it")).toUtf8()
                + " " + path(QStringLiteral("opened-in-terminal")).toUtf8() + "\n"));
        writeFile(second + QStringLiteral("app.missing.desktop"),
            entry("Name=Missing program\nExec=" + path(QStringLiteral("bin/not-there")).toUtf8() + "\n"));
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save(path(QStringLiteral("three.png"))));

        // Whatever terminal GIO looks for is found first in our folder: it
        // notes its arguments and runs the command after the option.
        const QByteArray terminal = "#!/bin/sh\necho \"$0 $*\" > "
            + path(QStringLiteral("terminal-used")).toUtf8()
            + "\nwhile [ $# -gt 0 ]; do case \"$1\" in -e|-x|--) shift; exec \"$@\";; esac; shift; done\n";
        writeFile(path(QStringLiteral("terminal/fake-terminal")), terminal, true);
        for (const char *name : { "xdg-terminal-exec", "kgx", "gnome-terminal", "mate-terminal",
                 "xfce4-terminal", "tilix", "konsole", "nxterm", "color-xterm", "rxvt", "dtterm", "xterm" }) {
            QFile::link(path(QStringLiteral("terminal/fake-terminal")),
                path(QStringLiteral("terminal/")) + QLatin1String(name));
        }
        qputenv("PATH", QFile::encodeName(path(QStringLiteral("terminal"))) + ':' + qgetenv("PATH"));

        m_workspace = std::make_unique<X11Workspace>(nullptr);
    }

    void theListingFollowsPrecedenceAndVisibility()
    {
        const QList<InstalledApplication> applications = m_workspace->installedApplications();
        QHash<QString, InstalledApplication> byId;
        for (const InstalledApplication &application : applications) {
            QVERIFY2(!byId.contains(application.id), qPrintable(application.id));
            byId.insert(application.id, application);
        }
        const QStringList expected { QStringLiteral("app.one"), QStringLiteral("app.two"),
            QStringLiteral("app.three"), QStringLiteral("app.console"), QStringLiteral("vendor-app.nested") };
        for (const QString &id : expected)
            QVERIFY2(byId.contains(id), qPrintable(id));
        for (const char *id :
            { "app.nodisplay", "app.hidden", "app.link", "broken", "app.elsewhere", "app.missing" })
            QVERIFY2(!byId.contains(QLatin1String(id)), id);

        QCOMPARE(byId[QStringLiteral("app.one")].name, QStringLiteral("One at home"));
        QCOMPARE(byId[QStringLiteral("app.one")].path, home() + QStringLiteral("app.one.desktop"));
        QCOMPARE(byId[QStringLiteral("app.two")].name, QStringLiteral("Zwei"));
        QCOMPARE(
            byId[QStringLiteral("app.two")].path, path(QStringLiteral("first/applications/app.two.desktop")));
        QCOMPARE(byId[QStringLiteral("app.two")].iconName, QStringLiteral("accessories-text-editor"));
    }

    void iconsComeFromFilesOrTheThemeWithAFallback()
    {
        InstalledApplication application;
        application.iconName = path(QStringLiteral("three.png"));
        const QImage fromFile = m_workspace->applicationIcon(application).pixmap(16, 16).toImage();
        QCOMPARE(fromFile.pixelColor(8, 8), QColor(Qt::red));
        for (const QString &missing : { QString(), QStringLiteral("no-such-icon-anywhere"),
                 path(QStringLiteral("missing.png")), path(QStringLiteral("bin/touch-it")) }) {
            application.iconName = missing;
            QVERIFY2(!m_workspace->applicationIcon(application).pixmap(32, 32).isNull(), qPrintable(missing));
        }
    }

    void openingRunsTheEntry()
    {
        QString error;
        QVERIFY2(m_workspace->openApplication(QStringLiteral("app.three"), &error), qPrintable(error));
        QVERIFY(waitForFile(path(QStringLiteral("opened"))));
    }

    void openingATerminalEntryUsesATerminal()
    {
        QString error;
        QVERIFY2(m_workspace->openApplication(QStringLiteral("app.console"), &error), qPrintable(error));
        QVERIFY(waitForFile(path(QStringLiteral("opened-in-terminal"))));
        QVERIFY(QFileInfo::exists(path(QStringLiteral("terminal-used"))));
    }

    void openingFailuresAreExplained_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringLiteral("app.unknown")
                                 << QStringLiteral("No application “app.unknown”");
        QTest::newRow("hidden") << QStringLiteral("app.hidden")
                                << QStringLiteral("No application “app.hidden”");
        QTest::newRow("a path") << QStringLiteral("../first/applications/app.two")
                                << QStringLiteral("No application");
        QTest::newRow("empty") << QString() << QStringLiteral("No application");
        QTest::newRow("program missing")
            << QStringLiteral("app.missing") << QStringLiteral("No application “app.missing”");
    }

    void openingFailuresAreExplained()
    {
        QFETCH(QString, id);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!m_workspace->openApplication(id, &error));
        QVERIFY2(error.startsWith(message), qPrintable(error));
    }
};

QUILLET_TEST_MAIN(DesktopEntriesTest)
#include "DesktopEntriesTest.moc"
