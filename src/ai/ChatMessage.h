#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <optional>
#include <variant>

namespace quillet {

// A tool call made by the model. The thought signature, when the model sent
// one, must travel back with the call on later turns: current models reject a
// tool turn whose call lost it.
struct FunctionCall {
    QString name;
    QMap<QString, QString> args;
    QString thoughtSignature;

    friend bool operator==(const FunctionCall &, const FunctionCall &) = default;
};

// The result of a tool call, sent back to the model.
struct FunctionResponse {
    QString name;
    QMap<QString, QString> response;

    friend bool operator==(const FunctionResponse &, const FunctionResponse &) = default;
};

// One piece of a conversation turn: plain text, a call or a call's result.
struct ChatPart {
    std::variant<QString, FunctionCall, FunctionResponse> value;

    static ChatPart text(QString text) { return { std::move(text) }; }
    static ChatPart functionCall(FunctionCall call) { return { std::move(call) }; }
    static ChatPart functionResponse(FunctionResponse response) { return { std::move(response) }; }

    friend bool operator==(const ChatPart &, const ChatPart &) = default;
};

// One conversation turn sent to the model.
struct ChatMessage {
    enum class Role { user, model };

    Role role = Role::user;
    QList<ChatPart> parts;

    friend bool operator==(const ChatMessage &, const ChatMessage &) = default;
};

// "user" / "model", the wire values.
QString rawValue(ChatMessage::Role role);
std::optional<ChatMessage::Role> chatRoleFromRaw(const QString &raw);

} // namespace quillet
