#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quillet::cli {

// What a command's parameter holds; it decides how a value is read from the
// command line, checked when a request arrives, and completed by the shell.
enum class ValueKind {
    flag, // an option without a value
    position, // an entry's position in the history, 1 being the newest
    count, // a whole number from 1
    text, // any text
    mimeType, // a MIME type such as image/png
    bytes, // content bytes (base64 on the wire)
    panelTab, // history or snippets
    file, // a file name, or "-" for standard input or output
};

enum class Placement {
    positional, // an argument on the command line
    option, // --name on the command line
    wire, // only in the request the command line sends
};

struct Parameter {
    QString name; // the option's name and the request's key
    ValueKind kind;
    Placement placement;
    bool required = false;
    // Read by the command line itself and never sent (a file to write, text
    // that travels as bytes).
    bool clientOnly = false;
    QString valueName; // how help shows the value: N, TEXT, MIME
    QString description;
};

enum class Access {
    instance, // needs the running Quillet
    reading, // the running Quillet, else the store opened read-only
};

// One command of `quillet COMMAND`: adding a command (for a new window, say)
// is one entry here and its handler in the running instance.
struct CommandSpec {
    QString name;
    Access access;
    QString summary; // one line, for the list of commands
    QString description; // the paragraph of its help and manual section
    QList<Parameter> parameters;

    QList<Parameter> positionals() const;
    QList<Parameter> options() const;
};

// Every command, in the order help lists them.
const QList<CommandSpec> &commandTable();
const CommandSpec *findCommand(const QString &name);

// The values a panelTab parameter accepts.
const QStringList &panelTabs();
// MIME types the shell offers after --type.
const QStringList &commonMimeTypes();

} // namespace quillet::cli
