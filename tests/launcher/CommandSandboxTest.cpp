#include "launcher/CommandSandbox.h"
#include "launcher/PtyExecutor.h"
#include "support/TestEnvironment.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace quillet;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(quillet::SandboxKind)

namespace {

const QByteArray kSshKey = "ssh-secret-0451";
const QByteArray kApiKey = "api-secret-0452";

bool offered(SandboxKind kind)
{
    if (kind == SandboxKind::bubblewrap)
        return CommandSandbox::probe(QStandardPaths::findExecutable(QStringLiteral("bwrap")))
            == SandboxKind::bubblewrap;
    return kind != SandboxKind::landlock || CommandSandbox::landlockVersion() > 0;
}

CommandResult run(const QString &command, std::optional<SandboxKind> sandbox)
{
    PtyOptions options;
    options.timeout = 20s;
    options.sandbox = sandbox;
    return runCommand(command, options);
}

void plant(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Whether a process with exactly this command line is alive.
bool processRuns(const QByteArray &commandLine)
{
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        QFile file(entries.next() + QStringLiteral("/cmdline"));
        if (file.open(QIODevice::ReadOnly) && file.readAll() == commandLine)
            return true;
    }
    return false;
}

} // namespace

class CommandSandboxTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_work;
    QString m_previousFolder;
    QTcpServer m_listener;

    static QString hostTmpFile() { return QStringLiteral("/tmp/quillet-host-file-%1").arg(getpid()); }

private Q_SLOTS:
    void initTestCase()
    {
        // Commands run in a folder of their own, with planted secrets.
        m_previousFolder = QDir::currentPath();
        QDir::setCurrent(m_work.path());
        plant(QDir::homePath() + QStringLiteral("/.ssh/id_test"), kSshKey);
        plant(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Quillet/Quillet.conf"),
            "[General]\ngeminiAPIKey=" + kApiKey + "\n");
        plant(hostTmpFile(), "on the host\n");
        qputenv("QUILLET_TEST_TOKEN", kApiKey);
        QVERIFY(m_listener.listen(QHostAddress::LocalHost));
    }
    void cleanupTestCase()
    {
        QFile::remove(hostTmpFile());
        QDir::setCurrent(m_previousFolder);
    }

    // Each command succeeds outside the sandbox and fails inside it.
    void guaranteesHold_data()
    {
        QTest::addColumn<SandboxKind>("kind");
        QTest::addColumn<QString>("command");
        const QString elsewhere = QStringLiteral("/var/tmp/quillet-sandbox-test-%1").arg(getpid());
        for (const SandboxKind kind : { SandboxKind::bubblewrap, SandboxKind::landlock }) {
            const QByteArray name = describe(kind).toUtf8();
            const auto row = [&](const char *what, const QString &command) {
                QTest::addRow("%s: %s", name.constData(), what) << kind << command;
            };
            row("write to home", QStringLiteral("touch \"$HOME/written\" && rm \"$HOME/written\""));
            row("write to the working folder", QStringLiteral("touch written && rm written"));
            row("write elsewhere", QStringLiteral("touch %1 && rm %1").arg(elsewhere));
            row("read an ssh key", QStringLiteral("cat ~/.ssh/id_test"));
            row("read the preferences", QStringLiteral("cat \"$XDG_CONFIG_HOME/Quillet/Quillet.conf\""));
            row("read a token in the environment", QStringLiteral("echo \"$QUILLET_TEST_TOKEN\" | grep ."));
            row("reach the host's loopback",
                QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/%1").arg(m_listener.serverPort()));
            if (kind == SandboxKind::bubblewrap) // Landlock's scratch folder is elsewhere
                row("see the host's /tmp", QStringLiteral("cat %1").arg(hostTmpFile()));
        }
    }
    void guaranteesHold()
    {
        QFETCH(SandboxKind, kind);
        QFETCH(QString, command);
        if (!offered(kind))
            QSKIP("this machine does not offer that sandbox");

        const CommandResult confined = run(command, kind);
        QVERIFY2(confined.exitCode != 0, qPrintable(confined.output));
        QVERIFY(!confined.rawOutput.contains(kSshKey) && !confined.rawOutput.contains(kApiKey));
        QVERIFY(!m_listener.waitForNewConnection(0));

        const CommandResult free = run(command, std::nullopt);
        QVERIFY2(free.exitCode == 0, qPrintable(free.output));
        if (m_listener.waitForNewConnection(0))
            delete m_listener.nextPendingConnection();
    }

    void insideItCanStillWork_data()
    {
        QTest::addColumn<SandboxKind>("kind");
        QTest::newRow("bubblewrap") << SandboxKind::bubblewrap;
        QTest::newRow("landlock") << SandboxKind::landlock;
    }
    void insideItCanStillWork()
    {
        QFETCH(SandboxKind, kind);
        if (!offered(kind))
            QSKIP("this machine does not offer that sandbox");
        // A scratch folder to write, the working folder to read, and not a
        // single capability even for root.
        plant(m_work.filePath(QStringLiteral("notes.txt")), "readable\n");
        const CommandResult result
            = run(QStringLiteral("echo ok > \"$TMPDIR/x\" && cat \"$TMPDIR/x\" notes.txt "
                                 "&& grep CapEff /proc/self/status && ls ~/.ssh 2>/dev/null | wc -l"),
                kind);
        QCOMPARE(result.output, QStringLiteral("ok\r\nreadable\r\nCapEff:\t0000000000000000\r\n0"));
        QCOMPARE(result.exitCode, 0);
    }

    void withoutASandboxNothingRuns()
    {
        const CommandResult result = run(QStringLiteral("touch ran"), SandboxKind::none);
        QCOMPARE(result.exitCode, -1);
        QVERIFY(result.output.startsWith(QLatin1String("Could not confine the command")));
        QVERIFY(!QFile::exists(m_work.filePath(QStringLiteral("ran"))));
    }

    void theBestSandboxIsChosen()
    {
        const int landlock = CommandSandbox::landlockVersion();
        const SandboxKind withoutBubblewrap = landlock > 0 ? SandboxKind::landlock : SandboxKind::none;
        QCOMPARE(CommandSandbox::probe(QStringLiteral("/nonexistent/bwrap")), withoutBubblewrap);
        // A bubblewrap that cannot make its namespaces counts as none.
        QCOMPARE(CommandSandbox::probe(QStringLiteral("/bin/false")), withoutBubblewrap);
        CommandSandbox::force(SandboxKind::none);
        QCOMPARE(CommandSandbox::available(), SandboxKind::none);
        CommandSandbox::force(std::nullopt);
        QCOMPARE(CommandSandbox::available(),
            CommandSandbox::probe(QStandardPaths::findExecutable(QStringLiteral("bwrap"))));
    }

    void aCommandEndsWithQuillet_data()
    {
        QTest::addColumn<std::optional<SandboxKind>>("kind");
        QTest::newRow("bubblewrap") << std::optional(SandboxKind::bubblewrap);
        QTest::newRow("landlock") << std::optional(SandboxKind::landlock);
        QTest::newRow("approved") << std::optional<SandboxKind>();
    }
    void aCommandEndsWithQuillet()
    {
        QFETCH(std::optional<SandboxKind>, kind);
        if (kind && !offered(*kind))
            QSKIP("this machine does not offer that sandbox");
        // A host process that runs the command and is then killed outright.
        const QString token = QStringLiteral("4242.%1").arg(getpid());
        QProcess host;
        host.start(QCoreApplication::applicationDirPath() + QStringLiteral("/sandboxed_command_host"),
            { QString::fromLatin1(QTest::currentDataTag()),
                QStringLiteral("setsid sleep %1 & sleep %1").arg(token) });
        const QByteArray sleeping = QByteArray("sleep", 6) + token.toLatin1() + '\0';
        QTRY_VERIFY_WITH_TIMEOUT(processRuns(sleeping), 20000);
        host.kill();
        host.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!processRuns(sleeping), 5000);
    }
};

QUILLET_TEST_MAIN(CommandSandboxTest)
#include "CommandSandboxTest.moc"
