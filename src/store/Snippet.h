#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace quillet {

// A stored clip. Its content bytes are payload: Store::insertSnippet takes them
// and Store::snippetContentData reads them; hasContentData tells lists whether
// there is anything to paste.
struct Snippet {
    QUuid id;
    QString title;
    qint64 sortOrder = 0;
    QString contentUTType;
    std::optional<QString> textContent;
    std::optional<QByteArray> hotkeyData;
    QDateTime createdAt;
    std::optional<QUuid> folder;
    bool hasContentData = false;

    friend bool operator==(const Snippet &, const Snippet &) = default;
};

} // namespace quillet
