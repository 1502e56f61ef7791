#include "store/HistoryExport.h"

#include "store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace quillet {

std::optional<QByteArray> historyExportDocument(Store &store, const QStringList &secrets)
{
    const auto redacted = [&secrets](QString text) {
        for (const QString &secret : secrets) {
            if (!secret.isEmpty())
                text.replace(secret, QStringLiteral("[redacted]"));
        }
        return text;
    };
    const auto items = store.itemsByCreatedAt();
    if (!items)
        return std::nullopt;
    QJsonArray records;
    for (const ClipboardItem &item : *items) {
        QJsonObject record;
        record.insert(QStringLiteral("title"), redacted(item.title));
        record.insert(QStringLiteral("contentType"), item.contentTypeRaw);
        record.insert(QStringLiteral("createdAt"), double(item.createdAt.toMSecsSinceEpoch()) / 1000.0);
        record.insert(QStringLiteral("isPinned"), item.isPinned);
        if (item.sourceAppName)
            record.insert(QStringLiteral("sourceApp"), redacted(*item.sourceAppName));
        records.append(record);
    }
    return QJsonDocument(records).toJson(QJsonDocument::Indented);
}

std::optional<QString> writeHistoryExport(const QByteArray &document, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return file.errorString();
    if (file.write(document) != document.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace quillet
