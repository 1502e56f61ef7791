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
using namespace Qt::StringLiterals;

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
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/applications/"_s;
    }
    QByteArray entry(const QByteArray &body) const { return "[Desktop Entry]\nType=Application\n" + body; }

private Q_SLOTS:
    void initTestCase()
    {
        // GIO reads the folders and languages once: everything is in place
        // before its first use.
        qputenv("XDG_DATA_DIRS", QFile::encodeName(path(u"first"_s) + QLatin1Char(':') + path(u"second"_s)));
        qputenv("LANGUAGE", "de_DE:de");
        qputenv("LC_ALL", "de_DE.UTF-8");
        qputenv("XDG_CURRENT_DESKTOP", "Quillet-Test");

        const QString first = path(u"first/applications/"_s);
        const QString second = path(u"second/applications/"_s);
        writeFile(home() + u"app.one.desktop"_s, entry("Name=One at home\nExec=true\n"));
        writeFile(first + u"app.one.desktop"_s, entry("Name=One from the first\nExec=true\n"));
        writeFile(first + u"app.two.desktop"_s,
            entry("Name=Two\nName[de]=Zwei\nName[fr]=Deux\nExec=true\nIcon=accessories-text-editor\n"));
        writeFile(second + u"app.two.desktop"_s, entry("Name=Two from the second\nExec=true\n"));
        writeFile(first + u"app.nodisplay.desktop"_s, entry("Name=Not shown\nExec=true\nNoDisplay=true\n"));
        writeFile(first + u"app.hidden.desktop"_s, entry("Name=Deleted\nExec=true\nHidden=true\n"));
        writeFile(second + u"app.hidden.desktop"_s, entry("Name=Deleted above\nExec=true\n"));
        writeFile(first + u"app.elsewhere.desktop"_s,
            entry("Name=Other desktops only\nExec=true\nOnlyShowIn=KDE;\n"));
        writeFile(first + u"app.link.desktop"_s,
            "[Desktop Entry]\nType=Link\nName=A link\nURL=https://example.org\n");
        writeFile(first + u"broken.desktop"_s, "this is not a desktop entry\n");
        writeFile(second + u"vendor/app.nested.desktop"_s, entry("Name=Nested\nExec=true\n"));

        // Opening runs Exec; Terminal=true runs it in a terminal.
        writeFile(path(u"bin/touch-it"_s), "#!/bin/sh\ntouch \"$1\"\n", true);
        writeFile(second + u"app.three.desktop"_s,
            entry("Name=Three\nExec=" + path(u"bin/touch-it"_s).toUtf8() + " " + path(u"opened"_s).toUtf8()
                + "\nIcon=" + path(u"three.png"_s).toUtf8() + "\n"));
        writeFile(second + u"app.console.desktop"_s,
            entry("Name=Console tool\nTerminal=true\nExec=" + path(u"bin/touch-it"_s).toUtf8() + " "
                + path(u"opened-in-terminal"_s).toUtf8() + "\n"));
        writeFile(second + u"app.missing.desktop"_s,
            entry("Name=Missing program\nExec=" + path(u"bin/not-there"_s).toUtf8() + "\n"));
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save(path(u"three.png"_s)));

        // Whatever terminal GIO looks for is found first in our folder: it
        // notes its arguments and runs the command after the option.
        const QByteArray terminal = "#!/bin/sh\necho \"$0 $*\" > " + path(u"terminal-used"_s).toUtf8()
            + "\nwhile [ $# -gt 0 ]; do case \"$1\" in -e|-x|--) shift; exec \"$@\";; esac; shift; done\n";
        writeFile(path(u"terminal/fake-terminal"_s), terminal, true);
        for (const char *name : { "xdg-terminal-exec", "kgx", "gnome-terminal", "mate-terminal",
                 "xfce4-terminal", "tilix", "konsole", "nxterm", "color-xterm", "rxvt", "dtterm", "xterm" }) {
            QFile::link(path(u"terminal/fake-terminal"_s), path(u"terminal/"_s) + QLatin1String(name));
        }
        qputenv("PATH", QFile::encodeName(path(u"terminal"_s)) + ':' + qgetenv("PATH"));

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
        const QStringList expected { u"app.one"_s, u"app.two"_s, u"app.three"_s, u"app.console"_s,
            u"vendor-app.nested"_s };
        for (const QString &id : expected)
            QVERIFY2(byId.contains(id), qPrintable(id));
        for (const char *id :
            { "app.nodisplay", "app.hidden", "app.link", "broken", "app.elsewhere", "app.missing" })
            QVERIFY2(!byId.contains(QLatin1String(id)), id);

        QCOMPARE(byId[u"app.one"_s].name, u"One at home"_s);
        QCOMPARE(byId[u"app.one"_s].path, home() + u"app.one.desktop"_s);
        QCOMPARE(byId[u"app.two"_s].name, u"Zwei"_s);
        QCOMPARE(byId[u"app.two"_s].path, path(u"first/applications/app.two.desktop"_s));
        QCOMPARE(byId[u"app.two"_s].iconName, u"accessories-text-editor"_s);
    }

    void changesInEveryFolderAreReported_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("home") << home();
        QTest::newRow("data dir") << path(u"second/applications/"_s);
    }
    void changesInEveryFolderAreReported()
    {
        QFETCH(QString, folder);
        int reports = 0;
        m_workspace->setApplicationsChangedHandler([&reports] { ++reports; });
        const auto listedName = [this] {
            for (const InstalledApplication &application : m_workspace->installedApplications()) {
                if (application.id == u"app.late"_s)
                    return application.name;
            }
            return QString();
        };
        QCOMPARE(listedName(), QString()); // GIO watches what it has listed

        const QString file = folder + u"app.late.desktop"_s;
        writeFile(file, entry("Name=Late\nExec=true\n"));
        QTRY_VERIFY(reports > 0 && listedName() == u"Late"_s);
        reports = 0;
        writeFile(file, entry("Name=Renamed\nExec=true\n"));
        QTRY_VERIFY(reports > 0 && listedName() == u"Renamed"_s);
        reports = 0;
        QVERIFY(QFile::remove(file));
        QTRY_VERIFY(reports > 0 && listedName().isEmpty());
        m_workspace->setApplicationsChangedHandler({});
    }

    void iconsComeFromFilesOrTheThemeWithAFallback()
    {
        InstalledApplication application;
        application.iconName = path(u"three.png"_s);
        const QImage fromFile = m_workspace->applicationIcon(application).pixmap(16, 16).toImage();
        QCOMPARE(fromFile.pixelColor(8, 8), QColor(Qt::red));
        for (const QString &missing :
            { QString(), u"no-such-icon-anywhere"_s, path(u"missing.png"_s), path(u"bin/touch-it"_s) }) {
            application.iconName = missing;
            QVERIFY2(!m_workspace->applicationIcon(application).pixmap(32, 32).isNull(), qPrintable(missing));
        }
    }

    void openingRunsTheEntry()
    {
        QString error;
        QVERIFY2(m_workspace->openApplication(u"app.three"_s, &error), qPrintable(error));
        QVERIFY(waitForFile(path(u"opened"_s)));
    }

    void openingATerminalEntryUsesATerminal()
    {
        QString error;
        QVERIFY2(m_workspace->openApplication(u"app.console"_s, &error), qPrintable(error));
        QVERIFY(waitForFile(path(u"opened-in-terminal"_s)));
        QVERIFY(QFileInfo::exists(path(u"terminal-used"_s)));
    }

    void openingFailuresAreExplained_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << u"app.unknown"_s << u"No application “app.unknown”"_s;
        QTest::newRow("hidden") << u"app.hidden"_s << u"No application “app.hidden”"_s;
        QTest::newRow("a path") << u"../first/applications/app.two"_s << u"No application"_s;
        QTest::newRow("empty") << QString() << u"No application"_s;
        QTest::newRow("program missing") << u"app.missing"_s << u"No application “app.missing”"_s;
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
