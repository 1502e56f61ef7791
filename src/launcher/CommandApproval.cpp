#include "launcher/CommandApproval.h"

#include "defaults/Defaults.h"
#include "launcher/ShellCommandReader.h"

#include <QSet>

namespace quillet {

QString rawValue(CommandApprovalMode mode)
{
    switch (mode) {
    case CommandApprovalMode::always:
        return QStringLiteral("always");
    case CommandApprovalMode::agentDecides:
        return QStringLiteral("agentDecides");
    case CommandApprovalMode::never:
        return QStringLiteral("never");
    }
    return QStringLiteral("always");
}

std::optional<CommandApprovalMode> commandApprovalModeFromRaw(const QString &raw)
{
    for (const CommandApprovalMode mode : allCommandApprovalModes()) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

QList<CommandApprovalMode> allCommandApprovalModes()
{
    return { CommandApprovalMode::always, CommandApprovalMode::agentDecides, CommandApprovalMode::never };
}

CommandApprovalMode approvalModeFor(LauncherMode mode, const Defaults &defaults)
{
    const bool terminal = mode == LauncherMode::terminal;
    const QString key = QLatin1String(terminal ? approvalKeys::terminal : approvalKeys::aiChat);
    const CommandApprovalMode fallback
        = terminal ? CommandApprovalMode::agentDecides : CommandApprovalMode::always;
    const std::optional<QString> stored = defaults.optionalString(key);
    if (!stored)
        return fallback;
    return commandApprovalModeFromRaw(*stored).value_or(fallback);
}

bool needsApproval(const QString &command, LauncherMode mode, const Defaults &defaults)
{
    if (mode == LauncherMode::apps)
        return false;
    switch (approvalModeFor(mode, defaults)) {
    case CommandApprovalMode::never:
        return false;
    case CommandApprovalMode::always:
        return true;
    case CommandApprovalMode::agentDecides:
        return isDangerous(command);
    }
    return true;
}

const QStringList &dangerousCommands()
{
    static const QStringList names {
        QStringLiteral("rm"),
        QStringLiteral("rmdir"),
        QStringLiteral("unlink"),
        QStringLiteral("shred"),
        QStringLiteral("sudo"),
        QStringLiteral("su"),
        QStringLiteral("doas"),
        QStringLiteral("mkfs"),
        QStringLiteral("dd"),
        QStringLiteral("fdisk"),
        QStringLiteral("gdisk"),
        QStringLiteral("kill"),
        QStringLiteral("killall"),
        QStringLiteral("pkill"),
        QStringLiteral("shutdown"),
        QStringLiteral("reboot"),
        QStringLiteral("halt"),
        QStringLiteral("poweroff"),
        QStringLiteral("chmod"),
        QStringLiteral("chown"),
        QStringLiteral("chgrp"),
        QStringLiteral("launchctl"),
        QStringLiteral("networksetup"),
        QStringLiteral("systemsetup"),
        QStringLiteral("scutil"),
        QStringLiteral("dscl"),
        QStringLiteral("security"),
        QStringLiteral("csrutil"),
        QStringLiteral("nvram"),
        QStringLiteral("diskutil"),
    };
    return names;
}

const QStringList &pipeToShellPatterns()
{
    static const QStringList patterns {
        QStringLiteral("| sh"),
        QStringLiteral("| bash"),
        QStringLiteral("| zsh"),
        QStringLiteral("| /bin/sh"),
        QStringLiteral("| /bin/bash"),
        QStringLiteral("| /bin/zsh"),
        QStringLiteral("|sh"),
        QStringLiteral("|bash"),
        QStringLiteral("|zsh"),
    };
    return patterns;
}

namespace {

const QSet<QString> &dangerousCommandSet()
{
    static const QSet<QString> set(dangerousCommands().cbegin(), dangerousCommands().cend());
    return set;
}

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString trimSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

// "mkfs.ext4" counts as "mkfs"; "rsync.bak" stays whole.
QString withDangerousBase(const QString &name)
{
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0) {
        const QString base = name.left(dot);
        if (dangerousCommandSet().contains(base))
            return base;
    }
    return name;
}

QString lastPathComponent(const QString &word)
{
    return word.mid(word.lastIndexOf(u'/') + 1);
}

// The plain first-word check: the command split naively at &&, ||, ; and |,
// leading assignments skipped.
bool flaggedByFirstWords(const QString &lowered)
{
    for (const QString &pattern : pipeToShellPatterns()) {
        if (lowered.contains(pattern))
            return true;
    }

    QString split = lowered;
    split.replace(QLatin1String("&&"), QLatin1String("\n"))
        .replace(QLatin1String("||"), QLatin1String("\n"))
        .replace(u';', u'\n')
        .replace(u'|', u'\n');
    const QStringList pieces = split.split(u'\n', Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        QString part = trimSpacesAndTabs(piece);
        if (part.isEmpty())
            continue;
        while (part.contains(u'=') && part.contains(u' ') && part.indexOf(u' ') > part.indexOf(u'='))
            part = trimSpacesAndTabs(QStringView(part).mid(part.indexOf(u' ') + 1));
        qsizetype end = 0;
        while (end < part.size() && !part[end].isSpace())
            ++end;
        const QString name = withDangerousBase(lastPathComponent(part.left(end)));
        if (dangerousCommandSet().contains(name))
            return true;
    }
    return false;
}

// Commands that run another command, or shell code, given in their arguments.
const QSet<QString> &wrappers()
{
    static const QSet<QString> names {
        QStringLiteral("env"),
        QStringLiteral("xargs"),
        QStringLiteral("nohup"),
        QStringLiteral("nice"),
        QStringLiteral("timeout"),
        QStringLiteral("time"),
        QStringLiteral("command"),
        QStringLiteral("builtin"),
        QStringLiteral("exec"),
        QStringLiteral("eval"),
        QStringLiteral("source"),
        QStringLiteral("."),
        QStringLiteral("trap"),
        QStringLiteral("enable"),
        QStringLiteral("coproc"),
        QStringLiteral("setsid"),
        QStringLiteral("stdbuf"),
        QStringLiteral("ionice"),
        QStringLiteral("chrt"),
        QStringLiteral("taskset"),
        QStringLiteral("watch"),
        QStringLiteral("flock"),
        QStringLiteral("unbuffer"),
        QStringLiteral("parallel"),
        QStringLiteral("pkexec"),
        QStringLiteral("runuser"),
        QStringLiteral("chroot"),
        QStringLiteral("unshare"),
        QStringLiteral("nsenter"),
        QStringLiteral("script"),
        QStringLiteral("strace"),
        QStringLiteral("ltrace"),
        QStringLiteral("busybox"),
        QStringLiteral("sg"),
    };
    return names;
}

const QSet<QString> &shells()
{
    static const QSet<QString> names { QStringLiteral("sh"), QStringLiteral("bash"), QStringLiteral("zsh"),
        QStringLiteral("dash"), QStringLiteral("ksh"), QStringLiteral("mksh"), QStringLiteral("yash"),
        QStringLiteral("fish"), QStringLiteral("csh"), QStringLiteral("tcsh") };
    return names;
}

const QSet<QString> &interpreters()
{
    static const QSet<QString> names {
        QStringLiteral("python"),
        QStringLiteral("python2"),
        QStringLiteral("python3"),
        QStringLiteral("pypy"),
        QStringLiteral("pypy3"),
        QStringLiteral("perl"),
        QStringLiteral("ruby"),
        QStringLiteral("node"),
        QStringLiteral("nodejs"),
        QStringLiteral("deno"),
        QStringLiteral("bun"),
        QStringLiteral("php"),
        QStringLiteral("lua"),
        QStringLiteral("luajit"),
        QStringLiteral("tclsh"),
        QStringLiteral("rscript"),
    };
    return names;
}

const QSet<QString> &awks()
{
    static const QSet<QString> names { QStringLiteral("awk"), QStringLiteral("gawk"), QStringLiteral("mawk"),
        QStringLiteral("nawk") };
    return names;
}

const QSet<QString> &findActions()
{
    static const QSet<QString> names { QStringLiteral("-exec"), QStringLiteral("-execdir"),
        QStringLiteral("-ok"), QStringLiteral("-okdir"), QStringLiteral("-delete"), QStringLiteral("-fprint"),
        QStringLiteral("-fprint0"), QStringLiteral("-fprintf"), QStringLiteral("-fls") };
    return names;
}

// Variables that change which program runs or what a shell runs first.
bool assignsRiskyVariable(const QString &word)
{
    static const QStringList names { QStringLiteral("ld_preload"), QStringLiteral("ld_library_path"),
        QStringLiteral("path"), QStringLiteral("bash_env"), QStringLiteral("env"),
        QStringLiteral("prompt_command") };
    for (const QString &name : names) {
        if (word.startsWith(name)) {
            const QStringView rest = QStringView(word).mid(name.size());
            if (rest.startsWith(u'=') || rest.startsWith(u"+="))
                return true;
        }
    }
    return false;
}

bool isOption(const ShellWord &word)
{
    return word.value.startsWith(u'-') && word.value.size() > 1;
}

bool flaggedByCommand(const ShellSimpleCommand &command)
{
    for (const ShellRedirection &redirection : command.redirections) {
        const QString &op = redirection.op;
        if (op == u"<" || op == u"<<" || op == u"<<-" || op == u"<<<" || op == u"<&")
            continue;
        if (!redirection.target)
            return true;
        const ShellWord &target = *redirection.target;
        if (op == u"<>")
            return true;
        if (target.value == u"/dev/null" && !target.expanded)
            continue;
        if (op == u">&" && target.isPlain()
            && (target.value == u"-" || std::all_of(target.value.cbegin(), target.value.cend(), [](QChar d) {
                   return d.isDigit();
               })))
            continue;
        return true;
    }

    for (const ShellWord &word : command.words) {
        if (assignsRiskyVariable(word.value))
            return true;
    }
    // The words of for/select/case headers and function names run nothing.
    const ShellWord *found = command.commandWord();
    if (!found)
        return false;
    const ShellWord &commandWord = *found;
    // The test brackets are words, not expansions.
    const bool testBrackets
        = commandWord.isLiteral() && (commandWord.value == u"[" || commandWord.value == u"[[");
    if (!commandWord.isPlain() && !testBrackets)
        return true;
    const QString name = withDangerousBase(lastPathComponent(commandWord.value));
    if (dangerousCommandSet().contains(name) || wrappers().contains(name))
        return true;
    // python3.12 is python3; ./tool.sh stays whole
    const qsizetype dot = name.indexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;

    const QList<ShellWord> arguments = command.arguments();
    const bool hasOperand
        = std::any_of(arguments.cbegin(), arguments.cend(), [](const ShellWord &w) { return !isOption(w); });
    const bool readsHereDocument = std::any_of(command.redirections.cbegin(), command.redirections.cend(),
        [](const ShellRedirection &r) { return r.op.startsWith(QLatin1String("<<")); });

    if (shells().contains(base)) {
        if (!hasOperand || readsHereDocument)
            return true; // runs whatever arrives on its input
        for (const ShellWord &argument : arguments) {
            if (isOption(argument) && !argument.value.startsWith(QLatin1String("--"))
                && (argument.value.contains(u'c') || argument.value.contains(u's')))
                return true;
        }
    }
    if (interpreters().contains(base)) {
        if (!hasOperand || readsHereDocument)
            return true;
        static const QSet<QString> harmless { QStringLiteral("-v"), QStringLiteral("-V"),
            QStringLiteral("--version"), QStringLiteral("-h"), QStringLiteral("--help") };
        for (const ShellWord &argument : arguments) {
            if (isOption(argument) && !harmless.contains(argument.value))
                return true;
        }
    }
    if (awks().contains(base)) {
        for (const ShellWord &argument : arguments) {
            const QString &v = argument.value;
            if (v.contains(QLatin1String("system")) || v.contains(QLatin1String("getline"))
                || v.contains(u'>') || v.contains(u'|'))
                return true;
        }
    }
    if (name == u"find") {
        for (const ShellWord &argument : arguments) {
            if (findActions().contains(argument.value))
                return true;
        }
    }
    return false;
}

bool flaggedByReading(const QString &lowered)
{
    const ShellCommandReader reading(lowered);
    if (reading.doubtful())
        return true;
    return std::any_of(reading.commands().cbegin(), reading.commands().cend(), flaggedByCommand);
}

} // namespace

bool isDangerous(const QString &command)
{
    const QString trimmed = trimSpacesAndTabs(command);
    if (trimmed.isEmpty())
        return false;
    const QString lowered = trimmed.toLower();
    return flaggedByFirstWords(lowered) || flaggedByReading(lowered);
}

} // namespace quillet
