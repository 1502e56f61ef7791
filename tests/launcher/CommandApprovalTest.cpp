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

    void modesKeepTheirRawValues()
    {
        QCOMPARE(allCommandApprovalModes().size(), 3);
        for (const CommandApprovalMode mode : allCommandApprovalModes())
            QCOMPARE(commandApprovalModeFromRaw(rawValue(mode)), mode);
        QCOMPARE(rawValue(CommandApprovalMode::agentDecides), QStringLiteral("agentDecides"));
        QVERIFY(!commandApprovalModeFromRaw(QStringLiteral("Always")));
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

    void listsAreComplete()
    {
        QCOMPARE(dangerousCommands().size(), 30);
        QCOMPARE(pipeToShellPatterns().size(), 9);
    }
};

QUILLET_TEST_MAIN(CommandApprovalTest)
#include "CommandApprovalTest.moc"
