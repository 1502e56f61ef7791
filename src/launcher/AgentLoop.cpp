#include "launcher/AgentLoop.h"

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "launcher/AgentRequest.h"
#include "launcher/CommandApproval.h"

#include <QCoroFuture>
#include <QPointer>

namespace quillet {

namespace {

ChatMessage userText(const QString &text)
{
    return ChatMessage { ChatMessage::Role::user, { ChatPart::text(text) } };
}

ChatMessage functionResponse(const QString &name, const QMap<QString, QString> &response)
{
    return ChatMessage { ChatMessage::Role::user,
        { ChatPart::functionResponse(FunctionResponse { name, response }) } };
}

// The call of the last model turn when nothing answered it: a turn replaced
// while its command ran leaves one behind, and the service rejects every later
// turn of a history whose call has no response.
std::optional<FunctionCall> unansweredCall(const QList<ChatMessage> &history)
{
    if (history.isEmpty() || history.last().role != ChatMessage::Role::model)
        return std::nullopt;
    for (const ChatPart &part : history.last().parts) {
        if (const auto *call = std::get_if<FunctionCall>(&part.value))
            return *call;
    }
    return std::nullopt;
}

} // namespace

AgentLoop::AgentLoop(AIService &aiService, Defaults &defaults, ApiKeyStore &keyStore, QObject *parent)
    : QObject(parent)
    , m_aiService(aiService)
    , m_defaults(defaults)
    , m_keyStore(keyStore)
{
}

AgentLoop::~AgentLoop()
{
    m_shuttingDown = true;
    for (const std::weak_ptr<ConversationSession> &weak : std::as_const(m_sessions)) {
        const ConversationSessionPtr session = weak.lock();
        if (!session)
            continue;
        if (auto task = session->task())
            task->cancel();
        if (auto waiter = session->takeApprovalContinuation())
            waiter->resume(false);
    }
}

void AgentLoop::start(const QString &text, const ConversationSessionPtr &session, Turn turn)
{
    if (session->isProcessing())
        stop(*session);
    m_sessions.removeIf([](const std::weak_ptr<ConversationSession> &weak) { return weak.expired(); });
    if (!std::any_of(m_sessions.cbegin(), m_sessions.cend(),
            [&session](const std::weak_ptr<ConversationSession> &weak) { return weak.lock() == session; }))
        m_sessions.append(session);
    // The conversation knows its new turn before the turn's first step, so an
    // older turn sees at once that it was replaced.
    auto task = std::make_shared<AgentTask>();
    session->setTask(task);
    run(text, session, task, turn);
}

void AgentLoop::stop(ConversationSession &session)
{
    if (auto task = session.task())
        task->cancel();
    const std::shared_ptr<ApprovalWaiter> waiter = session.takeApprovalContinuation();
    session.setAwaitingApproval(false);
    session.setIsProcessing(false);
    // The turn records the denial and, seeing the cancellation, ends.
    if (waiter)
        waiter->resume(false);
}

void AgentLoop::respondToApproval(ConversationSession &session, bool approved)
{
    const std::shared_ptr<ApprovalWaiter> waiter = session.takeApprovalContinuation();
    session.setAwaitingApproval(false);
    if (waiter)
        waiter->resume(approved);
}

QCoro::Task<> AgentLoop::run(
    QString text, ConversationSessionPtr session, std::shared_ptr<AgentTask> task, Turn turn)
{
    QPointer<AgentLoop> self(this);
    co_await runTurn(text, session, task);
    if (turn != Turn::first || !self || self->m_shuttingDown)
        co_return;
    co_await self->generateTitle(text, session, task);
}

QCoro::Task<> AgentLoop::runTurn(
    QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task)
{
    QPointer<AgentLoop> self(this);
    // After every wait: the loop may be gone, and a newer turn may own the
    // conversation; either way this turn leaves everything alone.
    const auto mayContinue = [&] { return self && !self->m_shuttingDown && session->task() == task; };

    // Right after start-up the keyring may not have answered yet.
    const QString apiKey = co_await m_keyStore.loadedKey();
    if (!mayContinue())
        co_return;
    QString model = m_defaults.string(keys::geminiModel);
    if (model.isEmpty())
        model = agent::defaultModel;
    if (apiKey.isEmpty()) {
        session->appendMessage(ConversationMessage::make(ConversationMessage::Role::error,
            m_keyStore.unreadable().isEmpty() ? agent::missingKeyMessage : m_keyStore.unreadable()));
        co_return;
    }

    if (const auto call = unansweredCall(session->apiMessages()))
        session->appendApiMessage(functionResponse(call->name, agent::interruptedResponse()));
    session->appendMessage(ConversationMessage::make(ConversationMessage::Role::user, query));
    session->appendApiMessage(userText(query));
    session->setIsProcessing(true);

    const QString instruction = agent::systemInstruction(session->mode());
    while (!task->isCancelled()) {
        AIStream<StreamEvent> stream
            = m_aiService.streamChat(session->apiMessages(), instruction, agent::tools(), apiKey, model);
        // Stopping ends the request, and with it the wait for the next event.
        task->setInterrupt([stream]() mutable { stream.cancel(); });

        QString reply;
        QUuid replyMessage;
        std::optional<FunctionCall> pending;
        QString signature;
        bool failed = false;
        for (;;) {
            std::optional<StreamEvent> event = co_await stream.next();
            if (!mayContinue())
                co_return;
            if (task->isCancelled()) {
                // What the service reported before the stop was used all the same.
                for (; event; event = stream.tryNext()) {
                    if (const auto *usage = std::get_if<StreamEvent::Usage>(&event->value))
                        addUsage(usage->input, usage->output);
                }
                break;
            }
            if (!event) {
                if (const auto error = stream.error()) {
                    session->appendMessage(
                        ConversationMessage::make(ConversationMessage::Role::error, *error));
                    failed = true;
                }
                break;
            }
            if (const auto *delta = std::get_if<StreamEvent::TextDelta>(&event->value)) {
                // An empty piece would open an empty bubble.
                if (delta->text.isEmpty())
                    continue;
                if (reply.isEmpty()) {
                    const auto message
                        = ConversationMessage::make(ConversationMessage::Role::assistant, delta->text);
                    replyMessage = message.id;
                    session->appendMessage(message);
                } else {
                    session->appendToMessage(replyMessage, delta->text);
                }
                reply += delta->text;
                // A chat answer past this size is no longer read, and drawing
                // it would hold up the launcher: the rest is not fetched.
                if (reply.size() > agent::maxAnswerLength) {
                    stream.cancel();
                    session->appendMessage(
                        ConversationMessage::make(ConversationMessage::Role::error, agent::answerCutMessage));
                    failed = true;
                    break;
                }
            } else if (const auto *call = std::get_if<FunctionCall>(&event->value)) {
                // Only the last call of a reply runs. The service signs the
                // first call of a reply only, and rejects a tool turn that
                // lost its signature.
                if (signature.isEmpty())
                    signature = call->thoughtSignature;
                pending = *call;
            } else if (const auto *usage = std::get_if<StreamEvent::Usage>(&event->value)) {
                addUsage(usage->input, usage->output);
            } else if (const auto *error = std::get_if<StreamEvent::Error>(&event->value)) {
                session->appendMessage(
                    ConversationMessage::make(ConversationMessage::Role::error, error->message));
            }
        }
        task->setInterrupt({});
        if (failed)
            break;

        if (!pending || task->isCancelled()) {
            if (!reply.isEmpty())
                session->appendApiMessage(
                    ChatMessage { ChatMessage::Role::model, { ChatPart::text(reply) } });
            break;
        }

        FunctionCall call = *pending;
        if (call.thoughtSignature.isEmpty())
            call.thoughtSignature = signature;
        const QString command = call.args.value(QStringLiteral("command"));
        ChatMessage modelTurn { ChatMessage::Role::model, {} };
        if (!reply.isEmpty())
            modelTurn.parts.append(ChatPart::text(reply));
        modelTurn.parts.append(ChatPart::functionCall(call));
        session->appendApiMessage(modelTurn);

        const CommandRoute route
            = routeCommand(command, session->mode(), m_defaults, CommandSandbox::available());
        bool approved = true;
        if (route == CommandRoute::ask) {
            session->appendMessage(
                ConversationMessage::make(ConversationMessage::Role::pendingApproval, command));
            session->setAwaitingApproval(true);
            auto waiter = std::make_shared<ApprovalWaiter>();
            session->setApprovalContinuation(waiter);
            approved = co_await decisionOf(waiter);
            if (!mayContinue())
                co_return;
            if (session->approvalContinuation() == waiter) {
                session->setApprovalContinuation({});
                session->setAwaitingApproval(false);
            }
            session->removeMessages(ConversationMessage::Role::pendingApproval);
        }

        if (approved) {
            auto commandMessage = ConversationMessage::make(ConversationMessage::Role::command, command);
            PtyOptions options = m_commandOptions;
            if (route == CommandRoute::sandboxed) {
                commandMessage.sandboxed = true;
                options.sandbox = CommandSandbox::available();
                options.sandboxSecrets << m_defaults.filePath();
            }
            session->appendMessage(commandMessage);
            // Stopping the turn (the stop button, deleting the conversation,
            // quitting) ends the command and all it started at once.
            options.stopper = std::make_shared<CommandStopper>();
            task->setInterrupt([stopper = options.stopper] { stopper->stop(); });
            if (task->isCancelled())
                options.stopper->stop();
            const CommandResult result = co_await executeCommandWithPTY(command, options);
            if (!mayContinue())
                co_return;
            task->setInterrupt({});
            if (task->isCancelled()) {
                // Nothing more is shown; the model hears of it if the
                // conversation goes on.
                session->appendApiMessage(functionResponse(call.name, agent::interruptedResponse()));
                break;
            }
            ConversationMessage output = ConversationMessage::make(ConversationMessage::Role::output,
                agent::displayedOutput(result.output, result.exitCode), result.rawOutput);
            output.omittedBytes = result.omittedBytes;
            session->appendMessage(output);
            session->appendApiMessage(
                functionResponse(call.name, agent::commandResponse(result.output, result.exitCode)));
        } else {
            session->appendMessage(
                ConversationMessage::make(ConversationMessage::Role::error, agent::deniedText(command)));
            session->appendApiMessage(functionResponse(call.name, agent::denialResponse()));
        }
    }
    session->setIsProcessing(false);
}

QCoro::Task<> AgentLoop::generateTitle(
    QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task)
{
    // A stopped or deleted conversation keeps its cut query as title.
    if (task->isCancelled())
        co_return;
    const QString apiKey = m_keyStore.key();
    if (apiKey.isEmpty())
        co_return;
    QPointer<AgentLoop> self(this);
    const GenerateResult result
        = co_await m_aiService.generate(query, agent::titleInstruction, apiKey, agent::titleModel);
    if (!self || self->m_shuttingDown || task->isCancelled())
        co_return;
    if (result.ok() && !result.text.isEmpty())
        session->setTitle(result.text);
}

void AgentLoop::addUsage(qint64 input, qint64 output)
{
    m_defaults.setInteger(keys::aiUsageInputTokens, m_defaults.integer(keys::aiUsageInputTokens) + input);
    m_defaults.setInteger(keys::aiUsageOutputTokens, m_defaults.integer(keys::aiUsageOutputTokens) + output);
}

} // namespace quillet
