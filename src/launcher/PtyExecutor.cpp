#include "launcher/PtyExecutor.h"

#include "core/Text.h"
#include "launcher/TerminalOutput.h"

#include <QLoggingCategory>
#include <QProcessEnvironment>
#include <QThreadPool>
#include <QtConcurrent>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCommand, "quillet.command")

namespace quillet {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Everything the child needs, prepared before fork: after fork only
// async-signal-safe calls are allowed (Quillet is multi-threaded).
struct ExecPlan {
    QByteArray commandBytes;
    std::vector<QByteArray> environmentStorage;
    std::vector<char *> environment;

    char bashName[5] = "bash";
    char shName[3] = "sh";
    char dashC[3] = "-c";
    char *bashArguments[4] = {};
    char *shArguments[4] = {};

    explicit ExecPlan(const QString &command)
        : commandBytes(command.toUtf8())
    {
        char *commandText = commandBytes.data();
        bashArguments[0] = bashName;
        bashArguments[1] = dashC;
        bashArguments[2] = commandText;
        shArguments[0] = shName;
        shArguments[1] = dashC;
        shArguments[2] = commandText;

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TERM"), QStringLiteral("xterm-256color"));
        env.insert(QStringLiteral("PAGER"), QStringLiteral("cat"));
        env.insert(QStringLiteral("GIT_PAGER"), QStringLiteral("cat"));
        env.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
        const QStringList entries = env.toStringList();
        environmentStorage.reserve(entries.size());
        for (const QString &entry : entries)
            environmentStorage.push_back(entry.toLocal8Bit());
        for (QByteArray &entry : environmentStorage)
            environment.push_back(entry.data());
        environment.push_back(nullptr);
    }

    ExecPlan(const ExecPlan &) = delete;
    ExecPlan &operator=(const ExecPlan &) = delete;

    // In the child: restore default signal handling, close inherited
    // descriptors, run the shell. Never returns.
    [[noreturn]] void execInChild()
    {
        struct sigaction defaultAction { };
        defaultAction.sa_handler = SIG_DFL;
        for (int sig : { SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU })
            sigaction(sig, &defaultAction, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        close_range(3, ~0U, 0);

        execve("/bin/bash", bashArguments, environment.data());
        execve("/bin/sh", shArguments, environment.data());
        _exit(127);
    }
};

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid, 0));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

// What is kept of the output: its beginning (for the model) and its end (for
// the view); the middle of a long output is dropped as it is read.
struct Collected {
    QByteArray head;
    QByteArray tail;
    qint64 totalBytes = 0;
    bool timedOut = false;
    std::optional<int> status; // waitpid status, when the shell was reaped
};

// Reads `fd` until the shell has exited and the terminal is closed, under the
// time-out. The child `pid` leads its own process group, so signals go to
// everything it started.
Collected collect(int fd, pid_t pid, const PtyOptions &options)
{
    Collected result;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int pidFd = openPidFd(pid);

    const auto start = Clock::now();
    const auto deadline = start + options.timeout;
    std::optional<Clock::time_point> terminatedAt;
    std::optional<Clock::time_point> exitedAt;
    bool killed = false;
    bool fdOpen = true;
    char buffer[4096];
    // A little more than the model's share: trimming may drop leading blanks.
    const qsizetype headLimit = options.textLimit + 4096;

    const auto readOnce = [&]() -> bool {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            result.totalBytes += n;
            const qsizetype room = std::max<qsizetype>(0, headLimit - result.head.size());
            const qsizetype toHead = std::min<qsizetype>(room, n);
            result.head.append(buffer, toHead);
            result.tail.append(buffer + toHead, n - toHead);
            // Trimmed in steps, so keeping the end costs linear time.
            if (result.tail.size() > 2 * options.shownLimit)
                result.tail.remove(0, result.tail.size() - options.shownLimit);
            return true;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return false;
        fdOpen = false; // 0, or EIO once no process holds the terminal
        return false;
    };
    const auto reap = [&](int flags) {
        if (result.status)
            return;
        int status = 0;
        const pid_t r = waitpid(pid, &status, flags);
        if (r == pid) {
            result.status = status;
            exitedAt = Clock::now();
        } else if (r < 0 && errno != EINTR) {
            result.status = -1; // not our child any more; nothing to wait for
            exitedAt = Clock::now();
        }
    };

    while (true) {
        reap(WNOHANG);
        const auto now = Clock::now();
        if (!result.status && !result.timedOut && now >= deadline) {
            result.timedOut = true;
            terminatedAt = now;
            kill(-pid, SIGTERM);
        }
        if (terminatedAt && !killed && now >= *terminatedAt + options.killGrace) {
            kill(-pid, SIGKILL);
            killed = true;
        }

        const bool lingerOver = exitedAt && now >= *exitedAt + options.exitLinger;
        if (fdOpen && (killed || lingerOver)) {
            // Take what is already there, then stop even if something outside
            // the group keeps the terminal open.
            for (int i = 0; i < 64 && fdOpen; ++i) {
                pollfd p { fd, POLLIN, 0 };
                if (poll(&p, 1, 0) <= 0 || !readOnce())
                    break;
            }
            fdOpen = false;
        }
        if (!fdOpen && result.status)
            break;
        if (!fdOpen && killed) {
            reap(0);
            break;
        }

        // Sleep until the next thing can happen.
        auto wake = Clock::time_point::max();
        if (!result.status && !result.timedOut)
            wake = std::min(wake, deadline);
        if (terminatedAt && !killed)
            wake = std::min(wake, *terminatedAt + options.killGrace);
        if (exitedAt && fdOpen)
            wake = std::min(wake, *exitedAt + options.exitLinger);
        if (!result.status && pidFd < 0)
            wake = std::min(wake, now + milliseconds(50));
        const auto waitMs = std::chrono::duration_cast<milliseconds>(wake - now).count() + 1;
        const int timeoutMs = int(std::clamp<long long>(waitMs, 0, 60'000));

        pollfd fds[2];
        nfds_t count = 0;
        if (fdOpen)
            fds[count++] = { fd, POLLIN, 0 };
        if (pidFd >= 0 && !result.status)
            fds[count++] = { pidFd, POLLIN, 0 };
        const int ready = poll(fds, count, timeoutMs);
        if (ready > 0 && fdOpen && fds[0].revents != 0) {
            // A bounded batch, so that a flood cannot keep the time-out from acting.
            for (int i = 0; i < 256 && fdOpen && readOnce(); ++i) { }
        }
    }

    if (pidFd >= 0)
        close(pidFd);
    return result;
}

QString describe(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(error)));
}

CommandResult finish(Collected collected, const PtyOptions &options)
{
    CommandResult result;
    const bool complete = collected.totalBytes == collected.head.size() + collected.tail.size();
    QByteArray &head = collected.head;
    if (complete) {
        head += collected.tail;
        collected.tail = head;
    } else {
        head.truncate(lengthWithoutIncompleteUtf8Tail(head));
    }
    const QByteArray shown = shownTail(collected.tail, options.shownLimit);
    result.rawOutput = shown;
    result.omittedBytes = collected.totalBytes - shown.size();

    // Bytes that are not UTF-8 must not hide the rest of what was printed.
    QString text = QString::fromUtf8(head).trimmed();
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > options.textLimit || !complete) {
        QByteArray kept = utf8.left(options.textLimit);
        kept.truncate(lengthWithoutIncompleteUtf8Tail(kept));
        text = QString::fromUtf8(kept)
            + QStringLiteral("\n(output truncated: the first %1 of %2 bytes are shown)")
                  .arg(kept.size())
                  .arg(collected.totalBytes);
    }

    result.exitCode = -1;
    if (collected.status && *collected.status >= 0 && WIFEXITED(*collected.status))
        result.exitCode = WEXITSTATUS(*collected.status);
    if (collected.timedOut) {
        text += timeoutNote(options.timeout);
        result.exitCode = -1;
    }
    result.output = text;
    return result;
}

CommandResult failure(const QString &description)
{
    return CommandResult { description, -1, description.toUtf8(), 0 };
}

CommandResult runOnPipe(ExecPlan &plan, const PtyOptions &options)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return failure(describe("Could not create a pipe", errno));
    const pid_t pid = fork();
    if (pid < 0) {
        const int error = errno;
        close(fds[0]);
        close(fds[1]);
        return failure(describe("Could not start the shell", error));
    }
    if (pid == 0) {
        setsid();
        const int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            dup2(devNull, STDIN_FILENO);
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        plan.execInChild();
    }
    close(fds[1]);
    Collected collected = collect(fds[0], pid, options);
    close(fds[0]);
    return finish(std::move(collected), options);
}

QThreadPool &commandPool()
{
    // Never destroyed: quitting must not wait for a running command.
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(16);
        return p;
    }();
    return *pool;
}

} // namespace

QString timeoutNote(milliseconds timeout)
{
    const qint64 ms = timeout.count();
    const QString seconds
        = ms % 1000 == 0 ? QString::number(ms / 1000) : QString::number(double(ms) / 1000.0);
    return QStringLiteral("\n(command timed out after %1s)").arg(seconds);
}

CommandResult runCommand(const QString &command, const PtyOptions &options)
{
    ExecPlan plan(command);
    if (options.forcePipe)
        return runOnPipe(plan, options);

    int master = -1;
    winsize size {};
    size.ws_row = 24;
    size.ws_col = 80;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0) {
        qCWarning(lcCommand) << "No pseudo-terminal, running on a pipe:" << strerror(errno);
        return runOnPipe(plan, options);
    }
    if (pid == 0)
        plan.execInChild();
    fcntl(master, F_SETFD, FD_CLOEXEC);
    Collected collected = collect(master, pid, options);
    close(master);
    return finish(std::move(collected), options);
}

QFuture<CommandResult> executeCommandWithPTY(const QString &command, const PtyOptions &options)
{
    return QtConcurrent::run(&commandPool(), [command, options] { return runCommand(command, options); });
}

} // namespace quillet
