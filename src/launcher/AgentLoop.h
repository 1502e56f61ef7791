#pragma once

#include "launcher/ConversationSession.h"
#include "launcher/PtyExecutor.h"

#include <QList>
#include <QObject>
#include <QString>

#include <QCoroTask>

#include <memory>

namespace quillet {

class AIService;
class ApiKeyStore;
class Defaults;

// Carries launcher conversations through their turns with the model: records
// the user's text, streams the answer into the conversation, gets each
// command the model asks for approved when the policy says so, runs it in a
// pseudo-terminal and reports the result back, until the model answers
// without a call, the stream fails or the user stops it. After the first turn
// of a conversation it asks for a short title; it adds the tokens every reply
// reports to the usage totals.
//
// Each turn runs as a coroutine on the main thread that suspends while it
// waits for the model, for the user's decision or for a command. A
// conversation has at most one live turn: a newer turn replaces the older
// one, which then leaves the conversation alone. Main thread only.
class AgentLoop : public QObject {
    Q_OBJECT
public:
    enum class Turn {
        first, // a new conversation: a title is asked for after the turn
        followUp,
    };

    // All must outlive the loop. Reads the key, "geminiModel" and the
    // approval policies at every turn, and writes the usage totals.
    AgentLoop(AIService &aiService, Defaults &defaults, ApiKeyStore &keyStore, QObject *parent = nullptr);
    // Ends every turn still running: each stops where it is, ends its running
    // command and leaves its conversation as it was.
    ~AgentLoop() override;

    // Starts a turn of `session` with the user's `text`, first stopping a turn
    // still running on it. Without an API key only an error message is
    // recorded.
    void start(const QString &text, const ConversationSessionPtr &session, Turn turn);
    // Ends the running turn of `session`: a command waiting for approval is
    // denied, a running command is ended with everything it started, and the
    // conversation is idle at once; nothing more is added to it.
    void stop(ConversationSession &session);
    // The user's decision on the command `session` waits for; nothing when
    // it waits for none.
    void respondToApproval(ConversationSession &session, bool approved);

    AIService &aiService() const { return m_aiService; }
    // How commands run (tests shorten the time-out).
    void setCommandOptions(const PtyOptions &options) { m_commandOptions = options; }

private:
    QCoro::Task<> run(
        QString text, ConversationSessionPtr session, std::shared_ptr<AgentTask> task, Turn turn);
    QCoro::Task<> runTurn(QString text, ConversationSessionPtr session, std::shared_ptr<AgentTask> task);
    QCoro::Task<> generateTitle(
        QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task);
    void addUsage(qint64 input, qint64 output);

    AIService &m_aiService;
    Defaults &m_defaults;
    ApiKeyStore &m_keyStore;
    PtyOptions m_commandOptions;
    // Every conversation a turn was started on, so the destructor reaches them.
    QList<std::weak_ptr<ConversationSession>> m_sessions;
    bool m_shuttingDown = false;
};

} // namespace quillet
