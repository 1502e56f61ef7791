#include "support/QuilletProcess.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include "../platform/x11/X11TestTools.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>

using namespace quillet;
using test::CommandResult;
using test::waitUntil;

static int modeOf(const QString &path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

// The real quillet under Xvfb + openbox, where the store is locked, the disk
// fills up, instances race and clients stall: nothing the user keeps is lost
// or readable by others, and Quillet keeps answering.
class QuilletStoreSafetyX11Test : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    std::unique_ptr<test::QuilletInstance> m_quillet;

    QString dataFolder(const QString &home) const { return home + QStringLiteral("/XDG_DATA_HOME/Quillet"); }
    QString storePath() const { return dataFolder(m_home.path()) + QStringLiteral("/Quillet.store"); }
    CommandResult quillet(const QStringList &arguments, const QByteArray &input = {}, QString home = {})
    {
        return test::runQuillet(home.isEmpty() ? m_home.path() : home, arguments, input);
    }
    QStringList hashes(const QString &home = {})
    {
        QStringList hashes;
        const auto list = QJsonDocument::fromJson(
            quillet({ QStringLiteral("list"), QStringLiteral("--json") }, {}, home).out);
        for (const QJsonValue &entry : list.array())
            hashes.append(entry[QStringLiteral("contentHash")].toString());
        return hashes;
    }
    static QString sha256(const QByteArray &data)
    {
        return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
    }

private Q_SLOTS:
    void initTestCase()
    {
        // An open umask and a folder an older Quillet made world-readable.
        ::umask(0022);
        QVERIFY(QDir().mkpath(dataFolder(m_home.path())));
        QFile::setPermissions(dataFolder(m_home.path()), QFileDevice::Permissions(0x7755));
        m_quillet = std::make_unique<test::QuilletInstance>(m_home.path());
        QVERIFY2(m_quillet->startAndWait(), qPrintable(m_quillet->output()));
    }

    void theFolderTheStoreAndTheSocketAreTheUsersAlone()
    {
        QCOMPARE(modeOf(dataFolder(m_home.path())), 0700);
        for (const QString &suffix : { QString(), QStringLiteral("-wal"), QStringLiteral("-shm") })
            QCOMPARE(modeOf(storePath() + suffix), 0600);
        QCOMPARE(modeOf(test::quilletSocket(m_home.path())) & 077, 0);
    }

    void copiesMadeWhileTheStoreIsLockedAreRecordedAfterIt()
    {
        const QByteArray copies[] = { "copied while locked, first", "copied while locked, second" };
        {
            test::FileLock lock(storePath(), false);
            // `add` fails loudly meanwhile, saying why and how many copies
            // wait (a copy may be read twice: it counts, not its number).
            const auto waiting = [&] {
                const CommandResult add
                    = quillet({ QStringLiteral("add"), QStringLiteral("--no-copy"), QStringLiteral("x") });
                static const QRegularExpression kept(QStringLiteral("(\\d+) cop(y is|ies are) kept"));
                const auto match = kept.match(QString::fromUtf8(add.err));
                return add.err.contains("locked by another program") ? match.captured(1).toInt() : -1;
            };
            int before = 0;
            for (const QByteArray &copy : copies) {
                test::ClipboardOwner owner(QStringLiteral("UTF8_STRING"), copy);
                QVERIFY(waitUntil([&] { return waiting() > before; }, 60000));
                before = waiting();
            }
            // Quillet answers within the command line's one second meanwhile.
            QCOMPARE(quillet({ QStringLiteral("list") }).exitCode, 0);
        }
        QVERIFY(waitUntil([&] {
            return hashes().mid(0, 2) == QStringList { sha256(copies[1]), sha256(copies[0]) };
        }));
    }

    void addReadsAllOfItsInput_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("300 KB, more than one pipe buffer") << qint64(300 * 1024) << 0;
        QTest::newRow("20 MB") << qint64(20 * 1024 * 1024) << 0;
        QTest::newRow("over the 100 MiB limit") << qint64(100 * 1024 * 1024 + 1) << 1;
    }
    void addReadsAllOfItsInput()
    {
        QFETCH(qint64, size);
        QFETCH(int, exitCode);
        QByteArray data(size, 'a');
        for (qint64 i = 0; i < size; i += 4093)
            data[i] = char('b' + i % 20);
        const CommandResult add = quillet({ QStringLiteral("add"), QStringLiteral("--no-copy") }, data);
        QVERIFY2(add.exitCode == exitCode, add.err.constData());
        if (exitCode == 0)
            QCOMPARE(hashes().value(0), sha256(data));
        else
            QVERIFY2(add.err.contains("larger than"), add.err.constData());
    }

    void drippingClientsDoNotKeepOthersOut()
    {
        std::vector<std::unique_ptr<QLocalSocket>> stalled;
        for (int n = 0; n < 4; ++n) {
            stalled.push_back(std::make_unique<QLocalSocket>());
            stalled.back()->connectToServer(test::quilletSocket(m_home.path()));
            QVERIFY(stalled.back()->waitForConnected(5000));
            stalled.back()->write(QByteArray(1, '\0'));
            stalled.back()->flush();
        }
        QCOMPARE(quillet({ QStringLiteral("list") }).exitCode, 0);
    }

    void twoInstancesStartedTogetherLeaveOne()
    {
        QTemporaryDir home;
        test::QuilletInstance first(home.path());
        test::QuilletInstance second(home.path());
        first.start();
        second.start();
        QVERIFY(first.waitForStarted() && second.waitForStarted());
        QVERIFY(waitUntil([&] { return !first.isRunning() || !second.isRunning(); }, 60000));
        test::QuilletInstance &loser = first.isRunning() ? second : first;
        test::QuilletInstance &winner = first.isRunning() ? first : second;
        QVERIFY2(loser.waitForExit() == 0, qPrintable(loser.output() + winner.output()));
        QVERIFY2(loser.output().contains(QStringLiteral("Quillet is already running")),
            qPrintable(loser.output()));
        QVERIFY(winner.waitForOutput(QStringLiteral("Quillet is running")));
        QVERIFY(
            QDir(dataFolder(home.path())).entryList({ QStringLiteral("*.broken-*") }, QDir::Files).isEmpty());
    }

    // A full disk, made real: the store lives on a small tmpfs that a file
    // then fills. (Copies kept meanwhile are the history manager's own test.)
    void aFullDiskFailsAddLoudlyAndLosesNothing()
    {
        QTemporaryDir home;
        const QString folder = dataFolder(home.path());
        QVERIFY(QDir().mkpath(folder));
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=24m,mode=0700") != 0)
            QSKIP("mounting a tmpfs needs root");
        const auto unmount
            = qScopeGuard([&] { ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH); });
        {
            test::QuilletInstance quillet(home.path());
            QVERIFY2(quillet.startAndWait(), qPrintable(quillet.output()));
            QCOMPARE(this->quillet({ QStringLiteral("add"), QStringLiteral("--no-copy"),
                                       QStringLiteral("kept before") },
                             {}, home.path())
                         .exitCode,
                0);
            QFile filler(folder + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(64 * 1024, 'f');
            while (filler.write(block) == block.size() && filler.flush()) { }
            filler.close();

            const QByteArray large(2 * 1024 * 1024, 'l');
            const CommandResult add
                = this->quillet({ QStringLiteral("add"), QStringLiteral("--no-copy") }, large, home.path());
            QCOMPARE(add.exitCode, 1);
            QVERIFY2(add.err.contains("disk is full"), add.err.constData());
            QVERIFY(filler.remove());
            QVERIFY(hashes(home.path()).contains(sha256("kept before")));
            QCOMPARE(this->quillet({ QStringLiteral("add"), QStringLiteral("--no-copy") }, large, home.path())
                         .exitCode,
                0);
        }
    }
};

QUILLET_TEST_MAIN(QuilletStoreSafetyX11Test)
#include "QuilletStoreSafetyX11Test.moc"
