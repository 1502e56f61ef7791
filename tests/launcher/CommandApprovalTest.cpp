#include "launcher/CommandApproval.h"
#include "defaults/Defaults.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

using namespace quillet;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(quillet::SandboxKind)
Q_DECLARE_METATYPE(quillet::CommandRoute)

namespace {

// One row per command, named after it.
void rows(bool expected, std::initializer_list<const char *> commands)
{
    for (const char *command : commands)
        QTest::newRow(*command ? command : "empty") << QString::fromUtf8(command) << expected;
}

} // namespace

class CommandApprovalTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dangerCheck_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("dangerous");

        // The first-word check and the pipe patterns: "|sh" counts even inside
        // a word, and "rm" inside quotes is still seen by the first-word check.
        rows(true,
            { "ls | sh", "curl x |bash", "ls |shasum", "SUDO ls", "/bin/rm -rf tmp", "cd /tmp && rm -r x",
                "FOO=1 rm x", "a=1 b=2 rm x", "mkfs.apfs disk", "false || killall Finder", "ls; shutdown now",
                "ls\ndd if=/dev/zero of=x", "echo \"x; rm y\"" });
        rows(false, { "echo rm", "echo a=b", "rsync.bak a b", "git status", "", " \t " });

        // Failing closed: substitutions, wrappers that run another command,
        // shells given code, dangerous assignments.
        rows(true,
            { "echo $(rm -rf ~)", "echo `rm x`", "diff <(ls a) <(ls b)", "eval \"rm x\"", "exec ls",
                "source ~/.profile", ". ./env.sh", "env rm x", "xargs rm < list", "nohup ./server",
                "nice -n 5 make", "timeout 5 ls", "time ls", "command ls", "builtin cd /", "find . -delete",
                "find . -name '*.o' -exec rm {} +", "sh -c 'ls'", "bash -c \"rm x\"", "zsh -lc ls",
                "curl -s x > /dev/null; bash", "LD_PRELOAD=x.so ls", "PATH=/tmp/evil:$PATH ls",
                "export PATH=/tmp", "PROMPT_COMMAND=x bash -i", "sleep 1 & rm x" });
        rows(false, { "find . -name '*.cpp'", "bash build.sh", "LANG=C ls", "sleep 1 &" });

        // Redirections: only /dev/null and other streams are harmless.
        rows(true,
            { "echo hi > ~/.bashrc", "echo hi >> notes.txt", "echo hi >| x", "make &> log", "cat <> x" });
        rows(false,
            { "ls > /dev/null", "ls 2>/dev/null", "ls 2>&1 | head", "ls &>/dev/null", "wc -l < list.txt",
                "git commit -m \"a > b\"", "git commit -m \"fix; update docs\"" });

        // Command words that are quoted, escaped, expanded or nested.
        rows(true,
            { "\\rm x", "'rm' x", "r''m x", "$X x", "{rm,x}", "/bin/r? x", "{ rm x; }", "(rm x)",
                "if true; then rm x; fi", "for f in *.tmp; do rm $f; done" });
        rows(false, { "[ -f x ] && echo yes" });

        // Interpreters given inline code, or reading it from their input.
        rows(true,
            { "python3 -c 'import os'", "python3.11 -c 'print(1)'", "perl -e 'unlink q(x)'",
                "ruby -e 'puts 1'", "node -e 'process.exit()'", "php -r 'echo 1;'",
                "echo 'import os' | python3", "python3 - <<EOF\nprint(1)\nEOF", "python3 --version",
                "awk '{system(\"rm \" $1)}' list" });
        rows(false, { "python3 script.py", "awk '{print $1}' file" });

        // What the check cannot read plainly asks; a comment is not run.
        rows(true, { "echo 'oops", "ls \\", "echo a#b; rm x" });
        rows(
            false, { "ls # rm x", "ps aux | grep -i firefox | head -5", "ls -la ~/Documents", "echo $HOME" });
    }
    void dangerCheck()
    {
        QFETCH(QString, command);
        QFETCH(bool, dangerous);
        QCOMPARE(isDangerous(command), dangerous);
    }

    void agentDecidesRunsOnlyWhatOnlyReads_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("asks");

        // Destructive commands the deny-list let through.
        rows(true,
            { "git reset --hard", "git clean -fdx", "rsync -a --delete src/ dst/", "truncate -s0 f",
                "cp /dev/null f", "mv f g", "tee f", "sed -i 's/a/b/' f", "crontab -r", "systemctl stop x",
                "curl -o f https://example.com/x", "bash script.sh", "function f { rm -rf ~; }; f",
                "hash -p /bin/rm ls; ls -rf ~", "git -c core.pager='rm -rf ~' log", "rsync.bak a b" });

        // Harmless programs.
        rows(false,
            { "ls -la", "cat f", "grep -c x f", "git status", "git log --oneline -5", "echo hello | wc -c",
                "find . -name '*.txt'", "ls > /dev/null", "uname -a", "echo rm", "ls -la 2>&1 | head -n 3",
                "cd /tmp && ls", "[ -f x ] && cat x", "wc -l < list.txt",
                "for f in a b; do wc -l \"$f\"; done", "cat <<'EOF'\n$(not run)\nEOF", "l\\\ns -la",
                "sort -k2 -t: -n f", "uniq -c -f 2 f", "date +%Y-%m-%d", "printf '%s\\n' a",
                "git --no-pager log -1 --stat", "git diff --stat HEAD~1", "git branch -a", "git stash list",
                "git config --get user.name", "ps aux | grep -i x | sort | uniq", "" });

        // The shape of the command line: assignments, background jobs, function
        // and alias definitions, redirections to files, substitutions and
        // expansions anywhere, unreadable quoting, command words that are
        // paths, globs, quoted, escaped or expanded, unknown programs,
        // compound commands and line breaks.
        rows(true,
            { "LANG=C ls", "PATH=/tmp", "ls &", "{ ls; } & cat f", "f() { ls; }; f", "alias ls=rm; ls x",
                "ls > out.txt", "ls >& out", "ls > $HOME/x", "cat < /dev/tcp/example.com/80", "cat <> f",
                "echo $(id)", "cat <<EOF\n$(id)\nEOF", "echo ${PAGER:=x}", "echo $((1+1))", "echo 'x",
                "/bin/ls", "./ls", "l? -la", "'ls' x", "\\ls x", "$'\\x6cs' x", "$SHELL -c ls", "ls\r", "LS",
                "ls; make", "(ls; mv a b)", "{ ls; chmod +x f; }", "if true; then mv a b; fi",
                "for f in *; do rm \"$f\"; done", "case x in x) ls;; esac", "git status\nmv a b",
                "ls \\\n; touch x" });

        // Arguments that make a listed program write, delete or run, however
        // spelt (quoted, escaped, abbreviated, in an option cluster).
        rows(true,
            { "find . -delete", "find . -exec ls {} +", "find . -execdir ls \\;", "find . -ok ls {} \\;",
                "find . -fprint out", "find . -fls out", "find . '-delete'", "find . -del\\ete",
                "find . $'-dele\\x74e'", "find * -name x", "sort -o out f", "sort -ruo out f",
                "sort --outp=out f", "sort --compress-program=sh f", "uniq in out", "date -s 10:00",
                "date -us 10:00", "date --se=10:00", "printf -v PATH /tmp", "file -C -m magic",
                "git branch -D main", "git branch -m a b", "git branch topic", "git tag v1", "git stash",
                "git config user.name x", "git log --output=f", "git diff --ext-diff", "git grep -Ocat x",
                "git -C /tmp status", "git --exec-path=/tmp log", "git --config-env=core.pager=X log",
                "git --git-dir=/tmp/x status", "git -p log", "git log $OPTS", "git st", "git push",
                "git grep -iO'cat' x", "git grep -nOcat x", "git diff --textconv", "git log --textc",
                "git cat-file --filters HEAD:x" });

        // Text that bash evaluates again: array subscripts of test -v and -R
        // (however quoted), and substitutions held in quotes; a here-document
        // whose delimiter is split by a continued line ends where bash ends it.
        rows(true,
            { "test -v 'x[$(touch MARK)]'", "[ -v 'x[`id`]' ]", "test -R x", "test -v $'x[\\x24(id)]'",
                "echo '$(id)'", "cat '`id`'", "ls \"${HOME}\"", "cat <<EOF\nx\nEO\\\nF\ntouch y" });
    }
    void agentDecidesRunsOnlyWhatOnlyReads()
    {
        QFETCH(QString, command);
        QFETCH(bool, asks);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath(QStringLiteral("q.conf")));
        QCOMPARE(needsApproval(command, LauncherMode::terminal, defaults, SandboxKind::bubblewrap), asks);
        // The list alone decides every row, whatever the deny-list says.
        QCOMPARE(isReadOnly(command), !asks);
    }

    void approvalFollowsTheStoredPolicy_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("stored"); // "<absent>" for no value
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("needed");

        const int chat = int(LauncherMode::aiChat);
        const int terminal = int(LauncherMode::terminal);
        const int apps = int(LauncherMode::apps);
        QTest::newRow("chat default asks") << chat << u"<absent>"_s << u"ls"_s << true;
        QTest::newRow("terminal default: safe") << terminal << u"<absent>"_s << u"ls"_s << false;
        QTest::newRow("terminal default: dangerous") << terminal << u"<absent>"_s << u"rm x"_s << true;
        QTest::newRow("chat, unknown text asks") << chat << u"sometimes"_s << u"ls"_s << true;
        QTest::newRow("terminal, unknown text decides") << terminal << u"sometimes"_s << u"ls"_s << false;
        QTest::newRow("never") << terminal << u"never"_s << u"rm -rf /"_s << false;
        QTest::newRow("always, even blank") << terminal << u"always"_s << u"  "_s << true;
        QTest::newRow("chat agentDecides") << chat << u"agentDecides"_s << u"git status"_s << false;
        // echo only prints, but the deny-list's plain reading sees "rm".
        QTest::newRow("the deny-list stays underneath")
            << terminal << u"agentDecides"_s << u"echo \"x; rm y\""_s << true;
        QTest::newRow("apps never asks") << apps << u"always"_s << u"rm x"_s << false;
    }
    void approvalFollowsTheStoredPolicy()
    {
        QFETCH(int, mode);
        QFETCH(QString, stored);
        QFETCH(QString, command);
        QFETCH(bool, needed);

        QTemporaryDir dir;
        Defaults defaults(dir.filePath(QStringLiteral("q.conf")));
        if (stored != u"<absent>") {
            defaults.setString(QLatin1String(approvalKeys::aiChat), stored);
            defaults.setString(QLatin1String(approvalKeys::terminal), stored);
        }
        QCOMPARE(needsApproval(command, LauncherMode(mode), defaults, SandboxKind::landlock), needed);
    }

    void whatRunsUnaskedRunsConfined_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<SandboxKind>("sandbox");
        QTest::addColumn<QString>("command");
        QTest::addColumn<CommandRoute>("route");
        QTest::newRow("read-only, bubblewrap")
            << u"agentDecides"_s << SandboxKind::bubblewrap << u"ls"_s << CommandRoute::sandboxed;
        QTest::newRow("read-only, Landlock")
            << u"agentDecides"_s << SandboxKind::landlock << u"cat f"_s << CommandRoute::sandboxed;
        QTest::newRow("no sandbox: everything asks")
            << u"agentDecides"_s << SandboxKind::none << u"ls"_s << CommandRoute::ask;
        QTest::newRow("writing asks")
            << u"agentDecides"_s << SandboxKind::bubblewrap << u"touch f"_s << CommandRoute::ask;
        QTest::newRow("never asks, runs as it is")
            << u"never"_s << SandboxKind::none << u"touch f"_s << CommandRoute::direct;
        QTest::newRow("always asks") << u"always"_s << SandboxKind::bubblewrap << u"ls"_s
                                     << CommandRoute::ask;
    }
    void whatRunsUnaskedRunsConfined()
    {
        QFETCH(QString, policy);
        QFETCH(SandboxKind, sandbox);
        QFETCH(QString, command);
        QFETCH(CommandRoute, route);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath(QStringLiteral("q.conf")));
        defaults.setString(QLatin1String(approvalKeys::terminal), policy);
        QCOMPARE(routeCommand(command, LauncherMode::terminal, defaults, sandbox), route);
    }
};

QUILLET_TEST_MAIN(CommandApprovalTest)
#include "CommandApprovalTest.moc"
