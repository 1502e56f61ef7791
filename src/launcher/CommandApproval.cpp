#include "launcher/CommandApproval.h"

#include "core/Text.h"
#include "defaults/Defaults.h"
#include "launcher/ShellCommandReader.h"

#include <QHash>
#include <QSet>

#include <algorithm>

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

CommandRoute routeCommand(
    const QString &command, LauncherMode mode, const Defaults &defaults, SandboxKind sandbox)
{
    if (mode == LauncherMode::apps)
        return CommandRoute::direct;
    switch (approvalModeFor(mode, defaults)) {
    case CommandApprovalMode::never:
        return CommandRoute::direct;
    case CommandApprovalMode::always:
        return CommandRoute::ask;
    case CommandApprovalMode::agentDecides:
        // The reading is only the first line of defence: without a sandbox
        // behind it nothing runs unasked. The deny-list stays underneath: what
        // it flags asks even when every program is on the read-only list (it
        // reads more naively, and errs towards asking).
        if (sandbox == SandboxKind::none || isDangerous(command) || !isReadOnly(command))
            return CommandRoute::ask;
        return CommandRoute::sandboxed;
    }
    return CommandRoute::ask;
}

bool needsApproval(const QString &command, LauncherMode mode, const Defaults &defaults, SandboxKind sandbox)
{
    return routeCommand(command, mode, defaults, sandbox) == CommandRoute::ask;
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
        QString part = trimmedSpacesAndTabs(piece).toString();
        if (part.isEmpty())
            continue;
        while (part.contains(u'=') && part.contains(u' ') && part.indexOf(u' ') > part.indexOf(u'='))
            part = trimmedSpacesAndTabs(QStringView(part).mid(part.indexOf(u' ') + 1)).toString();
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

// ---------------------------------------------------------------------------
// The read-only list: programs that only read and print, each with the
// arguments that would make it write, delete or run something else.

// A long option as written ("--out=x" gives "out"); empty for anything else.
QStringView longOptionName(const ShellWord &word)
{
    const QStringView v = word.value;
    if (!v.startsWith(u"--") || v.size() == 2)
        return {};
    const qsizetype eq = v.indexOf(u'=');
    return eq < 0 ? v.mid(2) : v.mid(2, eq - 2);
}

// Whether a long option as written selects one of `names`: getopt takes any
// unambiguous prefix of a long option.
bool selectsLongOption(const ShellWord &word, std::initializer_list<QStringView> names)
{
    const QStringView name = longOptionName(word);
    if (name.isEmpty())
        return false;
    return std::any_of(
        names.begin(), names.end(), [name](QStringView full) { return full.startsWith(name); });
}

// Whether a word of short options ("-uo") holds `forbidden` as an option;
// letters in `withArgument` take the rest of the word as their argument.
bool clustersShortOption(const ShellWord &word, QStringView forbidden, QStringView withArgument)
{
    const QStringView v = word.value;
    if (!v.startsWith(u'-') || v.startsWith(u"--") || v.size() < 2)
        return false;
    for (const QChar c : v.mid(1)) {
        if (forbidden.contains(c))
            return true;
        if (withArgument.contains(c))
            return false;
    }
    return false;
}

bool isOptionWord(const ShellWord &word)
{
    return word.value.startsWith(u'-') && word.value.size() > 1;
}

using ArgumentCheck = bool (*)(const QList<ShellWord> &arguments);

bool anyArguments(const QList<ShellWord> &)
{
    return true;
}

bool findReads(const QList<ShellWord> &arguments)
{
    static const QSet<QString> actions { QStringLiteral("-exec"), QStringLiteral("-execdir"),
        QStringLiteral("-ok"), QStringLiteral("-okdir"), QStringLiteral("-delete"), QStringLiteral("-fprint"),
        QStringLiteral("-fprint0"), QStringLiteral("-fprintf"), QStringLiteral("-fls") };
    return std::none_of(
        arguments.cbegin(), arguments.cend(), [](const ShellWord &w) { return actions.contains(w.value); });
}

bool sortReads(const QList<ShellWord> &arguments)
{
    return std::none_of(arguments.cbegin(), arguments.cend(), [](const ShellWord &w) {
        return clustersShortOption(w, u"o", u"kStT")
            || selectsLongOption(w, { u"output", u"compress-program" });
    });
}

// uniq's second operand is its output file.
bool uniqReads(const QList<ShellWord> &arguments)
{
    int operands = 0;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const ShellWord &w = arguments[i];
        if (optionsEnded || !isOptionWord(w)) {
            ++operands;
        } else if (w.value == u"--") {
            optionsEnded = true;
        } else if (w.value.startsWith(u"--")) {
            // A separate argument follows a long option written without "=".
            if (!w.value.contains(u'=')
                && selectsLongOption(w, { u"skip-fields", u"skip-chars", u"check-chars" }))
                ++i;
        } else {
            const QStringView letters = QStringView(w.value).mid(1);
            for (qsizetype k = 0; k < letters.size(); ++k) {
                if (QStringView(u"fsw").contains(letters[k])) {
                    if (k == letters.size() - 1)
                        ++i;
                    break;
                }
            }
        }
    }
    return operands <= 1;
}

bool dateReads(const QList<ShellWord> &arguments)
{
    return std::none_of(arguments.cbegin(), arguments.cend(), [](const ShellWord &w) {
        return clustersShortOption(w, u"s", u"dfrI") || selectsLongOption(w, { u"set" });
    });
}

// bash's test evaluates the subscript of an array name given to -v or -R,
// and a command substitution in it runs.
bool testReads(const QList<ShellWord> &arguments)
{
    return std::none_of(arguments.cbegin(), arguments.cend(),
        [](const ShellWord &w) { return w.value == u"-v" || w.value == u"-R"; });
}

// bash's printf -v assigns the result to a variable.
bool printfPrints(const QList<ShellWord> &arguments)
{
    return arguments.isEmpty() || !arguments.first().value.startsWith(u"-v");
}

bool fileReads(const QList<ShellWord> &arguments)
{
    return std::none_of(arguments.cbegin(), arguments.cend(), [](const ShellWord &w) {
        return clustersShortOption(w, u"C", u"eFfmP") || selectsLongOption(w, { u"compile" });
    });
}

bool gitBranchLists(const QList<ShellWord> &arguments)
{
    static const QSet<QString> listing { QStringLiteral("-a"), QStringLiteral("-r"), QStringLiteral("-v"),
        QStringLiteral("-vv"), QStringLiteral("-l"), QStringLiteral("--list"), QStringLiteral("--all"),
        QStringLiteral("--remotes"), QStringLiteral("--verbose"), QStringLiteral("--show-current"),
        QStringLiteral("--color"), QStringLiteral("--no-color"), QStringLiteral("--no-column") };
    static const QStringList withValue { QStringLiteral("--sort="), QStringLiteral("--format="),
        QStringLiteral("--contains="), QStringLiteral("--no-contains="), QStringLiteral("--merged="),
        QStringLiteral("--no-merged="), QStringLiteral("--points-at="), QStringLiteral("--color=") };
    // Without --list a name creates a branch.
    const bool list = std::any_of(arguments.cbegin(), arguments.cend(),
        [](const ShellWord &w) { return w.value == u"-l" || w.value == u"--list"; });
    return std::all_of(arguments.cbegin(), arguments.cend(), [&](const ShellWord &w) {
        if (!isOptionWord(w))
            return list;
        return listing.contains(w.value)
            || std::any_of(withValue.cbegin(), withValue.cend(),
                [&w](const QString &prefix) { return w.value.startsWith(prefix); });
    });
}

bool gitConfigReads(const QList<ShellWord> &arguments)
{
    static const QSet<QString> getting { QStringLiteral("--get"), QStringLiteral("--get-all"),
        QStringLiteral("--get-regexp") };
    static const QSet<QString> reading { QStringLiteral("--list"), QStringLiteral("-l"),
        QStringLiteral("--global"), QStringLiteral("--system"), QStringLiteral("--local"),
        QStringLiteral("--show-origin"), QStringLiteral("--show-scope"), QStringLiteral("--name-only"),
        QStringLiteral("-z"), QStringLiteral("--null"), QStringLiteral("--includes") };
    bool gets = false;
    bool lists = false;
    int operands = 0;
    for (const ShellWord &w : arguments) {
        if (getting.contains(w.value))
            gets = true;
        else if (w.value == u"--list" || w.value == u"-l")
            lists = true;
        else if (!isOptionWord(w))
            ++operands;
        else if (!reading.contains(w.value))
            return false;
    }
    return (gets && operands <= 2) || (lists && operands == 0);
}

bool gitReads(const QList<ShellWord> &arguments)
{
    // Global options may name another repository, configuration, program
    // directory or pager: only turning the pager off is known to be harmless.
    qsizetype index = 0;
    while (index < arguments.size() && arguments[index].value.startsWith(u'-')) {
        const QString &option = arguments[index].value;
        if (option != u"--no-pager" && option != u"-P")
            return false;
        ++index;
    }
    if (index >= arguments.size())
        return true; // the usage text
    const QString subcommand = arguments[index].value;
    const QList<ShellWord> rest = arguments.mid(index + 1);

    // Writing a file, or running an external diff, a text converter, a
    // filter or a pager program. -O may stand in a cluster of grep's options
    // ("-iOcmd"); the letters before it that take a value end the cluster.
    const bool writesOrRuns = std::any_of(rest.cbegin(), rest.cend(), [&subcommand](const ShellWord &w) {
        const QStringView name = longOptionName(w);
        return selectsLongOption(w, { u"output", u"ext-diff", u"open-files-in-pager" })
            || name.startsWith(u"textc") || name.startsWith(u"filt")
            || (subcommand == u"grep" && clustersShortOption(w, u"O", u"efABCm"));
    });
    if (writesOrRuns)
        return false;

    static const QSet<QString> reading { QStringLiteral("status"), QStringLiteral("log"),
        QStringLiteral("show"), QStringLiteral("diff"), QStringLiteral("blame"), QStringLiteral("shortlog"),
        QStringLiteral("describe"), QStringLiteral("rev-parse"), QStringLiteral("rev-list"),
        QStringLiteral("ls-files"), QStringLiteral("ls-tree"), QStringLiteral("cat-file"),
        QStringLiteral("show-ref"), QStringLiteral("for-each-ref"), QStringLiteral("merge-base"),
        QStringLiteral("name-rev"), QStringLiteral("count-objects"), QStringLiteral("whatchanged"),
        QStringLiteral("grep"), QStringLiteral("check-ignore"), QStringLiteral("version") };
    if (reading.contains(subcommand))
        return true;
    if (subcommand == u"branch")
        return gitBranchLists(rest);
    if (subcommand == u"tag") // listing only; a name creates a tag
        return rest.isEmpty() || rest.first().value == u"-l" || rest.first().value == u"--list";
    if (subcommand == u"remote")
        return std::all_of(rest.cbegin(), rest.cend(),
            [](const ShellWord &w) { return w.value == u"-v" || w.value == u"--verbose"; });
    if (subcommand == u"stash")
        return !rest.isEmpty() && (rest.first().value == u"list" || rest.first().value == u"show");
    if (subcommand == u"reflog") // not expire or delete
        return rest.isEmpty() || rest.first().value == u"show" || isOptionWord(rest.first());
    if (subcommand == u"config")
        return gitConfigReads(rest);
    return false;
}

struct ReadOnlyProgram {
    ArgumentCheck check;
    // The arguments must reach the program as written: an expansion could
    // turn into an option the check never saw.
    bool literalArguments;
};

const QHash<QString, ReadOnlyProgram> &readOnlyPrograms()
{
    static const QHash<QString, ReadOnlyProgram> programs = [] {
        QHash<QString, ReadOnlyProgram> table;
        for (const char *name :
            { "ls", "cat", "head", "tail", "wc", "grep", "egrep", "fgrep", "du", "df", "ps", "uname",
                "whoami", "id", "groups", "uptime", "nproc", "free", "echo", "pwd", "which", "stat", "cut",
                "tr", "basename", "dirname", "realpath", "readlink", "nl", "tac", "rev", "seq", "cmp", "comm",
                "diff", "md5sum", "sha1sum", "sha256sum", "sha512sum", "true", "false", "cd" })
            table.insert(QString::fromLatin1(name), { anyArguments, false });
        table.insert(QStringLiteral("test"), { testReads, false });
        table.insert(QStringLiteral("["), { testReads, false });
        table.insert(QStringLiteral("find"), { findReads, true });
        table.insert(QStringLiteral("sort"), { sortReads, true });
        table.insert(QStringLiteral("uniq"), { uniqReads, true });
        table.insert(QStringLiteral("date"), { dateReads, true });
        table.insert(QStringLiteral("printf"), { printfPrints, true });
        table.insert(QStringLiteral("file"), { fileReads, true });
        table.insert(QStringLiteral("git"), { gitReads, true });
        return table;
    }();
    return programs;
}

bool isDescriptor(const ShellWord &target)
{
    return target.isPlain()
        && (target.value == u"-"
            || (!target.value.isEmpty()
                && std::all_of(
                    target.value.cbegin(), target.value.cend(), [](QChar c) { return c.isDigit(); })));
}

bool redirectionOnlyReads(const ShellRedirection &redirection)
{
    if (!redirection.target || redirection.target->complexExpansion)
        return false;
    const ShellWord &target = *redirection.target;
    const QString &op = redirection.op;
    if (redirection.isHereDocument())
        return !redirection.hereDocument || !redirection.hereDocument->complexExpansion;
    if (op == u"<<<")
        return true;
    const bool toNull = !target.expanded && target.value == u"/dev/null";
    if (op == u"<")
        // A file is read as the program would read it; /dev/tcp and the like
        // would open connections.
        return !target.expanded && (toNull || !target.value.startsWith(QLatin1String("/dev/")));
    if (op == u"<&" || op == u">&")
        return isDescriptor(target) || toNull;
    if (op == u">" || op == u">>" || op == u">|" || op == u"&>" || op == u"&>>")
        return toNull;
    return false;
}

// Text that bash would substitute if anything evaluated the word again: an
// array subscript (test -v, arithmetic) or a program that hands it on.
bool holdsSubstitutionText(const ShellWord &word)
{
    return word.value.contains(QLatin1String("$(")) || word.value.contains(u'`')
        || word.value.contains(QLatin1String("${"));
}

bool onlyReads(const ShellSimpleCommand &command)
{
    if (command.definesFunction)
        return false;
    if (std::any_of(command.words.cbegin(), command.words.cend(), holdsSubstitutionText)
        || std::any_of(command.redirections.cbegin(), command.redirections.cend(),
            [](const ShellRedirection &r) { return r.target && holdsSubstitutionText(*r.target); }))
        return false;
    if (!std::all_of(command.redirections.cbegin(), command.redirections.cend(), redirectionOnlyReads))
        return false;
    if (std::any_of(command.words.cbegin(), command.words.cend(),
            [](const ShellWord &w) { return w.complexExpansion; }))
        return false;
    if (!command.header.isEmpty()) {
        // for NAME in WORDS: the words are only listed.
        return command.header == u"for" && !command.words.isEmpty() && command.words.first().isPlain();
    }
    if (command.assignmentCount() > 0)
        return false;
    const ShellWord *commandWord = command.commandWord();
    if (!commandWord)
        return true;
    // A bare name: a path could be any program. "[" is the test command,
    // not a pattern.
    const bool testBracket = commandWord->isLiteral() && commandWord->value == u"[";
    if ((!commandWord->isPlain() && !testBracket) || commandWord->value.contains(u'/'))
        return false;
    const auto program = readOnlyPrograms().constFind(commandWord->value);
    if (program == readOnlyPrograms().cend())
        return false;
    const QList<ShellWord> arguments = command.arguments();
    if (program->literalArguments
        && std::any_of(arguments.cbegin(), arguments.cend(), [](const ShellWord &w) { return w.expanded; }))
        return false;
    return program->check(arguments);
}

} // namespace

bool isReadOnly(const QString &command)
{
    const ShellCommandReader reading(command);
    if (reading.doubtful() || reading.runsInBackground())
        return false;
    return std::all_of(reading.commands().cbegin(), reading.commands().cend(), onlyReads);
}

bool isDangerous(const QString &command)
{
    const QString trimmed = trimmedSpacesAndTabs(command).toString();
    if (trimmed.isEmpty())
        return false;
    const QString lowered = trimmed.toLower();
    return flaggedByFirstWords(lowered) || flaggedByReading(lowered);
}

} // namespace quillet
