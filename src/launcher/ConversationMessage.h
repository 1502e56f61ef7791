#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>

namespace quillet {

// One row of a launcher conversation as the view shows it.
struct ConversationMessage {
    enum class Role {
        user, // what the user asked
        assistant, // the model's answer; grows while it streams
        command, // a command about to run
        pendingApproval, // a command waiting for the user's decision
        output, // what a command printed
        error, // a failure or a denied command
    };

    QUuid id = QUuid::createUuid();
    Role role = Role::user;
    QString content;
    // The raw terminal bytes of a command; only on output messages.
    std::optional<QByteArray> rawOutput;
    // On command messages: it ran unasked in the sandbox ("read-only"), not
    // with the user's approval.
    bool sandboxed = false;
    // Bytes of output that came before rawOutput and were not kept.
    qint64 omittedBytes = 0;

    static ConversationMessage make(Role role, QString content, std::optional<QByteArray> rawOutput = {})
    {
        ConversationMessage message;
        message.role = role;
        message.content = std::move(content);
        message.rawOutput = std::move(rawOutput);
        return message;
    }

    friend bool operator==(const ConversationMessage &, const ConversationMessage &) = default;
};

} // namespace quillet
