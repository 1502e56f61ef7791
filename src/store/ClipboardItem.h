#pragma once

#include "store/ContentType.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace quillet {

// One history entry. Its thumbnail is payload: Store::insertItem takes it and
// Store::itemThumbnail reads it, so lists never load it.
struct ClipboardItem {
    QUuid id;
    QDateTime createdAt;
    QDateTime lastUsedAt;
    qint64 useCount = 0;
    std::optional<QString> sourceAppBundleID;
    std::optional<QString> sourceAppName;
    QString title;
    QString contentTypeRaw;
    bool isPinned = false;
    std::optional<QString> contentHash;

    // The parsed contentTypeRaw; anything unknown reads as generic.
    ContentType contentType() const
    {
        return contentTypeFromRaw(contentTypeRaw).value_or(ContentType::generic);
    }

    friend bool operator==(const ClipboardItem &, const ClipboardItem &) = default;
};

} // namespace quillet
