#include "launcher/LauncherViewModel.h"

#include "core/Clock.h"
#include "core/Graphemes.h"
#include "core/Text.h"
#include "launcher/AgentLoop.h"
#include "launcher/AppIndexService.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <algorithm>

namespace quillet {

Q_LOGGING_CATEGORY(lcLauncher, "quillet.launcher")

LauncherViewModel::LauncherViewModel(
    AppIndexService &appIndex, Workspace &workspace, AgentLoop &agentLoop, QObject *parent)
    : LauncherViewModel(appIndex, workspace, agentLoop, Clock::system(), parent)
{
}

LauncherViewModel::LauncherViewModel(
    AppIndexService &appIndex, Workspace &workspace, AgentLoop &agentLoop, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_appIndex(appIndex)
    , m_workspace(workspace)
    , m_agentLoop(agentLoop)
    , m_clock(clock)
{
    // A query typed before the index was ready, or while applications were
    // installed, is answered again when a new index is published.
    connect(&m_appIndex, &AppIndexService::appsChanged, this, &LauncherViewModel::refreshResults);
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
    setErrorText(QString());
    if (currentMode() != before) {
        Q_EMIT currentModeChanged();
        Q_EMIT filteredSessionsChanged();
    }
    updateResults();
}

void LauncherViewModel::setErrorText(const QString &text)
{
    if (m_errorText == text)
        return;
    m_errorText = text;
    Q_EMIT errorTextChanged();
}

void LauncherViewModel::dismiss()
{
    if (m_onDismiss)
        m_onDismiss();
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
    setResults(m_appIndex.search(trimmedSpacesAndTabs(m_searchText).toString()).mid(0, kMaxResults));
}

void LauncherViewModel::refreshResults()
{
    if (currentMode() != LauncherMode::apps)
        return;
    const QString highlighted = m_selectedIndex >= 0 && m_selectedIndex < m_results.size()
        ? m_results[m_selectedIndex].id
        : QString();
    setResults(m_appIndex.search(trimmedSpacesAndTabs(m_searchText).toString()).mid(0, kMaxResults));
    // The highlight stays on the application it was on, if it is still listed.
    qsizetype row = 0;
    while (row < m_results.size() && m_results[row].id != highlighted)
        ++row;
    setSelectedIndex(row < m_results.size() ? int(row) : 0);
}

bool LauncherViewModel::noApplicationMatches() const
{
    return currentMode() == LauncherMode::apps && m_results.isEmpty() && m_appIndex.isIndexed()
        && !trimmedSpacesAndTabs(m_searchText).isEmpty();
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
            setErrorText(error.isEmpty()
                    ? QCoreApplication::translate("LauncherViewModel", "Could not open %1.").arg(app.name)
                    : QCoreApplication::translate("LauncherViewModel", "Could not open %1: %2")
                          .arg(app.name, error));
            return;
        }
        setErrorText(QString());
        dismiss();
        return;
    }

    const QString query = trimmedSpacesAndTabs(QStringView(m_searchText).mid(1)).toString();
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
    connect(
        session.get(), &ConversationSession::messageAppended, this, &LauncherViewModel::enforceOutputBudget);
    setSessions(QList<ConversationSessionPtr> { session } + m_sessions);
    setActiveSession(session);
    setSearchText(mode == LauncherMode::terminal ? QStringLiteral(">") : QStringLiteral("?"));
    setFollowUpText(QString());
    m_agentLoop.start(query, session, AgentLoop::Turn::first);
}

void LauncherViewModel::submitFollowUp()
{
    const ConversationSessionPtr session = m_activeSession;
    if (!session)
        return;
    const QString text = trimmedSpacesAndTabs(m_followUpText).toString();
    if (text.isEmpty())
        return;
    // A follow-up interrupts the answer still running.
    setFollowUpText(QString());
    m_agentLoop.start(text, session, AgentLoop::Turn::followUp);
}

void LauncherViewModel::reset()
{
    setSearchText(QString());
    setErrorText(QString());
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
    const QUuid id = doomed->id();
    QList<ConversationSessionPtr> remaining = m_sessions;
    remaining.removeIf([&id](const ConversationSessionPtr &entry) { return entry->id() == id; });
    setSessions(remaining);
    if (m_activeSession && m_activeSession->id() == id)
        setActiveSession(nullptr);
    // Deleting the last row leaves the one above it highlighted.
    if (!m_activeSession && currentMode() != LauncherMode::apps)
        setSelectedIndex(std::clamp(m_selectedIndex, 0, std::max(0, int(filteredSessions().size()) - 1)));
    // A turn left waiting for approval would never end: it is told "no".
    m_agentLoop.stop(*doomed);
}

void LauncherViewModel::enforceOutputBudget()
{
    qint64 total = 0;
    for (const ConversationSessionPtr &session : std::as_const(m_sessions))
        total += session->outputBytes();
    // The oldest conversations, and in each the oldest commands, give way first.
    for (auto session = m_sessions.crbegin(); session != m_sessions.crend() && total > m_outputBudget;
         ++session) {
        const QList<ConversationMessage> messages = (*session)->messages();
        for (qsizetype index = 0; index < messages.size() && total > m_outputBudget; ++index)
            total -= (*session)->releaseOutput(index);
    }
}

void LauncherViewModel::stopGenerating()
{
    if (m_activeSession && m_activeSession->isProcessing())
        m_agentLoop.stop(*m_activeSession);
}

void LauncherViewModel::respondToApproval(bool approved)
{
    if (m_activeSession)
        m_agentLoop.respondToApproval(*m_activeSession, approved);
}

} // namespace quillet
