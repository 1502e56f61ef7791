#include "app/cli/CommandDocs.h"

namespace quillet::cli {

namespace {

constexpr int kWidth = 79;

const QString kIntroduction = QStringLiteral(
    "Quillet keeps a searchable history of what you copy, and snippets, and pastes them back where you "
    "work. Without a command, quillet starts Quillet, or shows the floating panel of the Quillet that is "
    "already running. With a command, it drives the running Quillet from the shell or a desktop "
    "shortcut; the commands that only read (list, get, export, snippets) also work while Quillet is not "
    "running.");
const QString kExitStatus = QStringLiteral(
    "0 on success, 1 on a failure (with a one-line message on standard error), 2 on a usage error.");
const QString kHelpDescription = QStringLiteral("Show this help.");

// `text` broken into lines of at most `width` characters, each after `indent`
// spaces (the first after `firstIndent`).
QString wrap(const QString &text, int indent, int firstIndent = -1)
{
    QString result;
    QString line(firstIndent < 0 ? indent : firstIndent, QLatin1Char(' '));
    bool lineHasWords = false;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (lineHasWords && line.size() + 1 + word.size() > kWidth) {
            result += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
            lineHasWords = false;
        }
        if (lineHasWords)
            line += QLatin1Char(' ');
        line += word;
        lineHasWords = true;
    }
    return result + line + QLatin1Char('\n');
}

QString optionLabel(const Parameter &option)
{
    return option.valueName.isEmpty() ? QStringLiteral("--") + option.name
                                      : QStringLiteral("--%1 %2").arg(option.name, option.valueName);
}

// Two columns: labels, then descriptions aligned after the longest label.
QString columns(const QList<std::pair<QString, QString>> &rows)
{
    qsizetype labelWidth = 0;
    for (const auto &row : rows)
        labelWidth = qMax(labelWidth, row.first.size());
    QString result;
    const int indent = int(labelWidth) + 4;
    for (const auto &[label, description] : rows) {
        result += QStringLiteral("  ") + label.leftJustified(labelWidth + 2)
            + wrap(description, indent).mid(indent);
    }
    return result;
}

QString accessNote(const CommandSpec &command)
{
    return command.access == Access::instance
        ? QStringLiteral("Needs the running Quillet.")
        : QStringLiteral("Reads the store itself when Quillet is not running.");
}

// Roff text: backslashes and hyphens escaped, no line taken for a request.
QString roff(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    escaped.replace(QLatin1Char('-'), QLatin1String("\\-"));
    if (escaped.startsWith(QLatin1Char('.')) || escaped.startsWith(QLatin1Char('\'')))
        escaped.prepend(QLatin1String("\\&"));
    return escaped;
}

QString roffSynopsis(const CommandSpec &command)
{
    QString line = QStringLiteral("\\fBquillet %1\\fR").arg(command.name);
    for (const Parameter &positional : command.positionals()) {
        const QString value = QStringLiteral("\\fI%1\\fR").arg(roff(positional.valueName));
        line += QLatin1Char(' ') + (positional.required ? value : QStringLiteral("[%1]").arg(value));
    }
    for (const Parameter &option : command.options()) {
        line += QStringLiteral(" [\\fB\\-\\-%1\\fR").arg(roff(option.name));
        if (!option.valueName.isEmpty())
            line += QStringLiteral(" \\fI%1\\fR").arg(roff(option.valueName));
        line += QLatin1Char(']');
    }
    return line;
}

} // namespace

QString synopsis(const CommandSpec &command)
{
    QString line = QStringLiteral("quillet ") + command.name;
    for (const Parameter &positional : command.positionals())
        line += QLatin1Char(' ')
            + (positional.required ? positional.valueName : QStringLiteral("[%1]").arg(positional.valueName));
    for (const Parameter &option : command.options())
        line += QStringLiteral(" [%1]").arg(optionLabel(option));
    return line;
}

QString mainHelp()
{
    QString help = QStringLiteral("Usage: quillet [COMMAND [ARGUMENTS]]\n\n") + wrap(kIntroduction, 0);
    QList<std::pair<QString, QString>> commands;
    for (const CommandSpec &command : commandTable())
        commands.append({ synopsis(command).mid(8).section(QLatin1String(" [--"), 0, 0), command.summary });
    help += QStringLiteral("\nCommands:\n") + columns(commands);
    help += QStringLiteral("\nOptions:\n")
        + columns({ { QStringLiteral("-h, --help"),
                        QStringLiteral("Show this help; quillet COMMAND --help shows a command's.") },
            { QStringLiteral("--version"), QStringLiteral("Show Quillet's version.") } });
    help += QLatin1Char('\n') + wrap(QStringLiteral("Exit status: ") + kExitStatus, 0);
    return help;
}

QString commandHelp(const CommandSpec &command)
{
    QString help = QStringLiteral("Usage: %1\n\n").arg(synopsis(command))
        + wrap(command.description + QLatin1Char(' ') + accessNote(command), 0);
    QList<std::pair<QString, QString>> arguments;
    for (const Parameter &positional : command.positionals())
        arguments.append({ positional.valueName, positional.description });
    if (!arguments.isEmpty())
        help += QStringLiteral("\nArguments:\n") + columns(arguments);
    QList<std::pair<QString, QString>> options;
    for (const Parameter &option : command.options())
        options.append({ optionLabel(option), option.description });
    options.append({ QStringLiteral("-h, --help"), kHelpDescription });
    return help + QStringLiteral("\nOptions:\n") + columns(options);
}

QByteArray manPage()
{
    QString page;
    page += QStringLiteral(".TH QUILLET 1 \"\" \"Quillet %1\" \"User Commands\"\n")
                .arg(QStringLiteral(QUILLET_VERSION));
    page += QStringLiteral(".SH NAME\nquillet \\- clipboard history and snippets for the Linux desktop\n");
    page
        += QStringLiteral(".SH SYNOPSIS\n\\fBquillet\\fR\n.br\n\\fBquillet\\fR \\fIcommand\\fR "
                          "[\\fIarguments\\fR]\n.br\n\\fBquillet\\fR [\\fIcommand\\fR] \\fB\\-\\-help\\fR\n");
    page += QStringLiteral(".SH DESCRIPTION\n") + roff(kIntroduction) + QLatin1Char('\n');
    page += QStringLiteral(".SH COMMANDS\n");
    for (const CommandSpec &command : commandTable()) {
        page += QStringLiteral(".TP\n") + roffSynopsis(command) + QLatin1Char('\n');
        page += roff(command.description + QLatin1Char(' ') + accessNote(command)) + QLatin1Char('\n');
        QList<Parameter> described = command.positionals() + command.options();
        if (described.isEmpty())
            continue;
        page += QStringLiteral(".RS\n");
        for (const Parameter &parameter : described) {
            page += QStringLiteral(".TP\n");
            if (parameter.placement == Placement::positional)
                page += QStringLiteral("\\fI%1\\fR\n").arg(roff(parameter.valueName));
            else if (parameter.valueName.isEmpty())
                page += QStringLiteral("\\fB\\-\\-%1\\fR\n").arg(roff(parameter.name));
            else
                page += QStringLiteral("\\fB\\-\\-%1\\fR \\fI%2\\fR\n")
                            .arg(roff(parameter.name), roff(parameter.valueName));
            page += roff(parameter.description) + QLatin1Char('\n');
        }
        page += QStringLiteral(".RE\n");
    }
    page += QStringLiteral(
        ".SH OPTIONS\n.TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nShow the help of quillet or of "
        "a command.\n.TP\n\\fB\\-\\-version\\fR\nShow Quillet's version.\n");
    page += QStringLiteral(".SH EXIT STATUS\n") + roff(kExitStatus) + QLatin1Char('\n');
    page
        += QStringLiteral(".SH EXAMPLES\n"
                          ".nf\n"
                          "quillet list \\-\\-limit 10\n"
                          "quillet get 1 > last\\-copy.txt\n"
                          "quillet get 2 \\-\\-type image/png > picture.png\n"
                          "date | quillet add\n"
                          "quillet list \\-\\-json | jq \\-r '.[] | select(.isPinned) | .title'\n"
                          "quillet export \\- > history.json\n"
                          ".fi\n"
                          ".SH FILES\n"
                          ".TP\n\\fI$XDG_DATA_HOME/Quillet/Quillet.store\\fR\n"
                          "The history, snippets and saved prompts (SQLite).\n"
                          ".TP\n\\fI$XDG_CONFIG_HOME/Quillet/Quillet.conf\\fR\nThe preferences.\n"
                          ".TP\n\\fI$XDG_RUNTIME_DIR/app.quillet.Quillet$DISPLAY.socket\\fR\n"
                          "The socket the running Quillet answers commands on; only its user may connect.\n");
    return page.toUtf8();
}

QByteArray bashCompletion()
{
    QStringList names;
    QString cases;
    for (const CommandSpec &command : commandTable()) {
        names.append(command.name);
        QStringList words { QStringLiteral("--help") };
        bool takesFile = false;
        for (const Parameter &option : command.options())
            words.append(QStringLiteral("--") + option.name);
        for (const Parameter &positional : command.positionals()) {
            if (positional.kind == ValueKind::panelTab) {
                words += panelTabs();
            } else if (positional.kind == ValueKind::file) {
                takesFile = true;
                words.append(QStringLiteral("-"));
            }
        }
        cases += QStringLiteral("        %1) words=\"%2\"%3 ;;\n")
                     .arg(command.name, words.join(QLatin1Char(' ')),
                         takesFile ? QStringLiteral(" files=1") : QString());
    }
    QString script
        = QStringLiteral("# bash completion for quillet, written by quillet --bash-completion\n"
                         "_quillet()\n"
                         "{\n"
                         "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                         "    local words=\"\" files=0\n"
                         "    COMPREPLY=()\n"
                         "    if (( COMP_CWORD == 1 )); then\n"
                         "        COMPREPLY=( $(compgen -W \"%1 --help --version\" -- \"$cur\") )\n"
                         "        return\n"
                         "    fi\n"
                         "    case \"$prev\" in\n"
                         "        --type) COMPREPLY=( $(compgen -W \"%2\" -- \"$cur\") ); return ;;\n"
                         "        --limit|--query) return ;;\n"
                         "    esac\n"
                         "    case \"${COMP_WORDS[1]}\" in\n"
                         "%3"
                         "    esac\n"
                         "    COMPREPLY=( $(compgen -W \"$words\" -- \"$cur\") )\n"
                         "    if (( files )) && [[ $cur != -?* ]]; then\n"
                         "        COMPREPLY+=( $(compgen -f -- \"$cur\") )\n"
                         "    fi\n"
                         "}\n"
                         "complete -F _quillet quillet\n")
              .arg(names.join(QLatin1Char(' ')), commonMimeTypes().join(QLatin1Char(' ')), cases);
    return script.toUtf8();
}

} // namespace quillet::cli
