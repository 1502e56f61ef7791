#pragma once

#include "launcher/ConversationSession.h"
#include "launcher/IndexedApp.h"
#include "launcher/LauncherMode.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace quillet {

class AgentLoop;
class AppIndexService;
class Clock;
class Workspace;

// Everything the launcher shows: the query and its mode, the application
// results and the highlighted row, this run's conversations and the one on
// screen, the follow-up field. The launcher view draws this state and calls
// the operations below; the agent loop fills the conversations. Main thread
// only.
//
// Conversations live in memory for the run.
class LauncherViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
    Q_PROPERTY(QList<quillet::IndexedApp> results READ results NOTIFY resultsChanged)
    Q_PROPERTY(QList<quillet::ConversationSessionPtr> sessions READ sessions NOTIFY sessionsChanged)
    Q_PROPERTY(quillet::ConversationSessionPtr activeSession READ activeSession WRITE setActiveSession NOTIFY
            activeSessionChanged)
    Q_PROPERTY(QString followUpText READ followUpText WRITE setFollowUpText NOTIFY followUpTextChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorTextChanged)
    Q_PROPERTY(quillet::LauncherMode currentMode READ currentMode NOTIFY currentModeChanged)
    Q_PROPERTY(QList<quillet::ConversationSessionPtr> filteredSessions READ filteredSessions NOTIFY
            filteredSessionsChanged)

public:
    static constexpr qsizetype kMaxResults = 8;
    // The memory all conversations together may hold for command output;
    // beyond it the oldest outputs are dropped, each leaving a note.
    static constexpr qint64 kOutputBudget = 32 * 1024 * 1024;
    static constexpr qsizetype kTitleLength = 60;

    // The services must outlive the view model; the clock stamps new
    // conversations.
    LauncherViewModel(
        AppIndexService &appIndex, Workspace &workspace, AgentLoop &agentLoop, QObject *parent = nullptr);
    LauncherViewModel(AppIndexService &appIndex, Workspace &workspace, AgentLoop &agentLoop, Clock &clock,
        QObject *parent = nullptr);

    QString searchText() const { return m_searchText; }
    int selectedIndex() const { return m_selectedIndex; }
    QList<IndexedApp> results() const { return m_results; }
    // Newest first.
    QList<ConversationSessionPtr> sessions() const { return m_sessions; }
    ConversationSessionPtr activeSession() const { return m_activeSession; }
    QString followUpText() const { return m_followUpText; }
    // Why the last application did not open; empty once the query changes
    // or the launcher is shown again.
    QString errorText() const { return m_errorText; }

    // Chosen by the first character of searchText: "?" chat, ">" terminal,
    // anything else applications.
    LauncherMode currentMode() const;
    // The conversations of the current mode, newest first.
    QList<ConversationSessionPtr> filteredSessions() const;
    // An application query that the finished index answers with nothing.
    bool noApplicationMatches() const;

    // Every change re-runs the application search (or empties the results
    // outside apps mode) and moves the highlight back to the first row.
    void setSearchText(const QString &text);
    void setSelectedIndex(int index);
    void setFollowUpText(const QString &text);
    // The view opens a conversation (or goes back to the list with nullptr).
    void setActiveSession(const ConversationSessionPtr &session);
    // A tap on a conversation row: opens it with an empty follow-up field.
    void openSession(const ConversationSessionPtr &session);

    // Called after an application was opened, and by the view on Escape when
    // no conversation is open. Set by the panel's owner.
    void setOnDismiss(std::function<void()> onDismiss) { m_onDismiss = std::move(onDismiss); }
    // Asks the owner to hide the launcher (runs the on-dismiss handler).
    void dismiss();

    // The arrow keys; neither wraps around.
    void moveSelectionUp();
    void moveSelectionDown();

    // Return in the search field: opens the highlighted application; in chat
    // or terminal mode starts a conversation with the query, or, with nothing
    // typed after the mode character, opens the highlighted conversation.
    void submit();
    // Return in the follow-up field: continues the open conversation, first
    // stopping an answer still running.
    void submitFollowUp();
    // The panel is being shown again: an empty query, and back to the list
    // unless the open conversation is still working.
    void reset();
    // Removes a conversation and stops its loop; a loop waiting for approval
    // is resumed with a denial so it ends.
    void deleteSession(const ConversationSessionPtr &session);
    // The stop button: ends the open conversation's loop. A command already
    // running finishes; its result is recorded only if no newer turn started.
    void stopGenerating();
    // The approval buttons of the open conversation.
    void respondToApproval(bool approved);

    // Another output budget (tests use a small one).
    void setOutputBudget(qint64 bytes) { m_outputBudget = bytes; }

    // The index the results come from; the view draws their icons through it.
    AppIndexService &appIndex() const { return m_appIndex; }
    // The time source that stamps conversations, for showing their age.
    Clock &clock() const { return m_clock; }

Q_SIGNALS:
    void searchTextChanged();
    void selectedIndexChanged();
    void resultsChanged();
    void sessionsChanged();
    void activeSessionChanged();
    void followUpTextChanged();
    void currentModeChanged();
    void filteredSessionsChanged();
    void errorTextChanged();

private:
    void updateResults();
    void refreshResults();
    void enforceOutputBudget();
    void setResults(const QList<IndexedApp> &results);
    void setSessions(const QList<ConversationSessionPtr> &sessions);
    void setErrorText(const QString &text);

    AppIndexService &m_appIndex;
    Workspace &m_workspace;
    AgentLoop &m_agentLoop;
    Clock &m_clock;
    std::function<void()> m_onDismiss;

    QString m_searchText;
    int m_selectedIndex = 0;
    QList<IndexedApp> m_results;
    QList<ConversationSessionPtr> m_sessions;
    ConversationSessionPtr m_activeSession;
    QString m_followUpText;
    QString m_errorText;
    qint64 m_outputBudget = kOutputBudget;
};

} // namespace quillet
