#include "app/cli/CommandTable.h"

namespace quillet::cli {

namespace {

Parameter position()
{
    return { QStringLiteral("position"), ValueKind::position, Placement::positional, true, false,
        QStringLiteral("N"),
        QStringLiteral("The entry's position in the history as quillet list shows it, 1 being the newest.") };
}

Parameter jsonFlag(const QString &what)
{
    return { QStringLiteral("json"), ValueKind::flag, Placement::option, false, false, QString(), what };
}

CommandSpec onEntry(const QString &name, const QString &summary, const QString &description)
{
    return { name, Access::instance, summary, description, { position() } };
}

QList<CommandSpec> makeTable()
{
    return {
        { QStringLiteral("show"), Access::instance,
            QStringLiteral("Show the floating panel, on the history or the snippets"),
            QStringLiteral("Shows the floating panel near the pointer, or brings a shown one to the front. "
                           "Without a list named, the panel shows the list it showed last."),
            { { QStringLiteral("tab"), ValueKind::panelTab, Placement::positional, false, false,
                QStringLiteral("history|snippets"), QStringLiteral("The list the panel shows.") } } },
        { QStringLiteral("toggle"), Access::instance,
            QStringLiteral("Show the floating panel, or hide it when it is shown"),
            QStringLiteral("Shows the floating panel, or hides it when it is shown: the command to bind to "
                           "a desktop shortcut where Quillet cannot grab global keys itself (GNOME and "
                           "KDE on Wayland)."),
            {} },
        { QStringLiteral("ai"), Access::instance, QStringLiteral("Open the AI panel on the selected text"),
            QStringLiteral("Reads the text selected in the window in front and opens the AI panel beside the "
                           "pointer, as the AI transform shortcut does."),
            {} },
        { QStringLiteral("launcher"), Access::instance, QStringLiteral("Show the launcher, or close it"),
            QStringLiteral("Shows the launcher, or closes it when it is shown, as the launcher shortcut "
                           "does."),
            {} },
        { QStringLiteral("settings"), Access::instance, QStringLiteral("Open the settings window"),
            QStringLiteral("Opens the settings window, or brings it to the front."), {} },
        { QStringLiteral("quit"), Access::instance, QStringLiteral("End the running Quillet"),
            QStringLiteral("Ends the running Quillet, as Quit in its menu does."), {} },
        { QStringLiteral("list"), Access::reading, QStringLiteral("List the history, newest first"),
            QStringLiteral("Lists the history, most recently used first: each entry's position, a * for "
                           "a pinned entry, its kind, title, source application and when it was last "
                           "used. The positions are those the other commands take."),
            { jsonFlag(QStringLiteral("Print a JSON array of the entries' stored fields (dates in ISO "
                                      "8601, no content).")),
                { QStringLiteral("limit"), ValueKind::count, Placement::option, false, false,
                    QStringLiteral("N"), QStringLiteral("List at most N entries.") },
                { QStringLiteral("query"), ValueKind::text, Placement::option, false, false,
                    QStringLiteral("TEXT"),
                    QStringLiteral("List only entries whose title contains TEXT, ignoring case (as "
                                   "the panel's search does).") } } },
        { QStringLiteral("get"), Access::reading, QStringLiteral("Print an entry's content"),
            QStringLiteral("Writes an entry's content to standard output as it is stored, byte for "
                           "byte: its plain text, or the representation of the type given."),
            { position(),
                { QStringLiteral("type"), ValueKind::mimeType, Placement::option, false, false,
                    QStringLiteral("MIME"),
                    QStringLiteral("The type to write, such as text/html or image/png (default: "
                                   "plain text). Binary types are written as raw bytes.") } } },
        onEntry(QStringLiteral("copy"), QStringLiteral("Put an entry on the clipboard"),
            QStringLiteral("Puts an entry back on the clipboard with all its types and makes it the "
                           "newest, without pasting it.")),
        onEntry(QStringLiteral("paste"), QStringLiteral("Paste an entry into the active window"),
            QStringLiteral("Puts an entry on the clipboard and pastes it into the window that is active "
                           "now, as choosing it in the panel does.")),
        onEntry(QStringLiteral("pin"), QStringLiteral("Pin an entry"),
            QStringLiteral("Pins an entry: pinned entries are kept when the history is trimmed to its "
                           "size or cleared.")),
        onEntry(QStringLiteral("unpin"), QStringLiteral("Unpin an entry"),
            QStringLiteral("Unpins an entry, so it is trimmed and cleared like the others.")),
        onEntry(QStringLiteral("delete"), QStringLiteral("Delete an entry"),
            QStringLiteral("Deletes one entry, pinned or not.")),
        { QStringLiteral("clear"), Access::instance, QStringLiteral("Delete every unpinned entry"),
            QStringLiteral("Deletes every unpinned entry, as Clear in the tray popup does. Pinned entries "
                           "and snippets stay."),
            {} },
        { QStringLiteral("add"), Access::instance, QStringLiteral("Add an entry and put it on the clipboard"),
            QStringLiteral("Adds TEXT, or what standard input holds when no TEXT is given, to the "
                           "history as a copy would, and puts it on the clipboard."),
            { { QStringLiteral("text"), ValueKind::text, Placement::positional, false, true,
                  QStringLiteral("TEXT"), QStringLiteral("The text to add.") },
                { QStringLiteral("type"), ValueKind::mimeType, Placement::option, false, false,
                    QStringLiteral("MIME"),
                    QStringLiteral("The content's type, such as image/png (default: UTF-8 text).") },
                { QStringLiteral("no-copy"), ValueKind::flag, Placement::option, false, false, QString(),
                    QStringLiteral("Only add the entry; leave the clipboard as it is.") },
                { QStringLiteral("data"), ValueKind::bytes, Placement::wire, true, false, QString(),
                    QString() } } },
        { QStringLiteral("export"), Access::reading, QStringLiteral("Export the history as JSON"),
            QStringLiteral("Writes the history to FILE as the settings window's export does: a JSON "
                           "array of the entries' titles, kinds, creation times, pin states and source "
                           "applications, newest first."),
            { { QStringLiteral("file"), ValueKind::file, Placement::positional, true, true,
                QStringLiteral("FILE"), QStringLiteral("The file to write, or - for standard output.") } } },
        { QStringLiteral("snippets"), Access::reading, QStringLiteral("List the snippets"),
            QStringLiteral("Lists the snippets by folder, with the start of their text."),
            { jsonFlag(QStringLiteral("Print a JSON array of the snippets' stored fields.")) } },
    };
}

} // namespace

QList<Parameter> CommandSpec::positionals() const
{
    QList<Parameter> found;
    for (const Parameter &parameter : parameters) {
        if (parameter.placement == Placement::positional)
            found.append(parameter);
    }
    return found;
}

QList<Parameter> CommandSpec::options() const
{
    QList<Parameter> found;
    for (const Parameter &parameter : parameters) {
        if (parameter.placement == Placement::option)
            found.append(parameter);
    }
    return found;
}

const QList<CommandSpec> &commandTable()
{
    static const QList<CommandSpec> table = makeTable();
    return table;
}

const CommandSpec *findCommand(const QString &name)
{
    for (const CommandSpec &command : commandTable()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

const QStringList &panelTabs()
{
    static const QStringList tabs { QStringLiteral("history"), QStringLiteral("snippets") };
    return tabs;
}

const QStringList &commonMimeTypes()
{
    static const QStringList types { QStringLiteral("text/plain"), QStringLiteral("text/html"),
        QStringLiteral("text/rtf"), QStringLiteral("text/uri-list"), QStringLiteral("image/png"),
        QStringLiteral("image/jpeg"), QStringLiteral("image/gif"), QStringLiteral("image/bmp"),
        QStringLiteral("image/tiff") };
    return types;
}

} // namespace quillet::cli
