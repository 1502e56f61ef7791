#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quillet {

// One word of a shell command as the shell passes it on before expansion:
// quotes removed and escapes resolved, with marks for what the shell would
// still change.
struct ShellWord {
    QString value;
    bool quoted = false; // '...', "..." or $'...' somewhere in the word
    bool escaped = false; // a backslash outside single quotes somewhere in the word
    // A $ expansion, $'...', or a glob or brace character outside quotes: the
    // shell turns the word into something else.
    bool expanded = false;
    // ${...} beyond a plain name, or $[...]: may assign a variable or
    // evaluate arithmetic.
    bool complexExpansion = false;

    bool isPlain() const { return !quoted && !escaped && !expanded; }
    // Written without quotes or escapes, as reserved words must be.
    bool isLiteral() const { return !quoted && !escaped; }
};

struct ShellRedirection {
    // "<", ">", ">>", ">|", "<>", "<&", ">&", "&>", "&>>", "<<", "<<-" or "<<<".
    QString op;
    // The file, descriptor or here-document delimiter; missing when the
    // command ended first.
    std::optional<ShellWord> target;
    // A here-document's body; marked expanded when its delimiter is unquoted.
    std::optional<ShellWord> hereDocument;

    bool isHereDocument() const { return op == u"<<" || op == u"<<-"; }
};

// One simple command: what stands between two of ; & && | || |& ( ) and line
// breaks.
struct ShellSimpleCommand {
    // Leading reserved words that open or close compound commands ("!", "{",
    // "}", "if", "then", "elif", "else", "fi", "while", "until", "do",
    // "done", "esac"); the command follows them.
    QStringList reservedWords;
    // "for", "select", "case" or "function" when the command is such a
    // header: its words then name no program.
    QString header;
    // The words after the reserved words (and after the header word): leading
    // assignments, then the command word and its arguments.
    QList<ShellWord> words;
    QList<ShellRedirection> redirections;
    // A function definition: "name ( )" or the function keyword.
    bool definesFunction = false;

    // The number of leading NAME=value or NAME+=value words.
    qsizetype assignmentCount() const;
    // The word naming the program, after the assignments; null when there is none.
    const ShellWord *commandWord() const;
    // The words after the command word.
    QList<ShellWord> arguments() const;
};

// Whether `word` has the form NAME=value or NAME+=value.
bool isAssignment(const ShellWord &word);

// A reading of shell source for deciding what it would run: every simple
// command (also inside ( ) and { }, after if/then/do, behind & and in
// pipelines) with its words and redirections, here-document bodies set aside,
// comments and line continuations dropped. It does not expand anything; it
// notes where the shell would substitute, and whether it could read the text
// at all. Pure and thread-safe.
class ShellCommandReader {
public:
    explicit ShellCommandReader(const QString &text);

    const QList<ShellSimpleCommand> &commands() const { return m_commands; }
    // Command or process substitution: $( ), $(( )), backticks, <( ), >( ).
    bool substitutes() const { return m_substitutes; }
    // A single & puts a command in the background.
    bool runsInBackground() const { return m_background; }
    // Something this reader does not follow: an unterminated quote or
    // here-document, a trailing backslash, two redirection operators in a
    // row, a parenthesis after a word that starts no function definition.
    bool unreadable() const { return m_unreadable; }
    // Either of the above two: what the text runs cannot be told from it.
    bool doubtful() const { return m_substitutes || m_unreadable; }

private:
    friend class ShellReading;
    QList<ShellSimpleCommand> m_commands;
    bool m_substitutes = false;
    bool m_background = false;
    bool m_unreadable = false;
};

} // namespace quillet
