#include "launcher/ConversationSession.h"

#include <QCoreApplication>

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

namespace {

qint64 outputCost(const ConversationMessage &message)
{
    if (message.role != ConversationMessage::Role::output)
        return 0;
    return message.content.size() * qint64(sizeof(QChar))
        + (message.rawOutput ? message.rawOutput->size() : 0);
}

} // namespace

qint64 ConversationSession::outputBytes() const
{
    qint64 total = 0;
    for (const ConversationMessage &message : m_messages)
        total += outputCost(message);
    return total;
}

qint64 ConversationSession::releaseOutput(qsizetype index)
{
    if (index < 0 || index >= m_messages.size() || !m_messages[index].rawOutput)
        return 0;
    ConversationMessage &message = m_messages[index];
    const qint64 before = outputCost(message);
    const qint64 dropped = message.rawOutput->size() + message.omittedBytes;
    message.rawOutput.reset();
    message.omittedBytes = 0;
    message.content
        = QCoreApplication::translate("ConversationSession", "(output dropped to save memory: %1 KB)")
              .arg((dropped + 1023) / 1024);
    Q_EMIT messageChanged(index);
    Q_EMIT messagesChanged();
    return before - outputCost(message);
}

void ConversationSession::appendApiMessage(const ChatMessage &message)
{
    m_apiMessages.append(message);
    Q_EMIT apiMessagesChanged();
}

} // namespace quillet
