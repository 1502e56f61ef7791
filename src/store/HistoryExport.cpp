#include "store/HistoryExport.h"

#include "store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillet {

QByteArray historyExportDocument(Store &store)
{
    QJsonArray records;
    for (const ClipboardItem &item : store.itemsByCreatedAt()) {
        QJsonObject record;
        record.insert(QStringLiteral("title"), item.title);
        record.insert(QStringLiteral("contentType"), item.contentTypeRaw);
        record.insert(QStringLiteral("createdAt"), double(item.createdAt.toMSecsSinceEpoch()) / 1000.0);
        record.insert(QStringLiteral("isPinned"), item.isPinned);
        if (item.sourceAppName)
            record.insert(QStringLiteral("sourceApp"), *item.sourceAppName);
        records.append(record);
    }
    return QJsonDocument(records).toJson(QJsonDocument::Indented);
}

} // namespace quillet
