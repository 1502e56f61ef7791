#include "launcher/ShellCommandReader.h"
#include "support/TestEnvironment.h"

using namespace quillet;

namespace {

// One line per reading: commands joined with " ; "; reserved words in ‹›,
// header words in «», the command word in <>; a word's marks follow it
// (~ expanded, ' quoted, \ escaped, ! complex); here-document bodies in {}.
// Past a substitution the words mean nothing: only the mark is shown.
QString describe(const ShellCommandReader &reading)
{
    if (reading.substitutes())
        return QStringLiteral("[substitutes]");
    const auto word = [](const ShellWord &w) {
        return w.value + (w.expanded ? "~" : "") + (w.quoted ? "'" : "") + (w.escaped ? "\\" : "")
            + (w.complexExpansion ? "!" : "");
    };
    QStringList commands;
    for (const ShellSimpleCommand &command : reading.commands()) {
        QStringList parts;
        for (const QString &reserved : command.reservedWords)
            parts.append("‹" + reserved + "›");
        if (!command.header.isEmpty())
            parts.append("«" + command.header + "»");
        for (const ShellWord &w : command.words)
            parts.append(&w == command.commandWord() ? "<" + word(w) + ">" : word(w));
        if (command.definesFunction)
            parts.append("()");
        for (const ShellRedirection &r : command.redirections) {
            parts.append(r.op + (r.target ? word(*r.target) : "?")
                + (r.hereDocument ? "{" + word(*r.hereDocument) + "}" : ""));
        }
        commands.append(parts.join(u' '));
    }
    QString text = commands.join(" ; ");
    if (reading.runsInBackground())
        text += " [background]";
    if (reading.unreadable())
        text += " [unreadable]";
    return text;
}

} // namespace

class ShellCommandReaderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reads_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reading");

        QTest::newRow("words") << "ls -la ~/x  # rm x"
                               << "<ls> -la ~/x";
        QTest::newRow("assignments come first") << "a=1 b+=2 env x=y"
                                                << "a=1 b+=2 <env> x=y";
        QTest::newRow("separators") << "a && b || c; d | e |& f\ng"
                                    << "<a> ; <b> ; <c> ; <d> ; <e> ; <f> ; <g>";
        QTest::newRow("compound commands") << "if true; then { ls; }; fi"
                                           << "‹if› <true> ; ‹then› ‹{› <ls> ; ‹}› ; ‹fi›";
        QTest::newRow("for header") << "for f in *.txt; do wc -l \"$f\"; done"
                                    << "«for» f in *.txt~ ; ‹do› <wc> -l $f~' ; ‹done›";
        QTest::newRow("function keyword") << "function f { rm -rf ~; }; f"
                                          << "«function» f () ; ‹{› <rm> -rf ~ ; ‹}› ; <f>";
        QTest::newRow("function parentheses") << "f () { ls; }"
                                              << "<f> () ; ‹{› <ls> ; ‹}›";
        QTest::newRow("reserved word as argument") << "echo done"
                                                   << "<echo> done";
        QTest::newRow("double-quote escapes") << "echo \"a\\nb \\$x \\\"q\\\"\""
                                              << "<echo> a\\nb $x \"q\"'";
        QTest::newRow("escapes outside quotes") << "\\r\\m x"
                                                << "<rm\\> x";
        QTest::newRow("line continuation") << "l\\\ns \\\n-la"
                                           << "<ls> -la";
        QTest::newRow("ANSI-C quoting kept undecoded") << "$'\\x72m' x"
                                                       << "<\\x72m~'> x";
        QTest::newRow("parameters") << "echo ${HOME} ${x:=1} $[1] $1"
                                    << "<echo> ${HOME}~ ${x:=1}~! $[1]~! $1~";
        QTest::newRow("redirections") << "ls 2>&1 >/dev/null <in &>>log | head"
                                      << "<ls> >&1 >/dev/null <in &>>log ; <head>";
        QTest::newRow("descriptor needs no space") << "echo 2 > x"
                                                   << "<echo> 2 >x";
        QTest::newRow("here-document set aside") << "cat <<EOF\nrm x\n$HOME\nEOF\nls"
                                                 << "<cat> <<EOF{rm x\n$HOME\n~} ; <ls>";
        QTest::newRow("quoted delimiter expands nothing") << "cat <<'EOF'\n$(rm x)\nEOF"
                                                          << "<cat> <<EOF'{$(rm x)\n}";
        QTest::newRow("substitution in a here-document") << "cat <<EOF\n$(rm x)\nEOF"
                                                         << "[substitutes]";
        QTest::newRow("tabs stripped") << "cat <<-EOF\n\tx\n\tEOF\n"
                                       << "<cat> <<-EOF{x\n~}";
        QTest::newRow("here-document without end") << "cat <<EOF\nx"
                                                   << "<cat> <<EOF{x\n~} [unreadable]";
        QTest::newRow("command substitution") << "echo $(rm x)"
                                              << "[substitutes]";
        QTest::newRow("backticks in quotes") << "echo \"`id`\""
                                             << "[substitutes]";
        QTest::newRow("process substitution") << "diff <(ls) x"
                                              << "[substitutes]";
        QTest::newRow("background") << "sleep 1 & ls"
                                    << "<sleep> 1 ; <ls> [background]";
        QTest::newRow("unterminated quote") << "echo 'oops"
                                            << "<echo> ' [unreadable]";
        QTest::newRow("trailing backslash") << "ls \\"
                                            << "<ls> [unreadable]";
        QTest::newRow("parenthesis after a word") << "echo (x)"
                                                  << "<echo> ; <x> [unreadable]";
        QTest::newRow("two operators") << "ls > > x"
                                       << "<ls> >x [unreadable]";
    }
    void reads()
    {
        QFETCH(QString, text);
        QFETCH(QString, reading);
        QCOMPARE(describe(ShellCommandReader(text)), reading);
    }
};

QUILLET_TEST_MAIN(ShellCommandReaderTest)
#include "ShellCommandReaderTest.moc"
