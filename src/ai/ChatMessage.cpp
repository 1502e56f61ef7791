#include "ai/ChatMessage.h"

namespace quillet {

QString rawValue(ChatMessage::Role role)
{
    return role == ChatMessage::Role::model ? QStringLiteral("model") : QStringLiteral("user");
}

std::optional<ChatMessage::Role> chatRoleFromRaw(const QString &raw)
{
    if (raw == QLatin1String("user"))
        return ChatMessage::Role::user;
    if (raw == QLatin1String("model"))
        return ChatMessage::Role::model;
    return std::nullopt;
}

} // namespace quillet
