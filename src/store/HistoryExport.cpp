#include "store/HistoryExport.h"

#include "store/Store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillet {

std::optional<QByteArray> historyExportDocument(Store &store)
{
    const auto items = store.itemsByCreatedAt();
    if (!items)
        return std::nullopt;
    QJsonArray records;
    for (const ClipboardItem &item : *items) {
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
