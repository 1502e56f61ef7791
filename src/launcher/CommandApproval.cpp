#include "launcher/CommandApproval.h"

#include "defaults/Defaults.h"

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

// ---------------------------------------------------------------------------
// The fail-closed reading: a small shell lexer that finds every simple
// command (also behind &, inside ( ) and { }, after if/then/do), its words
// with quoting removed, and its redirections.

struct Word {
    QString value; // quotes removed, escapes resolved
    bool quoted = false; // '...', "..." or $'...' somewhere in the word
    bool escaped = false; // a backslash somewhere in the word
    bool expanded = false; // $, a glob character or a brace

    bool isPlain() const { return !quoted && !escaped && !expanded; }
};

struct Redirection {
    QString op;
    std::optional<Word> target;
};

struct SimpleCommand {
    QList<Word> words;
    QList<Redirection> redirections;
};

struct Reading {
    QList<SimpleCommand> commands;
    bool doubtful = false; // substitution, unterminated quote or anything unreadable
};

Reading readCommands(const QString &text)
{
    Reading reading;
    SimpleCommand command;
    std::optional<Word> word;
    std::optional<Redirection> pendingRedirection;

    const auto endWord = [&] {
        if (!word)
            return;
        if (pendingRedirection) {
            pendingRedirection->target = *word;
            command.redirections.append(*pendingRedirection);
            pendingRedirection.reset();
        } else {
            command.words.append(*word);
        }
        word.reset();
    };
    const auto endCommand = [&] {
        endWord();
        if (pendingRedirection) {
            command.redirections.append(*pendingRedirection);
            pendingRedirection.reset();
        }
        if (!command.words.isEmpty() || !command.redirections.isEmpty())
            reading.commands.append(command);
        command = SimpleCommand();
    };
    const auto wordRef = [&]() -> Word & {
        if (!word)
            word = Word();
        return *word;
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto at = [&](qsizetype index) { return index < n ? text[index] : QChar(); };

    while (i < n) {
        const QChar c = text[i];
        if (isSpaceOrTab(c)) {
            endWord();
            ++i;
        } else if (c == u'\n' || c == u';' || c == u'(' || c == u')') {
            endCommand();
            ++i;
        } else if (c == u'&') {
            if (at(i + 1) == u'>') {
                endWord();
                const bool append = at(i + 2) == u'>';
                pendingRedirection
                    = Redirection { append ? QStringLiteral("&>>") : QStringLiteral("&>"), {} };
                i += append ? 3 : 2;
            } else {
                endCommand();
                i += at(i + 1) == u'&' ? 2 : 1;
            }
        } else if (c == u'|') {
            endCommand();
            i += (at(i + 1) == u'|' || at(i + 1) == u'&') ? 2 : 1;
        } else if (c == u'<' || c == u'>') {
            // A word of digits right before the operator is a descriptor number.
            if (word && word->isPlain() && !word->value.isEmpty()
                && std::all_of(word->value.cbegin(), word->value.cend(), [](QChar d) { return d.isDigit(); }))
                word.reset();
            endWord();
            if (pendingRedirection) // two operators in a row
                reading.doubtful = true;
            if (at(i + 1) == u'(') {
                reading.doubtful = true; // process substitution
                i += 2;
                continue;
            }
            QString op(c);
            qsizetype j = i + 1;
            if (c == u'>' && (at(j) == u'>' || at(j) == u'|' || at(j) == u'&')) {
                op += at(j);
                ++j;
            } else if (c == u'<') {
                if (at(j) == u'<') {
                    op += u'<';
                    ++j;
                    if (at(j) == u'<' || at(j) == u'-') {
                        op += at(j);
                        ++j;
                    }
                } else if (at(j) == u'>' || at(j) == u'&') {
                    op += at(j);
                    ++j;
                }
            }
            pendingRedirection = Redirection { op, {} };
            i = j;
        } else if (c == u'#' && !word) {
            while (i < n && text[i] != u'\n')
                ++i;
        } else if (c == u'\'') {
            Word &w = wordRef();
            w.quoted = true;
            const qsizetype close = text.indexOf(u'\'', i + 1);
            if (close < 0) {
                reading.doubtful = true;
                break;
            }
            w.value += QStringView(text).mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == u'"') {
            Word &w = wordRef();
            w.quoted = true;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                const QChar d = text[j];
                if (d == u'"') {
                    closed = true;
                    break;
                }
                if (d == u'\\' && j + 1 < n) {
                    w.value += text[j + 1];
                    j += 2;
                    continue;
                }
                if (d == u'`' || (d == u'$' && at(j + 1) == u'('))
                    reading.doubtful = true;
                if (d == u'$')
                    w.expanded = true;
                w.value += d;
                ++j;
            }
            if (!closed) {
                reading.doubtful = true;
                break;
            }
            i = j + 1;
        } else if (c == u'\\') {
            if (i + 1 >= n) {
                reading.doubtful = true;
                break;
            }
            Word &w = wordRef();
            w.escaped = true;
            if (text[i + 1] != u'\n')
                w.value += text[i + 1];
            i += 2;
        } else if (c == u'`') {
            reading.doubtful = true;
            ++i;
        } else if (c == u'$') {
            Word &w = wordRef();
            w.expanded = true;
            if (at(i + 1) == u'(') {
                reading.doubtful = true;
                i += 2;
            } else if (at(i + 1) == u'\'') {
                w.quoted = true;
                qsizetype j = i + 2;
                while (j < n && text[j] != u'\'')
                    j += text[j] == u'\\' ? 2 : 1;
                if (j >= n) {
                    reading.doubtful = true;
                    break;
                }
                w.value += QStringView(text).mid(i + 2, j - i - 2);
                i = j + 1;
            } else {
                w.value += c;
                ++i;
            }
        } else {
            Word &w = wordRef();
            if (c == u'*' || c == u'?' || c == u'[' || c == u'{' || c == u'}')
                w.expanded = true;
            w.value += c;
            ++i;
        }
    }
    endCommand();
    return reading;
}

const QSet<QString> &reservedWords()
{
    static const QSet<QString> words {
        QStringLiteral("!"),
        QStringLiteral("{"),
        QStringLiteral("}"),
        QStringLiteral("if"),
        QStringLiteral("then"),
        QStringLiteral("else"),
        QStringLiteral("elif"),
        QStringLiteral("fi"),
        QStringLiteral("do"),
        QStringLiteral("done"),
        QStringLiteral("while"),
        QStringLiteral("until"),
        QStringLiteral("esac"),
    };
    return words;
}

// Headers whose words are not commands to run.
const QSet<QString> &nonCommandHeaders()
{
    static const QSet<QString> words { QStringLiteral("for"), QStringLiteral("select"),
        QStringLiteral("case"), QStringLiteral("function") };
    return words;
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

bool isAssignment(const Word &word)
{
    const QString &v = word.value;
    const qsizetype eq = v.indexOf(u'=');
    if (eq <= 0)
        return false;
    const qsizetype nameEnd = v[eq - 1] == u'+' ? eq - 1 : eq;
    if (nameEnd <= 0 || v[0].isDigit())
        return false;
    for (qsizetype k = 0; k < nameEnd; ++k) {
        if (!(v[k].isLetterOrNumber() || v[k] == u'_'))
            return false;
    }
    return true;
}

bool isOption(const Word &word)
{
    return word.value.startsWith(u'-') && word.value.size() > 1;
}

bool flaggedByCommand(const SimpleCommand &command)
{
    for (const Redirection &redirection : command.redirections) {
        const QString &op = redirection.op;
        if (op == u"<" || op == u"<<" || op == u"<<-" || op == u"<<<" || op == u"<&")
            continue;
        if (!redirection.target)
            return true;
        const Word &target = *redirection.target;
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

    const QList<Word> &words = command.words;
    for (const Word &word : words) {
        if (assignsRiskyVariable(word.value))
            return true;
    }

    // Grouping braces and the test brackets are words, not expansions.
    const auto isLiteral = [](const Word &w) { return !w.quoted && !w.escaped; };
    qsizetype index = 0;
    while (index < words.size() && isLiteral(words[index]) && reservedWords().contains(words[index].value))
        ++index;
    if (index < words.size() && isLiteral(words[index]) && nonCommandHeaders().contains(words[index].value))
        return false;
    while (index < words.size() && isAssignment(words[index]))
        ++index;
    if (index >= words.size())
        return false;

    const Word &commandWord = words[index];
    const bool testBrackets
        = isLiteral(commandWord) && (commandWord.value == u"[" || commandWord.value == u"[[");
    if (!commandWord.isPlain() && !testBrackets)
        return true;
    const QString name = withDangerousBase(lastPathComponent(commandWord.value));
    if (dangerousCommandSet().contains(name) || wrappers().contains(name))
        return true;
    // python3.12 is python3; ./tool.sh stays whole
    const qsizetype dot = name.indexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;

    const QList<Word> arguments = words.mid(index + 1);
    const bool hasOperand
        = std::any_of(arguments.cbegin(), arguments.cend(), [](const Word &w) { return !isOption(w); });
    const bool readsHereDocument = std::any_of(command.redirections.cbegin(), command.redirections.cend(),
        [](const Redirection &r) { return r.op.startsWith(QLatin1String("<<")); });

    if (shells().contains(base)) {
        if (!hasOperand || readsHereDocument)
            return true; // runs whatever arrives on its input
        for (const Word &argument : arguments) {
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
        for (const Word &argument : arguments) {
            if (isOption(argument) && !harmless.contains(argument.value))
                return true;
        }
    }
    if (awks().contains(base)) {
        for (const Word &argument : arguments) {
            const QString &v = argument.value;
            if (v.contains(QLatin1String("system")) || v.contains(QLatin1String("getline"))
                || v.contains(u'>') || v.contains(u'|'))
                return true;
        }
    }
    if (name == u"find") {
        for (const Word &argument : arguments) {
            if (findActions().contains(argument.value))
                return true;
        }
    }
    return false;
}

bool flaggedByReading(const QString &lowered)
{
    const Reading reading = readCommands(lowered);
    if (reading.doubtful)
        return true;
    return std::any_of(reading.commands.cbegin(), reading.commands.cend(), flaggedByCommand);
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
