#include "launcher/CommandSandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/filter.h>
#include <linux/landlock.h>
#include <linux/seccomp.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSandbox, "quillet.sandbox")

namespace quillet {

namespace {

// Newer than the installed kernel headers: the ruleset's network and scope
// fields and the access rights of later ABI versions.
struct RulesetAttributes {
    quint64 handledAccessFs = 0;
    quint64 handledAccessNet = 0;
    quint64 scoped = 0;
};
constexpr quint64 fsTruncate = 1ULL << 14; // ABI 3
constexpr quint64 fsIoctlDev = 1ULL << 15; // ABI 5
constexpr quint64 netBindTcp = 1ULL << 0; // ABI 4
constexpr quint64 netConnectTcp = 1ULL << 1; // ABI 4
constexpr quint64 scopeAbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr quint64 scopeSignal = 1ULL << 1; // ABI 6

constexpr quint64 fsRead
    = LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

quint64 handledFsRights(int abi)
{
    quint64 rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1; // ABI 1: bits 0..12
    if (abi >= 2)
        rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        rights |= fsTruncate;
    if (abi >= 5)
        rights |= fsIoctlDev;
    return rights;
}

std::optional<SandboxKind> g_forced;
QMutex g_probeMutex;
std::optional<SandboxKind> g_probed;

QString bubblewrapProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("bwrap"));
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || folder == u"/" || path.startsWith(folder + u'/');
}

// Secret locations relative to the home folder; folders unless noted.
const QStringList &homeSecrets()
{
    static const QStringList paths {
        QStringLiteral(".ssh"), QStringLiteral(".gnupg"), QStringLiteral(".local/share/keyrings"),
        QStringLiteral(".password-store"), QStringLiteral(".mozilla"), QStringLiteral(".thunderbird"),
        QStringLiteral(".librewolf"), QStringLiteral(".config/google-chrome"),
        QStringLiteral(".config/chromium"), QStringLiteral(".config/BraveSoftware"),
        QStringLiteral(".config/microsoft-edge"), QStringLiteral(".config/vivaldi"),
        QStringLiteral(".config/opera"), QStringLiteral(".aws"), QStringLiteral(".kube"),
        QStringLiteral(".docker"), QStringLiteral(".config/gh"),
        QStringLiteral(".netrc"), // a file
        QStringLiteral(".git-credentials"), // a file
        QStringLiteral(".pgpass"), // a file
    };
    return paths;
}

// The bubblewrap arguments every sandbox starts with; the probe runs them too.
std::vector<QByteArray> bubblewrapBase(const QString &program)
{
    std::vector<QByteArray> args;
    for (const char *arg : { "--unshare-all", "--unshare-user", "--disable-userns", "--die-with-parent",
             "--new-session", "--cap-drop", "ALL", "--ro-bind", "/", "/", "--dev", "/dev", "--proc", "/proc",
             "--tmpfs", "/tmp" })
        args.emplace_back(arg);
    args.insert(args.begin(), QFile::encodeName(program));
    return args;
}

// Put first on the confined command's PATH as "git": reading commands must
// not run the programs a repository's own configuration names (fsmonitor,
// hooks, pager, external diff, textconv, filters, signature checkers), and
// no system or global configuration applies.
constexpr auto gitShim = R"SHIM(#!/bin/bash
export GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null
real=@GIT@
safe=(-c core.fsmonitor=false -c core.hooksPath=/dev/null -c core.pager=cat -c log.showSignature=false
  -c gpg.program=gpg -c gpg.ssh.program=ssh-keygen -c gpg.x509.program=gpgsm)
while IFS= read -r -d '' key; do
  name=${key#filter.}
  name=${name%.*}
  safe+=(-c "filter.$name.clean=" -c "filter.$name.smudge=" -c "filter.$name.process=" -c "filter.$name.required=false")
done < <("$real" config -z --name-only --get-regexp '^filter\..*\.(clean|smudge|process)$' 2>/dev/null)
args=("$@")
i=0
while (( i < ${#args[@]} )) && [[ ${args[i]} == -* ]]; do ((i++)); done
if (( i >= ${#args[@]} )); then exec "$real" "${safe[@]}" "${args[@]}"; fi
extra=()
case ${args[i]} in
  diff|log|show|whatchanged) extra=(--no-ext-diff --no-textconv) ;;
  grep|blame) extra=(--no-textconv) ;;
esac
exec "$real" "${safe[@]}" "${args[@]:0:i}" "${args[i]}" "${extra[@]}" "${args[@]:i+1}"
)SHIM";

// Async-signal-safe: used in the forked child.
void writeAll(int fd, const char *text)
{
    ssize_t left = ssize_t(strlen(text));
    while (left > 0) {
        const ssize_t n = write(fd, text, size_t(left));
        if (n <= 0)
            return;
        text += n;
        left -= n;
    }
}

} // namespace

QString describe(SandboxKind kind)
{
    switch (kind) {
    case SandboxKind::bubblewrap:
        return QStringLiteral("bubblewrap");
    case SandboxKind::landlock:
        return QStringLiteral("Landlock and seccomp");
    case SandboxKind::none:
        return QStringLiteral("none");
    }
    return {};
}

int CommandSandbox::landlockVersion()
{
    const long version = syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return version > 0 ? int(version) : 0;
}

SandboxKind CommandSandbox::probe(const QString &bubblewrapProgram)
{
    if (!bubblewrapProgram.isEmpty() && QFileInfo(bubblewrapProgram).isExecutable()) {
        std::vector<QByteArray> args = bubblewrapBase(bubblewrapProgram);
        QStringList arguments;
        for (auto it = args.begin() + 1; it != args.end(); ++it)
            arguments << QString::fromLocal8Bit(*it);
        arguments << QStringLiteral("--") << QStringLiteral("/bin/true");
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(bubblewrapProgram, arguments);
        const bool finished = process.waitForFinished(10'000);
        if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return SandboxKind::bubblewrap;
        if (!finished)
            process.kill();
        qCInfo(lcSandbox) << "bubblewrap cannot make a sandbox here:" << process.readAll().trimmed();
    }
    const bool seccomp = prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
    if (landlockVersion() >= 1 && seccomp)
        return SandboxKind::landlock;
    return SandboxKind::none;
}

SandboxKind CommandSandbox::available()
{
    QMutexLocker lock(&g_probeMutex);
    if (g_forced)
        return *g_forced;
    if (!g_probed) {
        g_probed = probe(bubblewrapProgram());
        qCInfo(lcSandbox) << "commands that run unasked are confined by" << describe(*g_probed);
    }
    return *g_probed;
}

void CommandSandbox::force(std::optional<SandboxKind> kind)
{
    QMutexLocker lock(&g_probeMutex);
    g_forced = kind;
}

QStringList CommandSandbox::secretPaths(const QStringList &extra)
{
    QStringList candidates;
    const QString home = QDir::homePath();
    for (const QString &relative : homeSecrets())
        candidates << home + u'/' + relative;
    for (const auto location : { QStandardPaths::GenericConfigLocation, QStandardPaths::GenericDataLocation,
             QStandardPaths::GenericCacheLocation })
        candidates << QStandardPaths::writableLocation(location) + QStringLiteral("/Quillet");
    candidates << extra;

    QStringList paths;
    for (const QString &candidate : std::as_const(candidates)) {
        const QString canonical = QFileInfo(candidate).canonicalFilePath();
        if (!canonical.isEmpty() && !paths.contains(canonical))
            paths << canonical;
    }
    return paths;
}

CommandSandbox::CommandSandbox(SandboxKind kind, const QStringList &extraSecrets)
    : m_kind(kind)
{
    const QStringList secrets = secretPaths(extraSecrets);
    if (kind != SandboxKind::none && !prepareFolder()) {
        m_error
            = QStringLiteral("no folder for the sandbox: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        qCWarning(lcSandbox) << m_error;
        return;
    }
    switch (kind) {
    case SandboxKind::bubblewrap:
        prepareBubblewrap(secrets);
        break;
    case SandboxKind::landlock:
        prepareLandlock(secrets);
        break;
    case SandboxKind::none:
        m_error = QStringLiteral("No sandbox is available");
        break;
    }
    if (!m_error.isEmpty())
        qCWarning(lcSandbox) << m_error;
}

CommandSandbox::~CommandSandbox()
{
    if (m_ruleset >= 0)
        close(m_ruleset);
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
}

bool CommandSandbox::prepareFolder()
{
    QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/quillet-sandbox-XXXXXX"));
    if (!mkdtemp(folder.data()))
        return false;
    m_folder = QFile::decodeName(folder);
    m_scratch = m_folder + QStringLiteral("/scratch");
    const QString bin = m_folder + QStringLiteral("/bin");
    if (!QDir().mkpath(m_scratch) || !QDir().mkpath(bin))
        return false;
    const QString git = QStandardPaths::findExecutable(QStringLiteral("git"));
    if (git.isEmpty() || !QFileInfo::exists(QStringLiteral("/bin/bash")))
        return true;
    QFile shim(bin + QStringLiteral("/git"));
    if (!shim.open(QIODevice::WriteOnly))
        return false;
    QByteArray text(gitShim);
    text.replace("@GIT@", "'" + QFile::encodeName(git) + "'");
    shim.write(text);
    shim.close();
    m_shimFolder = bin;
    return shim.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

void CommandSandbox::prepareBubblewrap(const QStringList &secrets)
{
    const QString program = bubblewrapProgram();
    if (program.isEmpty()) {
        m_error = QStringLiteral("bubblewrap is not installed");
        return;
    }
    m_prefix = bubblewrapBase(program);
    const auto add = [this](std::initializer_list<QString> args) {
        for (const QString &arg : args)
            m_prefix.push_back(QFile::encodeName(arg));
    };
    // Sockets of the session and system buses, the display and the like
    // would reach programs outside.
    if (QFileInfo::exists(QStringLiteral("/run")))
        add({ QStringLiteral("--tmpfs"), QStringLiteral("/run") });
    // The home and working folders stay visible (read-only) even when they
    // lie in what was just replaced.
    const QString cwd = QDir::currentPath();
    for (const QString &kept : { QFileInfo(QDir::homePath()).canonicalFilePath(), cwd }) {
        if (!kept.isEmpty()
            && (isUnder(kept, QStringLiteral("/tmp")) || isUnder(kept, QStringLiteral("/run"))))
            add({ QStringLiteral("--ro-bind"), kept, kept });
    }
    if (!m_shimFolder.isEmpty())
        add({ QStringLiteral("--ro-bind"), m_shimFolder, m_shimFolder });
    for (const QString &secret : secrets) {
        if (QFileInfo(secret).isDir())
            add({ QStringLiteral("--tmpfs"), secret });
        else
            add({ QStringLiteral("--ro-bind"), QStringLiteral("/dev/null"), secret });
    }
    add({ QStringLiteral("--chdir"), cwd, QStringLiteral("--setenv"), QStringLiteral("TMPDIR"),
        QStringLiteral("/tmp"), QStringLiteral("--") });
}

void CommandSandbox::prepareLandlock(const QStringList &secrets)
{
    const int abi = landlockVersion();
    if (abi < 1) {
        m_error = QStringLiteral("the kernel offers no Landlock");
        return;
    }
    RulesetAttributes attributes;
    attributes.handledAccessFs = handledFsRights(abi);
    size_t size = sizeof(quint64);
    if (abi >= 4) {
        attributes.handledAccessNet = netBindTcp | netConnectTcp;
        size = 2 * sizeof(quint64);
    }
    if (abi >= 6) {
        attributes.scoped = scopeAbstractUnixSocket | scopeSignal;
        size = 3 * sizeof(quint64);
    }
    m_ruleset = int(syscall(SYS_landlock_create_ruleset, &attributes, size, 0));
    if (m_ruleset < 0) {
        m_error = QStringLiteral("no Landlock ruleset: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return;
    }

    bool ok = true;
    const auto allow = [&](const QString &path, quint64 rights) {
        const int fd = open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
        if (fd < 0)
            return; // gone or unreachable: nothing to grant
        landlock_path_beneath_attr rule {};
        rule.allowed_access = rights & attributes.handledAccessFs;
        rule.parent_fd = fd;
        // Directories take every right; other files only those that apply to files.
        if (!QFileInfo(path).isDir())
            rule.allowed_access &= LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE
                | LANDLOCK_ACCESS_FS_WRITE_FILE | fsTruncate | fsIoctlDev;
        if (syscall(SYS_landlock_add_rule, m_ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) != 0) {
            qCWarning(lcSandbox) << "Landlock rule refused for" << path << strerror(errno);
            ok = false;
        }
        close(fd);
    };

    // Reading is granted on everything but the secrets: a folder that holds
    // a secret is not granted itself (a rule covers all beneath it), only
    // each of its entries that is no secret and holds none. A link counts as
    // where it leads.
    QSet<QString> visited;
    const std::function<void(const QString &)> grantReading = [&](const QString &folder) {
        if (std::any_of(secrets.cbegin(), secrets.cend(),
                [&folder](const QString &secret) { return isUnder(folder, secret); }))
            return;
        const bool holdsSecret = std::any_of(secrets.cbegin(), secrets.cend(),
            [&folder](const QString &secret) { return isUnder(secret, folder); });
        if (!holdsSecret) {
            allow(folder, fsRead);
            return;
        }
        if (visited.contains(folder))
            return;
        visited.insert(folder);
        QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            const QString entry = entries.next();
            const QString target = QFileInfo(entry).canonicalFilePath();
            if (!target.isEmpty())
                grantReading(target);
        }
    };
    grantReading(QStringLiteral("/"));

    const quint64 writeFile
        = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_WRITE_FILE | fsTruncate | fsIoctlDev;
    allow(QStringLiteral("/dev/null"), writeFile);
    allow(QStringLiteral("/dev/tty"), writeFile);
    allow(m_scratch, ~quint64(0));
    if (!ok) {
        m_error = QStringLiteral("the Landlock rules could not be made");
        return;
    }
    if (!prepareSeccomp())
        m_error = QStringLiteral("the seccomp filter could not be made");
}

bool CommandSandbox::prepareSeccomp()
{
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter)
        return false;
    // No socket of any family: no network, no netlink, and no way to the
    // session bus or other local services through their socket files. The
    // ring interface could open sockets past this filter.
    bool ok = seccomp_rule_add(filter, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socket), 0) == 0
        && seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(io_uring_setup), 0) == 0
        && seccomp_attr_set(filter, SCMP_FLTATR_CTL_NNP, 0) == 0;
    if (ok) {
        const int memory = memfd_create("quillet-seccomp", MFD_CLOEXEC);
        ok = memory >= 0 && seccomp_export_bpf(filter, memory) == 0;
        if (ok) {
            const off_t length = lseek(memory, 0, SEEK_END);
            m_filter.resize(qsizetype(length));
            ok = length > 0 && pread(memory, m_filter.data(), size_t(length), 0) == length;
        }
        if (memory >= 0)
            close(memory);
    }
    seccomp_release(filter);
    return ok && m_filter.size() % qsizetype(sizeof(sock_filter)) == 0;
}

std::vector<QByteArray> CommandSandbox::wrap(const std::vector<QByteArray> &shellArguments) const
{
    std::vector<QByteArray> args = m_kind == SandboxKind::bubblewrap ? m_prefix : std::vector<QByteArray>();
    args.insert(args.end(), shellArguments.begin(), shellArguments.end());
    return args;
}

QProcessEnvironment CommandSandbox::environment(const QProcessEnvironment &outside) const
{
    static const QSet<QString> kept { QStringLiteral("HOME"), QStringLiteral("USER"),
        QStringLiteral("LOGNAME"), QStringLiteral("PATH"), QStringLiteral("SHELL"), QStringLiteral("PWD"),
        QStringLiteral("LANG"), QStringLiteral("LANGUAGE"), QStringLiteral("TZ"), QStringLiteral("TERM"),
        QStringLiteral("COLORTERM"), QStringLiteral("PAGER"), QStringLiteral("GIT_PAGER"),
        QStringLiteral("GIT_TERMINAL_PROMPT") };
    QProcessEnvironment inside;
    for (const QString &name : outside.keys()) {
        if (kept.contains(name) || name.startsWith(QLatin1String("LC_"))
            || name.startsWith(QLatin1String("XDG_")))
            inside.insert(name, outside.value(name));
    }
    if (m_kind == SandboxKind::landlock)
        inside.insert(QStringLiteral("TMPDIR"), m_scratch);
    if (!m_shimFolder.isEmpty())
        inside.insert(
            QStringLiteral("PATH"), m_shimFolder + QLatin1Char(':') + outside.value(QStringLiteral("PATH")));
    return inside;
}

bool CommandSandbox::enterInChild() const noexcept
{
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        writeAll(STDERR_FILENO, "quillet: no_new_privs refused\n");
        return false;
    }
    if (m_kind != SandboxKind::landlock)
        return true; // bubblewrap does the rest
    if (geteuid() == 0) {
        // Root keeps no capability, and gets none back from exec.
        for (int cap = 0; cap < 64; ++cap)
            prctl(PR_CAPBSET_DROP, cap, 0, 0, 0);
        prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        __user_cap_data_struct data[2] {};
        if (syscall(SYS_capset, &header, data) != 0) {
            writeAll(STDERR_FILENO, "quillet: capabilities could not be dropped\n");
            return false;
        }
    }
    if (syscall(SYS_landlock_restrict_self, m_ruleset, 0) != 0) {
        writeAll(STDERR_FILENO, "quillet: Landlock refused\n");
        return false;
    }
    sock_fprog program {};
    program.len = static_cast<unsigned short>(m_filter.size() / qsizetype(sizeof(sock_filter)));
    program.filter = reinterpret_cast<sock_filter *>(const_cast<char *>(m_filter.constData()));
    if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) != 0) {
        writeAll(STDERR_FILENO, "quillet: seccomp refused\n");
        return false;
    }
    return true;
}

} // namespace quillet
