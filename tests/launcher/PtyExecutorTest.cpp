#include "launcher/PtyExecutor.h"
#include "support/TestEnvironment.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

// Waits for a command with a generous bound: a hang fails the test instead of
// blocking the suite.
std::optional<CommandResult> finishWithin(QFuture<CommandResult> future, std::chrono::milliseconds bound)
{
    const QDeadlineTimer deadline(bound);
    while (!future.isFinished() && !deadline.hasExpired())
        QTest::qWait(20);
    if (!future.isFinished())
        return std::nullopt;
    return future.result();
}

PtyOptions shortTimeout(std::chrono::milliseconds timeout)
{
    PtyOptions options;
    options.timeout = timeout;
    options.killGrace = 1s;
    return options;
}

// The first line of a result: commands below print a background pid there.
pid_t firstLinePid(const CommandResult &result)
{
    return pid_t(result.output.section(u'\n', 0, 0).trimmed().toInt());
}

void endProcess(pid_t pid)
{
    if (pid > 1)
        kill(pid, SIGKILL);
}

} // namespace

class PtyExecutorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportsOutputAndExitStatus_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");

        for (const bool pipe : { false, true }) {
            const char *via = pipe ? "pipe: " : "pty: ";
            QTest::addRow("%secho", via) << "echo hi" << pipe << "hi" << 0;
            QTest::addRow("%sexit 3", via) << "exit 3" << pipe << "" << 3;
            QTest::addRow("%sstderr", via) << "echo oops >&2; false" << pipe << "oops" << 1;
            QTest::addRow("%strimmed", via)
                << "printf '\\n\\n  two\\nlines  \\n\\n'" << pipe << "two\r\nlines" << 0;
            QTest::addRow("%sa byte that is not UTF-8 is replaced", via)
                << "printf 'a\\377b'" << pipe << "a\uFFFDb" << 0;
            QTest::addRow("%sended by a signal", via) << "kill -9 $$" << pipe << "" << -1;
            QTest::addRow("%sno command found", via) << "no-such-command-quillet" << pipe << "" << 127;
        }
    }
    void reportsOutputAndExitStatus()
    {
        QFETCH(QString, command);
        QFETCH(bool, pipe);
        QFETCH(QString, output);
        QFETCH(int, exitCode);

        PtyOptions options;
        options.forcePipe = pipe;
        const auto result = finishWithin(executeCommandWithPTY(command, options), 20s);
        QVERIFY(result);
        if (pipe)
            output.replace(QLatin1String("\r\n"), QLatin1String("\n")); // no terminal line discipline
        if (command.startsWith(QLatin1String("no-such")))
            QVERIFY(result->output.contains(QLatin1String("not found")));
        else
            QCOMPARE(result->output, output);
        QCOMPARE(result->exitCode, exitCode);
    }

    void runsInAFixedTerminal()
    {
        const CommandResult result = runCommand(QStringLiteral(
            "echo $TERM $PAGER $GIT_PAGER $GIT_TERMINAL_PROMPT; stty size; tty >/dev/null && echo tty"));
        QCOMPARE(result.output, QStringLiteral("xterm-256color cat cat 0\r\n24 80\r\ntty"));
        QCOMPARE(result.exitCode, 0);
    }

    void keepsColourEscapes()
    {
        const CommandResult result = runCommand(QStringLiteral("printf '\\033[1;31merror\\033[0m done\\n'"));
        QCOMPARE(result.rawOutput, QByteArray("\x1b[1;31merror\x1b[0m done\r\n"));
        QCOMPARE(result.output, QStringLiteral("\x1b[1;31merror\x1b[0m done"));
    }

    void timesOutWithOnlyTheNote_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("pty") << false;
        QTest::newRow("pipe") << true;
    }
    void timesOutWithOnlyTheNote()
    {
        QFETCH(bool, pipe);
        PtyOptions options = shortTimeout(1s);
        options.forcePipe = pipe;
        const auto result = finishWithin(executeCommandWithPTY(QStringLiteral("sleep 30"), options), 20s);
        QVERIFY(result);
        QCOMPARE(result->output, QStringLiteral("\n(command timed out after 1s)"));
        QCOMPARE(result->exitCode, -1);
        QVERIFY(result->rawOutput.isEmpty());
        QCOMPARE(timeoutNote(30s), QStringLiteral("\n(command timed out after 30s)"));
    }

    void timeOutEndsEverythingTheCommandStarted()
    {
        // A child that ignores SIGTERM is still in the group: SIGKILL reaches it.
        const auto result = finishWithin(
            executeCommandWithPTY(
                QStringLiteral("echo start; (trap '' TERM; sleep 30) & wait"), shortTimeout(1s)),
            20s);
        QVERIFY(result);
        QCOMPARE(result->output, QStringLiteral("start\n(command timed out after 1s)"));
        QCOMPARE(result->exitCode, -1);
    }

    void readingEndsAfterTheKillEvenIfTheTerminalStaysOpen()
    {
        // The setsid child leaves the process group but keeps the terminal
        // open; the result must still come within the kill grace (not from the
        // linger after the shell's exit, which is made long here).
        PtyOptions options = shortTimeout(1s);
        options.exitLinger = 60s;
        const auto result = finishWithin(
            executeCommandWithPTY(QStringLiteral("setsid sleep 30 & echo $!; sleep 30"), options), 20s);
        QVERIFY(result);
        endProcess(firstLinePid(*result));
        QVERIFY(result->output.endsWith(QLatin1String("\n(command timed out after 1s)")));
        QCOMPARE(result->exitCode, -1);
    }

    void nothingOutlivesTheCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("setsid") << "setsid sleep 300 & echo $!";
        QTest::newRow("nohup") << "nohup sleep 300 >/dev/null 2>&1 & echo $!";
        QTest::newRow("orphaned by a subshell") << "(trap '' HUP TERM; sleep 300 & echo $!)";
    }
    void nothingOutlivesTheCommand()
    {
        // The shell exits at once; what it started is ended then, and the
        // result does not wait for it.
        QFETCH(QString, command);
        PtyOptions options;
        options.timeout = 60s;
        options.killGrace = 500ms;
        const auto result = finishWithin(executeCommandWithPTY(command, options), 20s);
        QVERIFY(result);
        const pid_t child = firstLinePid(*result);
        QVERIFY(child > 1 && result->exitCode == 0);
        QVERIFY(kill(child, 0) != 0 && errno == ESRCH);
    }

    void stopEndsEverythingAtOnce_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::addColumn<bool>("pipe");
        QTest::newRow("pty") << "" << false;
        QTest::newRow("pipe") << "" << true;
        QTest::newRow("a shell that ignores SIGTERM") << "trap '' TERM; " << false;
    }
    void stopEndsEverythingAtOnce()
    {
        QFETCH(QString, shell);
        QFETCH(bool, pipe);
        QTemporaryDir dir;
        const QString started = dir.filePath(QStringLiteral("started"));
        PtyOptions options;
        options.forcePipe = pipe;
        options.killGrace = 500ms;
        options.stopper = std::make_shared<CommandStopper>();
        auto future = executeCommandWithPTY(
            shell + QStringLiteral("setsid sleep 300 & echo $! > '%1'; sleep 300").arg(started), options);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(started).size() > 0, 20000);
        QFile file(started);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t child = pid_t(file.readAll().trimmed().toInt());

        options.stopper->stop();
        const auto result = finishWithin(future, 20s);
        QVERIFY(result);
        QCOMPARE(result->output, QStringLiteral("\n(command stopped)"));
        QCOMPARE(result->exitCode, -1);
        QVERIFY(kill(child, 0) != 0 && errno == ESRCH);
    }

    void floodStaysWithinTheLimits_data()
    {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("pty") << false;
        QTest::newRow("pipe") << true;
    }
    void floodStaysWithinTheLimits()
    {
        QFETCH(bool, pipe);
        PtyOptions options = shortTimeout(1s);
        options.forcePipe = pipe;
        options.shownLimit = 1000; // trimmed on every read, and not a multiple of a line
        options.textLimit = 4 * 1024;
        const auto result = finishWithin(executeCommandWithPTY(QStringLiteral("yes"), options), 20s);
        QVERIFY(result);
        // The end, from a whole line.
        QVERIFY(result->rawOutput.size() <= options.shownLimit);
        QVERIFY(result->rawOutput.size() > options.shownLimit - 4);
        QVERIFY(result->rawOutput.startsWith("y"));
        QVERIFY(result->omittedBytes > 0);
        QCOMPARE(result->exitCode, -1);
        const QString output = result->output;
        const qsizetype note = output.indexOf(QLatin1String("\n(output truncated: the first 4096 of "));
        QVERIFY2(note >= 0, qPrintable(output.right(200)));
        QVERIFY(note <= 4096);
        QCOMPARE(output.section(QLatin1String(" of "), 1).section(u' ', 0, 0).toLongLong(),
            result->omittedBytes + result->rawOutput.size());
        QVERIFY(output.endsWith(QLatin1String("\n(command timed out after 1s)")));
    }

    void showsTheEndOfOneLongLine()
    {
        PtyOptions options;
        options.shownLimit = 1000;
        const CommandResult result
            = runCommand(QStringLiteral("for i in $(seq 2000); do printf 'é'; done; printf end"), options);
        // 1000 bytes would begin inside a character: its half is left out.
        QCOMPARE(result.rawOutput, QStringLiteral("é").repeated(498).toUtf8() + "end");
        QCOMPARE(result.omittedBytes, 4003 - 999);
        QVERIFY(result.output.startsWith(QStringLiteral("ééé")));
    }

    void cutsTheModelsTextAtACharacterBoundary()
    {
        PtyOptions options;
        options.textLimit = 5;
        const CommandResult result = runCommand(QStringLiteral("printf 'ééé'"), options);
        QCOMPARE(result.rawOutput, QStringLiteral("ééé").toUtf8());
        QCOMPARE(result.output, QStringLiteral("éé\n(output truncated: the first 4 of 6 bytes are shown)"));
        QCOMPARE(result.exitCode, 0);
    }

    void resultCanBeAwaitedOnTheMainThread()
    {
        QThread *mainThread = QThread::currentThread();
        bool resumedOnMain = false;
        const auto task = [&]() -> QCoro::Task<CommandResult> {
            CommandResult result = co_await executeCommandWithPTY(QStringLiteral("echo awaited"));
            resumedOnMain = QThread::currentThread() == mainThread;
            co_return result;
        };
        const CommandResult result = QCoro::waitFor(task());
        QCOMPARE(result.output, QStringLiteral("awaited"));
        QVERIFY(resumedOnMain);
    }
};

QUILLET_TEST_MAIN(PtyExecutorTest)
#include "PtyExecutorTest.moc"
