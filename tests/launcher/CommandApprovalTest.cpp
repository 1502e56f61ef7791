#include "launcher/CommandApproval.h"
#include "defaults/Defaults.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

using namespace quillet;

class CommandApprovalTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dangerCheck_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("dangerous");

        // The first-word check and the pipe patterns.
        QTest::newRow("pipe to sh") << "ls | sh" << true;
        QTest::newRow("pipe to bash, no space") << "curl x |bash" << true;
        QTest::newRow("|sh as a plain substring") << "ls |shasum" << true;
        QTest::newRow("upper case") << "SUDO ls" << true;
        QTest::newRow("path to rm") << "/bin/rm -rf tmp" << true;
        QTest::newRow("second part") << "cd /tmp && rm -r x" << true;
        QTest::newRow("rm as an argument") << "echo rm" << false;
        QTest::newRow("assignment before rm") << "FOO=1 rm x" << true;
        QTest::newRow("two assignments") << "a=1 b=2 rm x" << true;
        QTest::newRow("assignment as an argument") << "echo a=b" << false;
        QTest::newRow("mkfs variant") << "mkfs.apfs disk" << true;
        QTest::newRow("dotted name kept whole") << "rsync.bak a b" << false;
        QTest::newRow("git status") << "git status" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << " \t " << false;
        QTest::newRow("after ||") << "false || killall Finder" << true;
        QTest::newRow("after ;") << "ls; shutdown now" << true;
        QTest::newRow("after newline") << "ls\ndd if=/dev/zero of=x" << true;
        QTest::newRow("rm inside quotes still seen by the first-word check") << "echo \"x; rm y\"" << true;

        // Failing closed.
        QTest::newRow("command substitution") << "echo $(rm -rf ~)" << true;
        QTest::newRow("backticks") << "echo `rm x`" << true;
        QTest::newRow("process substitution") << "diff <(ls a) <(ls b)" << true;
        QTest::newRow("eval") << "eval \"rm x\"" << true;
        QTest::newRow("exec") << "exec ls" << true;
        QTest::newRow("source") << "source ~/.profile" << true;
        QTest::newRow("dot") << ". ./env.sh" << true;
        QTest::newRow("env") << "env rm x" << true;
        QTest::newRow("xargs") << "xargs rm < list" << true;
        QTest::newRow("nohup") << "nohup ./server" << true;
        QTest::newRow("nice") << "nice -n 5 make" << true;
        QTest::newRow("timeout") << "timeout 5 ls" << true;
        QTest::newRow("time") << "time ls" << true;
        QTest::newRow("command") << "command ls" << true;
        QTest::newRow("builtin") << "builtin cd /" << true;
        QTest::newRow("find -delete") << "find . -delete" << true;
        QTest::newRow("find -exec") << "find . -name '*.o' -exec rm {} +" << true;
        QTest::newRow("find listing") << "find . -name '*.cpp'" << false;
        QTest::newRow("sh -c") << "sh -c 'ls'" << true;
        QTest::newRow("bash -c") << "bash -c \"rm x\"" << true;
        QTest::newRow("zsh -lc") << "zsh -lc ls" << true;
        QTest::newRow("shell reading its input") << "curl -s x > /dev/null; bash" << true;
        QTest::newRow("shell running a script") << "bash build.sh" << false;
        QTest::newRow("LD_PRELOAD") << "LD_PRELOAD=x.so ls" << true;
        QTest::newRow("PATH") << "PATH=/tmp/evil:$PATH ls" << true;
        QTest::newRow("export PATH") << "export PATH=/tmp" << true;
        QTest::newRow("PROMPT_COMMAND") << "PROMPT_COMMAND=x bash -i" << true;
        QTest::newRow("harmless assignment") << "LANG=C ls" << false;
        QTest::newRow("single & separates") << "sleep 1 & rm x" << true;
        QTest::newRow("background alone") << "sleep 1 &" << false;
        QTest::newRow("redirect to dotfile") << "echo hi > ~/.bashrc" << true;
        QTest::newRow("append to a file") << "echo hi >> notes.txt" << true;
        QTest::newRow("clobber") << "echo hi >| x" << true;
        QTest::newRow("both streams to a file") << "make &> log" << true;
        QTest::newRow("read-write open") << "cat <> x" << true;
        QTest::newRow("redirect to /dev/null") << "ls > /dev/null" << false;
        QTest::newRow("stderr to /dev/null") << "ls 2>/dev/null" << false;
        QTest::newRow("stderr to stdout") << "ls 2>&1 | head" << false;
        QTest::newRow("both to /dev/null") << "ls &>/dev/null" << false;
        QTest::newRow("input redirection") << "wc -l < list.txt" << false;
        QTest::newRow("quoted > is no redirection") << "git commit -m \"a > b\"" << false;
        QTest::newRow("quoted ; in a message") << "git commit -m \"fix; update docs\"" << false;
        QTest::newRow("escaped command word") << "\\rm x" << true;
        QTest::newRow("quoted command word") << "'rm' x" << true;
        QTest::newRow("split quoted command word") << "r''m x" << true;
        QTest::newRow("expanded command word") << "$X x" << true;
        QTest::newRow("braced command word") << "{rm,x}" << true;
        QTest::newRow("glob command word") << "/bin/r? x" << true;
        QTest::newRow("group") << "{ rm x; }" << true;
        QTest::newRow("subshell") << "(rm x)" << true;
        QTest::newRow("if then") << "if true; then rm x; fi" << true;
        QTest::newRow("loop body") << "for f in *.tmp; do rm $f; done" << true;
        QTest::newRow("test brackets") << "[ -f x ] && echo yes" << false;
        QTest::newRow("python -c") << "python3 -c 'import os'" << true;
        QTest::newRow("versioned python -c") << "python3.11 -c 'print(1)'" << true;
        QTest::newRow("perl -e") << "perl -e 'unlink q(x)'" << true;
        QTest::newRow("ruby -e") << "ruby -e 'puts 1'" << true;
        QTest::newRow("node -e") << "node -e 'process.exit()'" << true;
        QTest::newRow("php -r") << "php -r 'echo 1;'" << true;
        QTest::newRow("interpreter on its input") << "echo 'import os' | python3" << true;
        QTest::newRow("interpreter here-document") << "python3 - <<EOF\nprint(1)\nEOF" << true;
        QTest::newRow("python script") << "python3 script.py" << false;
        QTest::newRow("python version") << "python3 --version" << true;
        QTest::newRow("awk system") << "awk '{system(\"rm \" $1)}' list" << true;
        QTest::newRow("awk printing") << "awk '{print $1}' file" << false;
        QTest::newRow("unterminated quote") << "echo 'oops" << true;
        QTest::newRow("trailing backslash") << "ls \\" << true;
        QTest::newRow("a comment is not run") << "ls # rm x" << false;
        QTest::newRow("# inside a word is no comment") << "echo a#b; rm x" << true;
        QTest::newRow("plain pipeline") << "ps aux | grep -i firefox | head -5" << false;
        QTest::newRow("home in an argument") << "ls -la ~/Documents" << false;
        QTest::newRow("variable in an argument") << "echo $HOME" << false;
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
        for (const char *command :
            { "git reset --hard", "git clean -fdx", "rsync -a --delete src/ dst/", "truncate -s0 f",
                "cp /dev/null f", "mv f g", "tee f", "sed -i 's/a/b/' f", "crontab -r", "systemctl stop x",
                "curl -o f https://example.com/x", "bash script.sh", "function f { rm -rf ~; }; f",
                "hash -p /bin/rm ls; ls -rf ~", "git -c core.pager='rm -rf ~' log", "rsync.bak a b" })
            QTest::newRow(command) << command << true;

        // Harmless programs.
        for (const char *command : { "ls -la", "cat f", "grep -c x f", "git status", "git log --oneline -5",
                 "echo hello | wc -c", "find . -name '*.txt'", "ls > /dev/null", "uname -a", "echo rm",
                 "ls -la 2>&1 | head -n 3", "cd /tmp && ls", "[ -f x ] && cat x", "wc -l < list.txt",
                 "for f in a b; do wc -l \"$f\"; done", "cat <<'EOF'\n$(not run)\nEOF", "l\\\ns -la",
                 "sort -k2 -t: -n f", "uniq -c -f 2 f", "date +%Y-%m-%d", "printf '%s\\n' a",
                 "git --no-pager log -1 --stat", "git diff --stat HEAD~1", "git branch -a", "git stash list",
                 "git config --get user.name", "ps aux | grep -i x | sort | uniq", "" })
            QTest::newRow(*command ? command : "empty") << command << false;

        // The shape of the command line.
        QTest::newRow("assignment") << "LANG=C ls" << true;
        QTest::newRow("assignment alone") << "PATH=/tmp" << true;
        QTest::newRow("background") << "ls &" << true;
        QTest::newRow("background in a group") << "{ ls; } & cat f" << true;
        QTest::newRow("function definition") << "f() { ls; }; f" << true;
        QTest::newRow("alias") << "alias ls=rm; ls x" << true;
        QTest::newRow("redirect to a file") << "ls > out.txt" << true;
        QTest::newRow("redirect both to a file") << "ls >& out" << true;
        QTest::newRow("redirect to an expanded name") << "ls > $HOME/x" << true;
        QTest::newRow("read from a connection") << "cat < /dev/tcp/example.com/80" << true;
        QTest::newRow("read-write open") << "cat <> f" << true;
        QTest::newRow("command substitution in an argument") << "echo $(id)" << true;
        QTest::newRow("substitution in a here-document") << "cat <<EOF\n$(id)\nEOF" << true;
        QTest::newRow("assignment in an expansion") << "echo ${PAGER:=x}" << true;
        QTest::newRow("arithmetic") << "echo $((1+1))" << true;
        QTest::newRow("unterminated quote") << "echo 'x" << true;
        QTest::newRow("path to a program") << "/bin/ls" << true;
        QTest::newRow("relative program") << "./ls" << true;
        QTest::newRow("glob as command") << "l? -la" << true;
        QTest::newRow("quoted command") << "'ls' x" << true;
        QTest::newRow("escaped command") << "\\ls x" << true;
        QTest::newRow("ANSI-C command") << "$'\\x6cs' x" << true;
        QTest::newRow("expanded command") << "$SHELL -c ls" << true;
        QTest::newRow("carriage return in the command word") << "ls\r" << true;
        QTest::newRow("upper-case program") << "LS" << true;
        QTest::newRow("unknown program after a known one") << "ls; make" << true;
        QTest::newRow("subshell") << "(ls; mv a b)" << true;
        QTest::newRow("braces") << "{ ls; chmod +x f; }" << true;
        QTest::newRow("if body") << "if true; then mv a b; fi" << true;
        QTest::newRow("loop body") << "for f in *; do rm \"$f\"; done" << true;
        QTest::newRow("case") << "case x in x) ls;; esac" << true;
        QTest::newRow("line break") << "git status\nmv a b" << true;
        QTest::newRow("continuation into a command") << "ls \\\n; touch x" << true;

        // Arguments that make a listed program write, delete or run.
        QTest::newRow("find -delete") << "find . -delete" << true;
        QTest::newRow("find -exec") << "find . -exec ls {} +" << true;
        QTest::newRow("find -execdir") << "find . -execdir ls \\;" << true;
        QTest::newRow("find -ok") << "find . -ok ls {} \\;" << true;
        QTest::newRow("find -fprint") << "find . -fprint out" << true;
        QTest::newRow("find -fls") << "find . -fls out" << true;
        QTest::newRow("find action quoted") << "find . '-delete'" << true;
        QTest::newRow("find action escaped") << "find . -del\\ete" << true;
        QTest::newRow("find action by ANSI-C quoting") << "find . $'-dele\\x74e'" << true;
        QTest::newRow("find unquoted glob") << "find * -name x" << true;
        QTest::newRow("sort -o") << "sort -o out f" << true;
        QTest::newRow("sort -o in a cluster") << "sort -ruo out f" << true;
        QTest::newRow("sort --output abbreviated") << "sort --outp=out f" << true;
        QTest::newRow("sort compress program") << "sort --compress-program=sh f" << true;
        QTest::newRow("uniq output file") << "uniq in out" << true;
        QTest::newRow("date -s") << "date -s 10:00" << true;
        QTest::newRow("date -s in a cluster") << "date -us 10:00" << true;
        QTest::newRow("date --set abbreviated") << "date --se=10:00" << true;
        QTest::newRow("printf -v") << "printf -v PATH /tmp" << true;
        QTest::newRow("file -C") << "file -C -m magic" << true;
        QTest::newRow("git branch -D") << "git branch -D main" << true;
        QTest::newRow("git branch -m") << "git branch -m a b" << true;
        QTest::newRow("git branch creates") << "git branch topic" << true;
        QTest::newRow("git tag creates") << "git tag v1" << true;
        QTest::newRow("git stash") << "git stash" << true;
        QTest::newRow("git config writes") << "git config user.name x" << true;
        QTest::newRow("git log --output") << "git log --output=f" << true;
        QTest::newRow("git diff --ext-diff") << "git diff --ext-diff" << true;
        QTest::newRow("git grep pager") << "git grep -Ocat x" << true;
        QTest::newRow("git -C") << "git -C /tmp status" << true;
        QTest::newRow("git --exec-path") << "git --exec-path=/tmp log" << true;
        QTest::newRow("git --config-env") << "git --config-env=core.pager=X log" << true;
        QTest::newRow("git --git-dir") << "git --git-dir=/tmp/x status" << true;
        QTest::newRow("git -p") << "git -p log" << true;
        QTest::newRow("git expanded argument") << "git log $OPTS" << true;
        QTest::newRow("git alias or unknown subcommand") << "git st" << true;
        QTest::newRow("git push") << "git push" << true;
    }
    void agentDecidesRunsOnlyWhatOnlyReads()
    {
        QFETCH(QString, command);
        QFETCH(bool, asks);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath(QStringLiteral("q.conf")));
        QCOMPARE(needsApproval(command, LauncherMode::terminal, defaults), asks);
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
        QTest::newRow("chat default asks") << chat << "<absent>"
                                           << "ls" << true;
        QTest::newRow("terminal default: safe") << terminal << "<absent>"
                                                << "ls" << false;
        QTest::newRow("terminal default: dangerous") << terminal << "<absent>"
                                                     << "rm x" << true;
        QTest::newRow("chat, unknown text asks") << chat << "sometimes"
                                                 << "ls" << true;
        QTest::newRow("terminal, unknown text decides") << terminal << "sometimes"
                                                        << "ls" << false;
        QTest::newRow("never") << terminal << "never"
                               << "rm -rf /" << false;
        QTest::newRow("always, even blank") << terminal << "always"
                                            << "  " << true;
        QTest::newRow("chat agentDecides") << chat << "agentDecides"
                                           << "git status" << false;
        // echo only prints, but the deny-list's plain reading sees "rm".
        QTest::newRow("the deny-list stays underneath") << terminal << "agentDecides"
                                                        << "echo \"x; rm y\"" << true;
        QTest::newRow("apps never asks") << apps << "always"
                                         << "rm x" << false;
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
        QCOMPARE(needsApproval(command, LauncherMode(mode), defaults), needed);
    }
};

QUILLET_TEST_MAIN(CommandApprovalTest)
#include "CommandApprovalTest.moc"
