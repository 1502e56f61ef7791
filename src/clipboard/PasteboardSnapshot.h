#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quillet {

// One representation read from the clipboard: a content type and its bytes.
struct TypedContent {
    QString utType;
    QByteArray data;

    friend bool operator==(const TypedContent &, const TypedContent &) = default;
};

// One reading of the clipboard.
struct PasteboardSnapshot {
    qint64 changeCount = 0;
    // Every representation of every item, item by item, each in offered order.
    QList<TypedContent> contents;
    std::optional<QString> sourceAppBundleID;
    std::optional<QString> sourceAppName;
    // Quillet wrote this clipboard itself.
    bool hasSelfMarker = false;
    // A password manager marked the copy as secret.
    bool isSecret = false;

    friend bool operator==(const PasteboardSnapshot &, const PasteboardSnapshot &) = default;
};

} // namespace quillet
