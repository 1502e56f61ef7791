#include "app/cli/CommandProtocol.h"
#include "store/UserStore.h"
#include "support/QuilletProcess.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;

using test::QuilletInstance;
using test::runQuillet;

namespace {

// Connects to the Unix socket at `path` as another user would (effective
// user `uid`) and returns the reply to `request`, or why there is none.
QByteArray exchangeAsUser(const QString &path, uid_t uid, const QByteArray &request)
{
    int output[2];
    if (::pipe(output) != 0)
        return "no pipe";
    const QByteArray socketPath = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only system calls from here on: the parent has threads.
        ::close(output[0]);
        // The peer's credentials name `uid`, while file access stays root's,
        // so the private runtime folder can still be entered.
        if (::setresuid(0, uid, 0) != 0)
            ::_exit(3);
        ::setfsuid(0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
            ::_exit(4);
        // A refusal may come before the request is taken: read it anyway.
        ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof(buffer))) > 0) {
            if (::write(output[1], buffer, size_t(got)) != got)
                ::_exit(6);
        }
        ::_exit(0);
    }
    ::close(output[1]);
    QFile reply;
    reply.open(output[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray bytes = reply.readAll();
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0
        ? bytes
        : QByteArray("the other user's client failed: ") + QByteArray::number(status);
}

} // namespace

class QuilletBinaryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensTheStoreAndRuns()
    {
        QTemporaryDir home;
        {
            QuilletInstance first(home.path());
            first.start();
            QVERIFY2(first.waitForOutput(QStringLiteral("Quillet is running. History: 0 entries in ")),
                qPrintable(first.output()));
            QVERIFY(first.output().contains(
                home.path() + QStringLiteral("/XDG_DATA_HOME/Quillet/Quillet.store")));
        }
        {
            QString error;
            auto store
                = Store::open(home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet/Quillet.store")), &error);
            QVERIFY(store);
            ClipboardItem item;
            item.id = QUuid::createUuid();
            item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
            item.title = QStringLiteral("x");
            item.contentTypeRaw = QStringLiteral("plainText");
            QVERIFY(store->insertItem(item, std::nullopt, {}));
        }
        QuilletInstance second(home.path());
        second.start();
        QVERIFY2(second.waitForOutput(QStringLiteral("History: 1 entry in ")), qPrintable(second.output()));
    }

    void aSecondInstanceHandsOverAndExits()
    {
        QTemporaryDir home;
        QuilletInstance first(home.path());
        first.start();
        QVERIFY2(first.waitForOutput(QStringLiteral("Quillet is running")), qPrintable(first.output()));
        QuilletInstance second(home.path());
        second.start();
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY2(second.output().contains(QStringLiteral("Quillet is already running")),
            qPrintable(second.output()));
    }

    void startsWithoutAnXServerAndSaysWhatIsMissing_data()
    {
        QTest::addColumn<bool>("withDisplay");
        QTest::newRow("offscreen platform") << true;
        QTest::newRow("no display at all") << false;
    }
    void startsWithoutAnXServerAndSaysWhatIsMissing()
    {
        QFETCH(bool, withDisplay);
        QTemporaryDir home;
        QuilletInstance quillet(home.path(), withDisplay);
        quillet.start();
        QVERIFY2(quillet.waitForOutput(QStringLiteral("Quillet is running")), qPrintable(quillet.output()));
        QVERIFY2(quillet.output().contains(
                     QStringLiteral("Clipboard history is unavailable: Quillet needs an X11 session")),
            qPrintable(quillet.output()));
        QVERIFY2(quillet.output().contains(QStringLiteral("No system tray")), qPrintable(quillet.output()));
    }

    void aSocketLeftByACrashIsTakenOverAndKeptPrivate()
    {
        QTemporaryDir home;
        test::quilletEnvironment(home.path());
        const QString path = test::quilletSocket(home.path());
        {
            // A listening socket whose owner died without removing it.
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
            ::close(fd);
        }
        QuilletInstance quillet(home.path());
        QVERIFY2(quillet.startAndWait(), qPrintable(quillet.output()));
        QCOMPARE(runQuillet(home.path(), { QStringLiteral("show") }).exitCode, 0);
        QCOMPARE(QFileInfo(path).permissions() & 0x0777,
            QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    }

    void refusesCommandsFromAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("only root can act as another user");
        QTemporaryDir home;
        QuilletInstance quillet(home.path());
        QVERIFY2(quillet.startAndWait(), qPrintable(quillet.output()));
        QCOMPARE(runQuillet(home.path(),
                     { QStringLiteral("add"), QStringLiteral("--no-copy"), QStringLiteral("mine") })
                     .exitCode,
            0);
        const QByteArray clear = cli::encodeFrame(
            { { QStringLiteral("version"), 1 }, { QStringLiteral("command"), QStringLiteral("clear") } });
        const QByteArray reply = exchangeAsUser(test::quilletSocket(home.path()), 65534, clear);
        QVERIFY2(reply.contains("refused: the command comes from another user"), reply.constData());
        QCOMPARE(
            runQuillet(home.path(), { QStringLiteral("get"), QStringLiteral("1") }).out, QByteArray("mine"));
    }

    // Not damage: Quillet runs on without recording, says why once on
    // standard error, and refuses additions with the reason.
    void runsWithoutAHistoryWhenNoStoreCanBeMade()
    {
        QTemporaryDir home;
        const QString blocker = home.filePath(QStringLiteral("XDG_DATA_HOME"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QuilletInstance quillet(home.path());
        QVERIFY2(quillet.startAndWait(), qPrintable(quillet.output()));
        QVERIFY2(quillet.output().contains(QStringLiteral("cannot be used")), qPrintable(quillet.output()));
        const auto add = runQuillet(
            home.path(), { QStringLiteral("add"), QStringLiteral("--no-copy"), QStringLiteral("x") });
        QCOMPARE(add.exitCode, 1);
        QVERIFY2(add.err.contains("not available"), add.err.constData());
    }
};

QUILLET_TEST_MAIN(QuilletBinaryTest)
#include "QuilletBinaryTest.moc"
