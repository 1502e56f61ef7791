#pragma once

#include "ai/ChatMessage.h"
#include "launcher/AgentTask.h"
#include "launcher/ConversationMessage.h"
#include "launcher/LauncherMode.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <memory>

namespace quillet {

// One launcher conversation: what the view shows, the history sent to the
// model, and the handles of the loop working on it.
//
// Conversations are shared by reference (the same object is in the list and on
// screen, and a running loop keeps its conversation alive), so they are held
// by ConversationSessionPtr and have no QObject parent. Main thread only.
class ConversationSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(quillet::LauncherMode mode READ mode CONSTANT)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QList<quillet::ConversationMessage> messages READ messages NOTIFY messagesChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing WRITE setIsProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(
        bool awaitingApproval READ awaitingApproval WRITE setAwaitingApproval NOTIFY awaitingApprovalChanged)
    Q_PROPERTY(QList<quillet::ChatMessage> apiMessages READ apiMessages NOTIFY apiMessagesChanged)
    Q_PROPERTY(QDateTime createdAt READ createdAt CONSTANT)

public:
    ConversationSession(
        LauncherMode mode, QString title, QDateTime createdAt = QDateTime::currentDateTimeUtc());
    // Cancels the loop, should one still be registered.
    ~ConversationSession() override;

    QUuid id() const { return m_id; }
    LauncherMode mode() const { return m_mode; }
    QString title() const { return m_title; }
    QList<ConversationMessage> messages() const { return m_messages; }
    bool isProcessing() const { return m_isProcessing; }
    bool awaitingApproval() const { return m_awaitingApproval; }
    QList<ChatMessage> apiMessages() const { return m_apiMessages; }
    QDateTime createdAt() const { return m_createdAt; }

    void setTitle(const QString &title);
    void setIsProcessing(bool processing);
    void setAwaitingApproval(bool awaiting);

    void appendMessage(const ConversationMessage &message);
    // Adds `text` to the content of the message with `id`, if it is still there.
    void appendToMessage(const QUuid &id, const QString &text);
    // Removes every message of `role`, wherever it stands.
    void removeMessages(ConversationMessage::Role role);
    void appendApiMessage(const ChatMessage &message);

    // Memory held for what commands printed: the raw bytes and the text of
    // every output message.
    qint64 outputBytes() const;
    // Drops what the output message at `index` holds and leaves a note of how
    // much was dropped in its place; returns the bytes freed. The history
    // sent to the model is kept.
    qint64 releaseOutput(qsizetype index);

    // The loop currently working on the conversation (not observed).
    std::shared_ptr<AgentTask> task() const { return m_task; }
    void setTask(std::shared_ptr<AgentTask> task) { m_task = std::move(task); }

    // The loop's wait for the user's decision, while there is one (not observed).
    std::shared_ptr<ApprovalWaiter> approvalContinuation() const { return m_approvalContinuation; }
    void setApprovalContinuation(std::shared_ptr<ApprovalWaiter> waiter)
    {
        m_approvalContinuation = std::move(waiter);
    }
    std::shared_ptr<ApprovalWaiter> takeApprovalContinuation()
    {
        return std::exchange(m_approvalContinuation, {});
    }

Q_SIGNALS:
    void titleChanged();
    // After any change of `messages`; each change also tells which row it
    // touched, so a view redraws that row alone.
    void messagesChanged();
    void messageAppended(qsizetype index);
    // The content of the message at `index` grew (a streamed chunk).
    void messageChanged(qsizetype index);
    // The message that stood at `index` is gone; several removals arrive from
    // the last row to the first.
    void messageRemoved(qsizetype index);
    void isProcessingChanged();
    void awaitingApprovalChanged();
    void apiMessagesChanged();

private:
    const QUuid m_id = QUuid::createUuid();
    const LauncherMode m_mode;
    QString m_title;
    QList<ConversationMessage> m_messages;
    bool m_isProcessing = false;
    bool m_awaitingApproval = false;
    QList<ChatMessage> m_apiMessages;
    const QDateTime m_createdAt;
    std::shared_ptr<AgentTask> m_task;
    std::shared_ptr<ApprovalWaiter> m_approvalContinuation;
};

using ConversationSessionPtr = std::shared_ptr<ConversationSession>;

} // namespace quillet
