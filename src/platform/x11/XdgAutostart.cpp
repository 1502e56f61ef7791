#include "platform/x11/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <glib.h>

namespace quillet::x11 {

namespace {

QString userAutostartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart");
}

// The entry installed system-wide, if any (the first of $XDG_CONFIG_DIRS).
QString systemEntry()
{
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    for (const QString &folder : folders) {
        const QString path = folder + QStringLiteral("/autostart/") + XdgAutostart::kFileName;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

// Whether the entry at `path` starts the application at login.
bool startsAtLogin(const QString &path)
{
    GKeyFile *file = g_key_file_new();
    const QByteArray encoded = QFile::encodeName(path);
    bool enabled = false;
    if (g_key_file_load_from_file(file, encoded.constData(), G_KEY_FILE_NONE, nullptr)
        && g_key_file_has_group(file, G_KEY_FILE_DESKTOP_GROUP)) {
        auto flag = [&](const char *key, bool absent) {
            GError *error = nullptr;
            const bool value = g_key_file_get_boolean(file, G_KEY_FILE_DESKTOP_GROUP, key, &error);
            if (error) {
                g_error_free(error);
                return absent;
            }
            return value;
        };
        enabled = !flag(G_KEY_FILE_DESKTOP_KEY_HIDDEN, false) && flag("X-GNOME-Autostart-enabled", true);
    }
    g_key_file_free(file);
    return enabled;
}

// Escapes a string value of a desktop entry (backslash sequences).
QString escapedValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QLatin1String("\\s"));
    return out;
}

} // namespace

XdgAutostart::XdgAutostart(QString program)
    : m_program(program.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(program))
{
}

QString XdgAutostart::filePath() const
{
    return userAutostartFolder() + QLatin1Char('/') + kFileName;
}

LoginItems::Status XdgAutostart::status()
{
    // The user's entry, when there is one, decides; otherwise a system one.
    const QString user = filePath();
    if (QFileInfo::exists(user))
        return startsAtLogin(user) ? Status::enabled : Status::notRegistered;
    const QString system = systemEntry();
    if (!system.isEmpty() && startsAtLogin(system))
        return Status::enabled;
    return Status::notRegistered;
}

QString XdgAutostart::execValue(const QString &program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString argument = program;
    // Control characters are quoted too: parsers count some of them as spaces.
    const auto needsQuotes
        = [](QChar c) { return reserved.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f; };
    if (std::any_of(program.begin(), program.end(), needsQuotes)) {
        argument.clear();
        for (const QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                || c == QLatin1Char('\\'))
                argument += QLatin1Char('\\');
            argument += c;
        }
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    }
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapedValue(argument);
}

bool XdgAutostart::writeEntry(bool hidden, QString *error)
{
    const QString folder = userAutostartFolder();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Could not create the folder “%1”.").arg(folder);
        return false;
    }
    QSaveFile file(filePath());
    QByteArray content = "[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=Quillet\n"
                         "Comment=Clipboard history, snippets, AI text transforms and a launcher\n";
    content += "Exec=" + execValue(m_program).toUtf8() + '\n';
    content += "Icon=app.quillet.Quillet\n"
               "Terminal=false\n";
    content += hidden ? "Hidden=true\n" : "X-GNOME-Autostart-enabled=true\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Could not write “%1”: %2").arg(filePath(), file.errorString());
        return false;
    }
    return true;
}

bool XdgAutostart::registerApp(QString *error)
{
    return writeEntry(false, error);
}

bool XdgAutostart::unregisterApp(QString *error)
{
    // A system-wide entry is switched off by a hidden user entry; deleting
    // the user's file would bring it back.
    if (!systemEntry().isEmpty())
        return writeEntry(true, error);
    QFile file(filePath());
    if (!QFileInfo::exists(file.fileName()) && !QFileInfo(file.fileName()).isSymLink())
        return true;
    if (!file.remove()) {
        if (error)
            *error = QStringLiteral("Could not remove “%1”: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

} // namespace quillet::x11
