#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>

namespace quillet {

// One typed representation of a history entry (or, unsaved, of a snippet
// being pasted).
struct ClipboardContent {
    // Read back from the store, derived from the entry and the position there.
    QUuid id;
    QString utTypeIdentifier;
    std::optional<QByteArray> data;
    std::optional<QByteArray> thumbnailData;
    std::optional<QString> textPreview;
    qint64 dataSize = 0;
    std::optional<QUuid> item;

    friend bool operator==(const ClipboardContent &, const ClipboardContent &) = default;
};

} // namespace quillet
