#include "platform/x11/XdgAutostart.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gio/gdesktopappinfo.h>

#include <unistd.h>

using namespace quillet;
using namespace quillet::x11;
using namespace Qt::StringLiterals;

namespace {

using Status = LoginItems::Status;

using test::writeFile;

// Sets or clears the immutable attribute, which stops root as well.
bool chattr(const char *flag, const QString &path)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(u"chattr"_s, { QLatin1String(flag), path });
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace

class XdgAutostartTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_systemConfig;
    QString m_autostartFolder;

    QString systemEntry() const { return m_systemConfig.filePath(u"autostart/"_s + XdgAutostart::kFileName); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_systemConfig.path()));
        m_autostartFolder
            = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart"_s;
    }

    void cleanup()
    {
        if (QFileInfo(XdgAutostart().filePath()).isFile())
            chattr("-i", XdgAutostart().filePath());
        QFile::setPermissions(
            m_autostartFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFileInfo target(m_autostartFolder);
        if (target.isDir())
            QDir(m_autostartFolder).removeRecursively();
        else
            QFile::remove(m_autostartFolder);
        QFile::remove(systemEntry());
    }

    void onOffOnRoundTripsTheFile()
    {
        XdgAutostart autostart(u"/usr/bin/quillet"_s);
        QCOMPARE(autostart.filePath(), m_autostartFolder + u"/app.quillet.Quillet.desktop"_s);
        QCOMPARE(autostart.status(), Status::notRegistered);

        QString error;
        QVERIFY2(autostart.registerApp(&error), qPrintable(error));
        QCOMPARE(autostart.status(), Status::enabled);
        QFile file(autostart.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.startsWith("[Desktop Entry]\n"));
        QVERIFY(content.contains("\nExec=/usr/bin/quillet\n"));
        QVERIFY(content.contains("\nType=Application\n"));
        // No temporary file is left next to it.
        QCOMPARE(QDir(m_autostartFolder).entryList(QDir::Files | QDir::Hidden),
            QStringList { XdgAutostart::kFileName });

        QVERIFY2(autostart.unregisterApp(&error), qPrintable(error));
        QVERIFY(!QFileInfo::exists(autostart.filePath()));
        QCOMPARE(autostart.status(), Status::notRegistered);
        QVERIFY2(autostart.unregisterApp(&error), "switching off twice is no error");

        QVERIFY2(autostart.registerApp(&error), qPrintable(error));
        QCOMPARE(autostart.status(), Status::enabled);
    }

    void theStatusIsReadFromTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Status>("status");
        const QByteArray head = "[Desktop Entry]\nType=Application\nName=Quillet\nExec=quillet\n";
        QTest::newRow("plain") << head << Status::enabled;
        QTest::newRow("hidden") << head + "Hidden=true\n" << Status::notRegistered;
        QTest::newRow("disabled in GNOME") << head + "X-GNOME-Autostart-enabled=false\n"
                                           << Status::notRegistered;
        QTest::newRow("enabled in GNOME") << head + "X-GNOME-Autostart-enabled=true\nHidden=false\n"
                                          << Status::enabled;
        QTest::newRow("not a desktop entry") << QByteArray("garbage\0\x01", 9) << Status::notRegistered;
        QTest::newRow("empty") << QByteArray() << Status::notRegistered;
    }

    void theStatusIsReadFromTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(Status, status);
        XdgAutostart autostart;
        writeFile(autostart.filePath(), content);
        QCOMPARE(autostart.status(), status);
    }

    void aSystemWideEntryIsOverriddenNotDeleted()
    {
        writeFile(systemEntry(), "[Desktop Entry]\nType=Application\nName=Quillet\nExec=quillet\n");
        XdgAutostart autostart;
        QCOMPARE(autostart.status(), Status::enabled);
        QString error;
        QVERIFY2(autostart.unregisterApp(&error), qPrintable(error));
        QCOMPARE(autostart.status(), Status::notRegistered);
        QVERIFY(QFileInfo::exists(systemEntry()));
        QVERIFY2(autostart.registerApp(&error), qPrintable(error));
        QCOMPARE(autostart.status(), Status::enabled);
    }

    void theEntryStartsTheProgramEvenAtAnAwkwardPath()
    {
        // Spaces, quotes, dollar and backslash must survive the
        // Exec quoting: GIO runs the entry and the script leaves a mark.
        QTemporaryDir folder;
        const QString program = folder.filePath(u"dir with space/q\"uo'te $HOME back\\slash"_s);
        const QString mark = folder.filePath(u"ran"_s);
        QVERIFY(writeFile(program, "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n", true));

        XdgAutostart autostart(program);
        QString error;
        QVERIFY2(autostart.registerApp(&error), qPrintable(error));
        GDesktopAppInfo *info = g_desktop_app_info_new_from_filename(QFile::encodeName(autostart.filePath()));
        QVERIFY(info);
        GError *failure = nullptr;
        const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &failure);
        g_object_unref(info);
        QVERIFY2(launched, failure ? failure->message : "");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(mark), 15000);
    }

    void failuresAreReportedAndTheStatusStaysTrue()
    {
        // root ignores permissions, so the folders are blocked in ways that
        // stop root too: the autostart folder is a file, or the entry's path
        // is a folder that a file cannot replace.
        XdgAutostart autostart;
        QString error;
        writeFile(m_autostartFolder, "in the way");
        QVERIFY(!autostart.registerApp(&error));
        QVERIFY2(error.startsWith(u"Could not create the folder “"_s), qPrintable(error));
        QCOMPARE(autostart.status(), Status::notRegistered);
        QFile::remove(m_autostartFolder);

        writeFile(autostart.filePath() + u"/keep"_s, "a folder where the entry belongs");
        error.clear();
        QVERIFY(!autostart.registerApp(&error));
        QVERIFY2(error.startsWith(u"Could not write “"_s), qPrintable(error));
        QCOMPARE(autostart.status(), Status::notRegistered);
        QVERIFY(QFileInfo(autostart.filePath()).isDir());
    }

    void anEntryThatCannotBeRemovedStaysOn()
    {
        XdgAutostart autostart;
        QString error;
        QVERIFY(autostart.registerApp(&error));
        if (geteuid() == 0) {
            // The immutable attribute stops root; not every file system has it.
            if (!chattr("+i", autostart.filePath()))
                QSKIP("the file system offers no immutable attribute");
        } else {
            QVERIFY(QFile::setPermissions(m_autostartFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        QVERIFY(!autostart.unregisterApp(&error));
        QVERIFY2(error.startsWith(u"Could not remove “"_s), qPrintable(error));
        QCOMPARE(autostart.status(), Status::enabled);
    }

    void execValuesAreQuoted_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << u"/usr/bin/quillet"_s << u"/usr/bin/quillet"_s;
        QTest::newRow("space") << u"/opt/my apps/quillet"_s << u"\"/opt/my apps/quillet\""_s;
        QTest::newRow("percent") << u"/opt/100%/quillet"_s << u"/opt/100%%/quillet"_s;
        QTest::newRow("dollar and quote") << u"/a$b\"c"_s << u"\"/a\\\\$b\\\\\"c\""_s;
        QTest::newRow("backslash") << u"/a\\b"_s << u"\"/a\\\\\\\\b\""_s;
        QTest::newRow("newline") << u"/a\nb"_s << u"\"/a\\nb\""_s;
        QTest::newRow("form feed") << u"/a\fb"_s << u"\"/a\fb\""_s;
    }

    void execValuesAreQuoted()
    {
        QFETCH(QString, program);
        QFETCH(QString, value);
        QCOMPARE(XdgAutostart::execValue(program), value);
    }
};

QUILLET_TEST_MAIN(XdgAutostartTest)
#include "XdgAutostartTest.moc"
