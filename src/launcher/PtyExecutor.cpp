#include "launcher/PtyExecutor.h"

#include "core/Text.h"
#include "launcher/CommandSandbox.h"
#include "launcher/TerminalOutput.h"

#include <QLoggingCategory>
#include <QProcessEnvironment>
#include <QThreadPool>
#include <QtConcurrent>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCommand, "quillet.command")

namespace quillet {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Decimal digits of `value` at `out`; returns the end. Async-signal-safe.
char *appendNumber(char *out, long value)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 && count < 24);
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

// Sends `sig` to every descendant of `pid`, the deepest first, as listed in
// /proc. Async-signal-safe: runs in the supervising child.
void signalDescendants(pid_t pid, int sig, int depth = 0)
{
    if (depth > 64)
        return;
    char path[64] = "/proc/";
    char *end = appendNumber(path + 6, pid);
    memcpy(end, "/task/", 6);
    end = appendNumber(end + 6, pid);
    memcpy(end, "/children", 10);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char list[1024];
    const ssize_t n = read(fd, list, sizeof list);
    close(fd);
    // A full buffer may end in a cut number: that child is reached next round.
    const ssize_t usable = n == ssize_t(sizeof list) ? n - 1 : n;
    long child = 0;
    bool inNumber = false;
    for (ssize_t i = 0; i <= usable && usable > 0; ++i) {
        const char c = i < usable ? list[i] : ' ';
        if (c >= '0' && c <= '9') {
            child = child * 10 + (c - '0');
            inNumber = true;
        } else if (inNumber) {
            if (!(n == ssize_t(sizeof list) && i == usable)) {
                signalDescendants(pid_t(child), sig, depth + 1);
                kill(pid_t(child), sig);
            }
            child = 0;
            inNumber = false;
        }
    }
}

long long monotonicMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1'000'000;
}

// Everything the child needs, prepared before fork: after fork only
// async-signal-safe calls are allowed (Quillet is multi-threaded).
struct ExecPlan {
    std::vector<QByteArray> argumentStorage;
    std::vector<char *> arguments;
    std::vector<QByteArray> environmentStorage;
    std::vector<char *> environment;
    const CommandSandbox *sandbox = nullptr;
    long long killGraceMs = 2000;
    pid_t parent = getpid();

    ExecPlan(const QString &command, const CommandSandbox *confinement, milliseconds killGrace)
        : sandbox(confinement)
        , killGraceMs(killGrace.count())
    {
        const bool bash = access("/bin/bash", X_OK) == 0;
        std::vector<QByteArray> shell { bash ? "/bin/bash" : "/bin/sh", "-c", command.toUtf8() };
        if (!sandbox)
            shell[0] = bash ? "bash" : "sh";
        argumentStorage = sandbox ? sandbox->wrap(shell) : shell;
        if (!sandbox)
            argumentStorage.insert(argumentStorage.begin(), bash ? "/bin/bash" : "/bin/sh");
        else
            argumentStorage.insert(argumentStorage.begin(), argumentStorage.front());
        // [0] is the program to run, the rest its argument vector.
        for (QByteArray &argument : argumentStorage)
            arguments.push_back(argument.data());
        arguments.push_back(nullptr);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TERM"), QStringLiteral("xterm-256color"));
        env.insert(QStringLiteral("PAGER"), QStringLiteral("cat"));
        env.insert(QStringLiteral("GIT_PAGER"), QStringLiteral("cat"));
        env.insert(QStringLiteral("GIT_TERMINAL_PROMPT"), QStringLiteral("0"));
        if (sandbox)
            env = sandbox->environment(env);
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

    // In the child, which leads its own session and process group: becomes
    // the command's supervisor. It starts the shell, takes in everything the
    // shell leaves behind (a child subreaper, so nohup and setsid do not
    // escape), and on SIGTERM (stop, time-out, or Quillet's end) or once the
    // shell has exited, sends SIGTERM to every process left and SIGKILL after
    // the grace. It exits as the shell did once nothing is left. Never returns.
    [[noreturn]] void superviseInChild()
    {
        struct sigaction defaultAction { };
        defaultAction.sa_handler = SIG_DFL;
        for (int sig : { SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU })
            sigaction(sig, &defaultAction, nullptr);
        sigset_t watched;
        sigemptyset(&watched);
        for (int sig : { SIGCHLD, SIGTERM, SIGHUP, SIGINT, SIGQUIT })
            sigaddset(&watched, sig);
        sigprocmask(SIG_SETMASK, &watched, nullptr);
        prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0);
        if (getppid() != parent)
            _exit(127); // Quillet is already gone
        const pid_t supervisor = getpid();

        const pid_t shell = fork();
        if (shell == 0)
            execShell(supervisor);
        if (shell < 0)
            _exit(127);

        int shellStatus = 0;
        bool shellEnded = false;
        long long killAt = -1;
        bool killing = false;
        const auto beginEnding = [&] {
            if (killAt < 0) {
                killAt = monotonicMs() + killGraceMs;
                signalDescendants(supervisor, SIGTERM);
            }
        };
        for (;;) {
            int status = 0;
            pid_t reaped;
            while ((reaped = waitpid(-1, &status, WNOHANG)) > 0) {
                if (reaped == shell) {
                    shellStatus = status;
                    shellEnded = true;
                }
            }
            if (reaped < 0 && errno == ECHILD)
                break;
            if (shellEnded)
                beginEnding();
            if (killAt >= 0 && monotonicMs() >= killAt)
                killing = true;
            if (killing)
                signalDescendants(supervisor, SIGKILL);

            siginfo_t info;
            int sig;
            if (killAt < 0) {
                sig = sigwaitinfo(&watched, &info);
            } else {
                const long long wait = killing ? 20 : std::max(0LL, killAt - monotonicMs());
                timespec timeout { time_t(wait / 1000), long(wait % 1000) * 1'000'000 };
                sig = sigtimedwait(&watched, &info, &timeout);
            }
            if (sig > 0 && sig != SIGCHLD)
                beginEnding();
        }

        if (!shellEnded || WIFEXITED(shellStatus))
            _exit(shellEnded ? WEXITSTATUS(shellStatus) : 127);
        // Ended by a signal: so is the supervisor, without a core file.
        const int sig = WTERMSIG(shellStatus);
        rlimit noCore { 0, 0 };
        setrlimit(RLIMIT_CORE, &noCore);
        sigaction(sig, &defaultAction, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        kill(supervisor, sig);
        _exit(128 + sig);
    }

    // The supervisor's child: confines itself when the command is to be
    // sandboxed, then becomes the shell. Never returns.
    [[noreturn]] void execShell(pid_t supervisor)
    {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
        if (getppid() != supervisor)
            _exit(127);
        if (sandbox && !sandbox->enterInChild())
            _exit(126);
        close_range(3, ~0U, 0);
        execve(arguments[0], arguments.data() + 1, environment.data());
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
    bool stopped = false;
    std::optional<int> status; // waitpid status, when the supervisor was reaped
};

// Reads `fd` until the command has ended and the terminal is closed, under the
// time-out. The child `pid` is the command's supervisor: SIGTERM to it ends
// everything the command started; if it has not managed a second after the
// grace, its whole process group gets SIGKILL.
Collected collect(int fd, pid_t pid, const PtyOptions &options)
{
    Collected result;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int pidFd = openPidFd(pid);

    const auto start = Clock::now();
    const auto deadline = start + options.timeout;
    std::optional<Clock::time_point> terminatedAt;
    std::optional<Clock::time_point> exitedAt;
    const milliseconds hardKillAfter = options.killGrace + milliseconds(1000);
    const int stopFd = options.stopper ? options.stopper->descriptor() : -1;
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
            // Trimmed in steps, so keeping the end costs linear time; one byte
            // more than is shown is kept, so that what is shown still starts
            // at a whole line (shownTail leaves a tail of its limit as it is).
            if (result.tail.size() > 2 * options.shownLimit)
                result.tail.remove(0, result.tail.size() - options.shownLimit - 1);
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
        if (!result.status && !terminatedAt) {
            if (options.stopper && options.stopper->isStopped())
                result.stopped = true;
            else if (now >= deadline)
                result.timedOut = true;
            if (result.stopped || result.timedOut) {
                terminatedAt = now;
                kill(pid, SIGTERM);
            }
        }
        if (terminatedAt && !killed && now >= *terminatedAt + hardKillAfter) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
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
        if (!result.status && !terminatedAt)
            wake = std::min(wake, deadline);
        if (terminatedAt && !killed)
            wake = std::min(wake, *terminatedAt + hardKillAfter);
        if (options.stopper && stopFd < 0 && !terminatedAt)
            wake = std::min(wake, now + milliseconds(50));
        if (exitedAt && fdOpen)
            wake = std::min(wake, *exitedAt + options.exitLinger);
        if (!result.status && pidFd < 0)
            wake = std::min(wake, now + milliseconds(50));
        const auto waitMs = std::chrono::duration_cast<milliseconds>(wake - now).count() + 1;
        const int timeoutMs = int(std::clamp<long long>(waitMs, 0, 60'000));

        pollfd fds[3];
        nfds_t count = 0;
        if (fdOpen)
            fds[count++] = { fd, POLLIN, 0 };
        if (pidFd >= 0 && !result.status)
            fds[count++] = { pidFd, POLLIN, 0 };
        if (stopFd >= 0 && !terminatedAt)
            fds[count++] = { stopFd, POLLIN, 0 };
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
    if (collected.stopped) {
        text += QStringLiteral("\n(command stopped)");
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
        plan.superviseInChild();
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
    std::optional<CommandSandbox> sandbox;
    if (options.sandbox) {
        sandbox.emplace(*options.sandbox, options.sandboxSecrets);
        // Failing closed: an unconfined run was never agreed to.
        if (!sandbox->error().isEmpty())
            return failure(QStringLiteral("Could not confine the command: %1").arg(sandbox->error()));
    }
    ExecPlan plan(command, sandbox ? &*sandbox : nullptr, options.killGrace);
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
        plan.superviseInChild();
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
