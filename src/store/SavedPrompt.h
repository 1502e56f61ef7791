#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace quillet {

// A user's own AI prompt.
struct SavedPrompt {
    QUuid id;
    QString name;
    QString icon;
    QString systemPrompt;
    qint64 sortOrder = 0;
    QDateTime createdAt;
    QString modeRaw = QStringLiteral("Replace");

    friend bool operator==(const SavedPrompt &, const SavedPrompt &) = default;
};

} // namespace quillet
