#include "launcher/LauncherViewModel.h"

#include "ai/AIService.h"
#include "core/Clock.h"
#include "core/Graphemes.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "launcher/AgentRequest.h"
#include "launcher/AppIndexService.h"
#include "launcher/CommandApproval.h"
#include "platform/Workspace.h"

#include <QCoroFuture>
#include <QLoggingCategory>
#include <QPointer>

namespace quillet {

Q_LOGGING_CATEGORY(lcLauncher, "quillet.launcher")

namespace {

QString trimSpacesAndTabs(QStringView text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

ChatMessage userText(const QString &text)
{
    return ChatMessage { ChatMessage::Role::user, { ChatPart::text(text) } };
}

ChatMessage functionResponse(const QString &name, const QMap<QString, QString> &response)
{
    return ChatMessage { ChatMessage::Role::user,
        { ChatPart::functionResponse(FunctionResponse { name, response }) } };
}

// The call of the last model turn when nothing answered it: a loop replaced
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

LauncherViewModel::LauncherViewModel(
    AppIndexService &appIndex, Workspace &workspace, Defaults &defaults, QObject *parent)
    : LauncherViewModel(appIndex, workspace, defaults, Clock::system(), parent)
{
}

LauncherViewModel::LauncherViewModel(
    AppIndexService &appIndex, Workspace &workspace, Defaults &defaults, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_appIndex(appIndex)
    , m_workspace(workspace)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_aiService(new AIService(AIService::baseUrlFrom(defaults), this))
{
}

LauncherViewModel::~LauncherViewModel()
{
    m_shuttingDown = true;
    for (const ConversationSessionPtr &session : std::as_const(m_sessions)) {
        if (auto task = session->task())
            task->cancel();
        if (auto waiter = session->takeApprovalContinuation())
            waiter->resume(false);
    }
}

LauncherMode LauncherViewModel::currentMode() const
{
    if (m_searchText.startsWith(u'?'))
        return LauncherMode::aiChat;
    if (m_searchText.startsWith(u'>'))
        return LauncherMode::terminal;
    return LauncherMode::apps;
}

QList<ConversationSessionPtr> LauncherViewModel::filteredSessions() const
{
    const LauncherMode mode = currentMode();
    QList<ConversationSessionPtr> filtered;
    for (const ConversationSessionPtr &session : m_sessions) {
        if (session->mode() == mode)
            filtered.append(session);
    }
    return filtered;
}

void LauncherViewModel::setSearchText(const QString &text)
{
    if (m_searchText == text)
        return;
    const LauncherMode before = currentMode();
    m_searchText = text;
    Q_EMIT searchTextChanged();
    if (currentMode() != before) {
        Q_EMIT currentModeChanged();
        Q_EMIT filteredSessionsChanged();
    }
    updateResults();
}

void LauncherViewModel::setSelectedIndex(int index)
{
    if (m_selectedIndex == index)
        return;
    m_selectedIndex = index;
    Q_EMIT selectedIndexChanged();
}

void LauncherViewModel::setFollowUpText(const QString &text)
{
    if (m_followUpText == text)
        return;
    m_followUpText = text;
    Q_EMIT followUpTextChanged();
}

void LauncherViewModel::setActiveSession(const ConversationSessionPtr &session)
{
    if (m_activeSession == session)
        return;
    m_activeSession = session;
    Q_EMIT activeSessionChanged();
}

void LauncherViewModel::openSession(const ConversationSessionPtr &session)
{
    setActiveSession(session);
    setFollowUpText(QString());
}

void LauncherViewModel::setResults(const QList<IndexedApp> &results)
{
    if (m_results == results)
        return;
    m_results = results;
    Q_EMIT resultsChanged();
}

void LauncherViewModel::setSessions(const QList<ConversationSessionPtr> &sessions)
{
    if (m_sessions == sessions)
        return;
    m_sessions = sessions;
    Q_EMIT sessionsChanged();
    Q_EMIT filteredSessionsChanged();
}

void LauncherViewModel::updateResults()
{
    setSelectedIndex(0);
    if (currentMode() != LauncherMode::apps) {
        setResults({});
        return;
    }
    setResults(m_appIndex.search(trimSpacesAndTabs(m_searchText)).mid(0, kMaxResults));
}

void LauncherViewModel::moveSelectionUp()
{
    if (m_selectedIndex >= 1)
        setSelectedIndex(m_selectedIndex - 1);
}

void LauncherViewModel::moveSelectionDown()
{
    qsizetype rows = 0;
    if (currentMode() == LauncherMode::apps)
        rows = m_results.size();
    else if (!m_activeSession)
        rows = filteredSessions().size();
    if (m_selectedIndex < rows - 1)
        setSelectedIndex(m_selectedIndex + 1);
}

void LauncherViewModel::submit()
{
    const LauncherMode mode = currentMode();
    if (mode == LauncherMode::apps) {
        if (m_selectedIndex < 0 || m_selectedIndex >= m_results.size())
            return;
        const IndexedApp app = m_results[m_selectedIndex];
        QString error;
        if (!m_workspace.openApplication(app.id, &error)) {
            // The launcher stays open, so the user sees that nothing started.
            qCWarning(lcLauncher) << "cannot open" << app.id << error;
            Q_EMIT applicationOpenFailed(app.name, error);
            return;
        }
        if (m_onDismiss)
            m_onDismiss();
        return;
    }

    const QString query = trimSpacesAndTabs(QStringView(m_searchText).mid(1));
    if (query.isEmpty()) {
        const QList<ConversationSessionPtr> listed = filteredSessions();
        if (m_selectedIndex >= 0 && m_selectedIndex < listed.size())
            openSession(listed[m_selectedIndex]);
        return;
    }
    if (m_activeSession && m_activeSession->isProcessing())
        return;

    auto session
        = std::make_shared<ConversationSession>(mode, leftGraphemes(query, kTitleLength), m_clock.now());
    setSessions(QList<ConversationSessionPtr> { session } + m_sessions);
    setActiveSession(session);
    setSearchText(mode == LauncherMode::terminal ? QStringLiteral(">") : QStringLiteral("?"));
    setFollowUpText(QString());
    startLoop(query, session, true);
}

void LauncherViewModel::submitFollowUp()
{
    const ConversationSessionPtr session = m_activeSession;
    if (!session)
        return;
    const QString text = trimSpacesAndTabs(m_followUpText);
    if (text.isEmpty())
        return;
    if (session->isProcessing())
        stopGenerating();
    setFollowUpText(QString());
    startLoop(text, session, false);
}

void LauncherViewModel::reset()
{
    setSearchText(QString());
    setSelectedIndex(0);
    setResults({});
    if (m_activeSession && !m_activeSession->isProcessing())
        setActiveSession(nullptr);
}

void LauncherViewModel::deleteSession(const ConversationSessionPtr &session)
{
    if (!session)
        return;
    // Keeps the conversation alive through the removal below.
    const ConversationSessionPtr doomed = session;
    if (auto task = doomed->task())
        task->cancel();
    const QUuid id = doomed->id();
    QList<ConversationSessionPtr> remaining = m_sessions;
    remaining.removeIf([&id](const ConversationSessionPtr &entry) { return entry->id() == id; });
    setSessions(remaining);
    if (m_activeSession && m_activeSession->id() == id)
        setActiveSession(nullptr);
    // A loop left waiting for approval would never end: it is told "no".
    if (auto waiter = doomed->takeApprovalContinuation()) {
        doomed->setAwaitingApproval(false);
        waiter->resume(false);
    }
}

void LauncherViewModel::stopGenerating()
{
    const ConversationSessionPtr session = m_activeSession;
    if (!session || !session->isProcessing())
        return;
    stop(*session);
}

void LauncherViewModel::stop(ConversationSession &session)
{
    if (auto task = session.task())
        task->cancel();
    const std::shared_ptr<ApprovalWaiter> waiter = session.takeApprovalContinuation();
    session.setAwaitingApproval(false);
    session.setIsProcessing(false);
    // The loop records the denial and, seeing the cancellation, ends.
    if (waiter)
        waiter->resume(false);
}

void LauncherViewModel::respondToApproval(bool approved)
{
    const ConversationSessionPtr session = m_activeSession;
    if (!session)
        return;
    const std::shared_ptr<ApprovalWaiter> waiter = session->takeApprovalContinuation();
    session->setAwaitingApproval(false);
    if (waiter)
        waiter->resume(approved);
}

void LauncherViewModel::startLoop(const QString &query, const ConversationSessionPtr &session, bool withTitle)
{
    // The conversation knows its new loop before the loop's first step, so an
    // older loop sees at once that it was replaced.
    auto task = std::make_shared<AgentTask>();
    session->setTask(task);
    runTask(query, session, task, withTitle);
}

QCoro::Task<> LauncherViewModel::runTask(
    QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task, bool withTitle)
{
    QPointer<LauncherViewModel> self(this);
    co_await runAgentLoop(query, session, task);
    if (!withTitle || !self || self->m_shuttingDown)
        co_return;
    co_await self->generateTitle(query, session, task);
}

QCoro::Task<> LauncherViewModel::runAgentLoop(
    QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task)
{
    QPointer<LauncherViewModel> self(this);
    // After every wait: the view model may be gone, and a newer loop may own
    // the conversation; either way this loop leaves everything alone.
    const auto mayContinue = [&] { return self && !self->m_shuttingDown && session->task() == task; };

    const QString apiKey = m_defaults.string(keys::geminiAPIKey);
    QString model = m_defaults.string(keys::geminiModel);
    if (model.isEmpty())
        model = agent::defaultModel;
    if (apiKey.isEmpty()) {
        session->appendMessage(
            ConversationMessage::make(ConversationMessage::Role::error, agent::missingKeyMessage));
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
            = m_aiService->streamChat(session->apiMessages(), instruction, agent::tools(), apiKey, model);
        // Stopping ends the wait for the next event at once instead of when
        // the service sends it.
        task->setInterrupt([stream]() mutable { stream.finish(); });

        QString reply;
        QUuid replyMessage;
        std::optional<FunctionCall> pending;
        QString signature;
        bool failed = false;
        for (;;) {
            std::optional<StreamEvent> event = co_await stream.next();
            if (!mayContinue())
                co_return;
            if (task->isCancelled())
                break;
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

        bool approved = true;
        if (needsApproval(command, session->mode(), m_defaults)) {
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
            session->appendMessage(ConversationMessage::make(ConversationMessage::Role::command, command));
            const CommandResult result = co_await executeCommandWithPTY(command, m_commandOptions);
            if (!mayContinue())
                co_return;
            session->appendMessage(ConversationMessage::make(ConversationMessage::Role::output,
                agent::displayedOutput(result.output, result.exitCode), result.rawOutput));
            session->appendApiMessage(
                functionResponse(call.name, agent::commandResponse(result.output, result.exitCode)));
        } else {
            session->appendMessage(
                ConversationMessage::make(ConversationMessage::Role::error, agent::deniedMessage));
            session->appendApiMessage(functionResponse(call.name, agent::denialResponse()));
        }
    }
    session->setIsProcessing(false);
}

QCoro::Task<> LauncherViewModel::generateTitle(
    QString query, ConversationSessionPtr session, std::shared_ptr<AgentTask> task)
{
    // A stopped or deleted conversation keeps its cut query as title.
    if (task->isCancelled())
        co_return;
    const QString apiKey = m_defaults.string(keys::geminiAPIKey);
    if (apiKey.isEmpty())
        co_return;
    const GenerateResult result
        = co_await m_aiService->generate(query, agent::titleInstruction, apiKey, agent::titleModel);
    if (task->isCancelled())
        co_return;
    if (result.ok() && !result.text.isEmpty())
        session->setTitle(result.text);
}

void LauncherViewModel::addUsage(qint64 input, qint64 output)
{
    m_defaults.setInteger(keys::aiUsageInputTokens, m_defaults.integer(keys::aiUsageInputTokens) + input);
    m_defaults.setInteger(keys::aiUsageOutputTokens, m_defaults.integer(keys::aiUsageOutputTokens) + output);
}

} // namespace quillet
