#include "shortcuts/Localization.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace quillet::shortcuts {

namespace {

const QString kBundle = QStringLiteral(":/KeyboardShortcuts_KeyboardShortcuts/");

QHash<QString, QString> readTable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QString> table;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        table.insert(it.key(), it.value().toString());
    return table;
}

const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> texts = [] {
        QHash<QString, QString> merged = readTable(kBundle + QStringLiteral("en.json"));
        const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
        const QHash<QString, QString> local = readTable(kBundle + language + QStringLiteral(".json"));
        for (auto it = local.begin(); it != local.end(); ++it)
            merged.insert(it.key(), it.value());
        return merged;
    }();
    return texts;
}

// The bundle's English texts, for lupdate: Qt's catalogues translate them
// like every other text of the interface.
[[maybe_unused]] const char *const kTranslatable[] = {
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "space"),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "Record Shortcut"),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "Press a shortcut"),
    QT_TRANSLATE_NOOP("KeyboardShortcuts",
        "This keyboard shortcut is already used for “%1” in applications; as a global shortcut it would stop "
        "working there."),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "A keyboard shortcut needs a modifier other than Alt."),
    QT_TRANSLATE_NOOP(
        "KeyboardShortcuts", "This keyboard shortcut is already used by the system or another application."),
    QT_TRANSLATE_NOOP("KeyboardShortcuts",
        "You can change the desktop's shortcuts in your desktop environment's keyboard settings."),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "OK"),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "Use Anyway"),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "Set in Desktop..."),
    QT_TRANSLATE_NOOP("KeyboardShortcuts", "Not Assigned"),
};

} // namespace

QString localized(const QString &key)
{
    const auto text = table().constFind(key);
    if (text == table().constEnd())
        return key;
    return QCoreApplication::translate("KeyboardShortcuts", text->toUtf8().constData());
}

} // namespace quillet::shortcuts
