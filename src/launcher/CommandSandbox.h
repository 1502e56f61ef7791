#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillet {

// What confines a command that runs without the user's approval, best first.
enum class SandboxKind {
    // bubblewrap: the whole file system read-only, a private /tmp, secrets
    // behind empty folders, new user, PID and network namespaces, no
    // capabilities.
    bubblewrap,
    // Landlock: nothing writable but a private scratch folder, secrets
    // unreadable, TCP denied where the kernel can; with a seccomp filter that
    // denies creating sockets.
    landlock,
    // Nothing: no command may run unasked.
    none,
};

QString describe(SandboxKind kind);

// The confinement of one command, prepared on the calling thread before the
// fork; applied in the child with async-signal-safe calls only. Not copyable:
// it owns the scratch folder and the Landlock ruleset.
class CommandSandbox {
public:
    // The best kind this machine offers, probed once (bubblewrap is run once
    // to see that it can create its namespaces). A forced kind wins.
    static SandboxKind available();
    // Makes available() answer `kind` (tests); nothing probes again.
    static void force(std::optional<SandboxKind> kind);
    // The probe itself, with the bubblewrap program to try.
    static SandboxKind probe(const QString &bubblewrapProgram);
    // The kernel's Landlock ABI version; 0 without Landlock.
    static int landlockVersion();

    // The folders (and a few files) that hold secrets: ~/.ssh, ~/.gnupg,
    // keyrings, password stores, browser profiles, cloud credentials and
    // Quillet's own configuration, data and cache folders. Only those that
    // exist, as canonical paths.
    static QStringList secretPaths(const QStringList &extra = {});

    // `extraSecrets` are hidden as well (the folder of the preferences file
    // actually in use).
    CommandSandbox(SandboxKind kind, const QStringList &extraSecrets = {});
    ~CommandSandbox();
    CommandSandbox(const CommandSandbox &) = delete;
    CommandSandbox &operator=(const CommandSandbox &) = delete;

    SandboxKind kind() const { return m_kind; }
    // Empty when the sandbox is ready; otherwise why it cannot be used (the
    // command must not run then).
    QString error() const { return m_error; }

    // The program and arguments that run `shellArguments` (e.g. bash -c
    // TEXT) inside the sandbox: bwrap's own arguments in front for
    // bubblewrap, the shell as it is otherwise.
    std::vector<QByteArray> wrap(const std::vector<QByteArray> &shellArguments) const;
    // The environment a confined command sees: of `outside`, only what
    // says where things are and how to speak (tokens and keys that tools
    // read from the environment stay outside), plus the sandbox's own
    // entries (TMPDIR, PATH).
    QProcessEnvironment environment(const QProcessEnvironment &outside) const;

    // In the forked child, before exec: no new privileges, no capabilities,
    // the Landlock ruleset and the seccomp filter. Async-signal-safe; false
    // when a restriction could not be applied (the child must not exec then).
    bool enterInChild() const noexcept;

private:
    bool prepareFolder();
    void prepareBubblewrap(const QStringList &secrets);
    void prepareLandlock(const QStringList &secrets);
    bool prepareSeccomp();

    SandboxKind m_kind;
    QString m_error;
    QString m_folder; // removed with the sandbox
    QString m_scratch; // writable under Landlock
    QString m_shimFolder; // holds the "git" put first on the PATH
    std::vector<QByteArray> m_prefix; // bwrap and its arguments
    int m_ruleset = -1;
    QByteArray m_filter; // seccomp BPF instructions
};

} // namespace quillet
