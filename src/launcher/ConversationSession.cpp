#include "launcher/ConversationSession.h"

namespace quillet {

ConversationSession::ConversationSession(LauncherMode mode, QString title, QDateTime createdAt)
    : m_mode(mode)
    , m_title(std::move(title))
    , m_createdAt(std::move(createdAt))
{
}

ConversationSession::~ConversationSession()
{
    if (m_task)
        m_task->cancel();
}

void ConversationSession::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged();
}

void ConversationSession::setIsProcessing(bool processing)
{
    if (m_isProcessing == processing)
        return;
    m_isProcessing = processing;
    Q_EMIT isProcessingChanged();
}

void ConversationSession::setAwaitingApproval(bool awaiting)
{
    if (m_awaitingApproval == awaiting)
        return;
    m_awaitingApproval = awaiting;
    Q_EMIT awaitingApprovalChanged();
}

void ConversationSession::appendMessage(const ConversationMessage &message)
{
    m_messages.append(message);
    Q_EMIT messageAppended(m_messages.size() - 1);
    Q_EMIT messagesChanged();
}

void ConversationSession::appendToMessage(const QUuid &id, const QString &text)
{
    if (text.isEmpty())
        return;
    // The message being streamed into is almost always the last one.
    for (qsizetype index = m_messages.size() - 1; index >= 0; --index) {
        if (m_messages[index].id == id) {
            m_messages[index].content += text;
            Q_EMIT messageChanged(index);
            Q_EMIT messagesChanged();
            return;
        }
    }
}

void ConversationSession::removeMessages(ConversationMessage::Role role)
{
    bool removed = false;
    for (qsizetype index = m_messages.size() - 1; index >= 0; --index) {
        if (m_messages[index].role != role)
            continue;
        m_messages.removeAt(index);
        removed = true;
        Q_EMIT messageRemoved(index);
    }
    if (removed)
        Q_EMIT messagesChanged();
}

void ConversationSession::appendApiMessage(const ChatMessage &message)
{
    m_apiMessages.append(message);
    Q_EMIT apiMessagesChanged();
}

} // namespace quillet
