#include "shortcuts/Localization.h"

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

} // namespace

QString localized(const QString &key)
{
    return table().value(key, key);
}

} // namespace quillet::shortcuts
