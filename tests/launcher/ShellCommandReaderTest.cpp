#include "launcher/ShellCommandReader.h"
#include "support/TestEnvironment.h"

using namespace quillet;
using namespace Qt::StringLiterals;

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

        QTest::newRow("words") << u"ls -la ~/x  # rm x"_s << u"<ls> -la ~/x"_s;
        QTest::newRow("assignments come first") << u"a=1 b+=2 env x=y"_s << u"a=1 b+=2 <env> x=y"_s;
        QTest::newRow("separators") << u"a && b || c; d | e |& f\ng"_s
                                    << u"<a> ; <b> ; <c> ; <d> ; <e> ; <f> ; <g>"_s;
        QTest::newRow("compound commands")
            << u"if true; then { ls; }; fi"_s << u"‹if› <true> ; ‹then› ‹{› <ls> ; ‹}› ; ‹fi›"_s;
        QTest::newRow("for header") << u"for f in *.txt; do wc -l \"$f\"; done"_s
                                    << u"«for» f in *.txt~ ; ‹do› <wc> -l $f~' ; ‹done›"_s;
        QTest::newRow("function keyword")
            << u"function f { rm -rf ~; }; f"_s << u"«function» f () ; ‹{› <rm> -rf ~ ; ‹}› ; <f>"_s;
        QTest::newRow("function parentheses") << u"f () { ls; }"_s << u"<f> () ; ‹{› <ls> ; ‹}›"_s;
        QTest::newRow("reserved word as argument") << u"echo done"_s << u"<echo> done"_s;
        QTest::newRow("double-quote escapes")
            << u"echo \"a\\nb \\$x \\\"q\\\"\""_s << u"<echo> a\\nb $x \"q\"'"_s;
        QTest::newRow("escapes outside quotes") << u"\\r\\m x"_s << u"<rm\\> x"_s;
        QTest::newRow("line continuation") << u"l\\\ns \\\n-la"_s << u"<ls> -la"_s;
        QTest::newRow("ANSI-C quoting decoded")
            << u"$'\\x72m\\0551\\ca\\u00e9\\q' x"_s << u"<rm-1\x01é\\q~'> x"_s;
        QTest::newRow("parameters") << u"echo ${HOME} ${x:=1} $[1] $1"_s
                                    << u"<echo> ${HOME}~ ${x:=1}~! $[1]~! $1~"_s;
        QTest::newRow("redirections")
            << u"ls 2>&1 >/dev/null <in &>>log | head"_s << u"<ls> >&1 >/dev/null <in &>>log ; <head>"_s;
        QTest::newRow("descriptor needs no space") << u"echo 2 > x"_s << u"<echo> 2 >x"_s;
        QTest::newRow("here-document set aside")
            << u"cat <<EOF\nrm x\n$HOME\nEOF\nls"_s << u"<cat> <<EOF{rm x\n$HOME\n~} ; <ls>"_s;
        QTest::newRow("quoted delimiter expands nothing")
            << u"cat <<'EOF'\n$(rm x)\nEOF"_s << u"<cat> <<EOF'{$(rm x)\n}"_s;
        QTest::newRow("substitution in a here-document")
            << u"cat <<EOF\n$(rm x)\nEOF"_s << u"[substitutes]"_s;
        QTest::newRow("tabs stripped") << u"cat <<-EOF\n\tx\n\tEOF\n"_s << u"<cat> <<-EOF{x\n~}"_s;
        // bash joins continued lines before it looks for the delimiter, but
        // not under a quoted one.
        QTest::newRow("delimiter split by a continuation")
            << u"cat <<EOF\nx\nEO\\\nF\ntouch y"_s << u"<cat> <<EOF{x\n~} ; <touch> y"_s;
        QTest::newRow("quoted delimiter joins nothing")
            << u"cat <<'EOF'\nEO\\\nF\nEOF"_s << u"<cat> <<EOF'{EO\\\nF\n}"_s;
        QTest::newRow("here-document without end")
            << u"cat <<EOF\nx"_s << u"<cat> <<EOF{x\n~} [unreadable]"_s;
        QTest::newRow("command substitution") << u"echo $(rm x)"_s << u"[substitutes]"_s;
        QTest::newRow("backticks in quotes") << u"echo \"`id`\""_s << u"[substitutes]"_s;
        QTest::newRow("process substitution") << u"diff <(ls) x"_s << u"[substitutes]"_s;
        QTest::newRow("background") << u"sleep 1 & ls"_s << u"<sleep> 1 ; <ls> [background]"_s;
        QTest::newRow("unterminated quote") << u"echo 'oops"_s << u"<echo> ' [unreadable]"_s;
        QTest::newRow("trailing backslash") << u"ls \\"_s << u"<ls> [unreadable]"_s;
        QTest::newRow("parenthesis after a word") << u"echo (x)"_s << u"<echo> ; <x> [unreadable]"_s;
        QTest::newRow("two operators") << u"ls > > x"_s << u"<ls> >x [unreadable]"_s;
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
