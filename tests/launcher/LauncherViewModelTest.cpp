#include "core/Graphemes.h"
#include "support/LauncherFixture.h"

using namespace quillet;
using namespace quillet::test;

namespace {

InstalledApplication app(const QString &id, const QString &name)
{
    return InstalledApplication { id, name, QString(),
        QStringLiteral("/apps/") + id + QStringLiteral(".desktop") };
}

QList<InstalledApplication> twentyFiles()
{
    QList<InstalledApplication> apps;
    for (int n = 1; n <= 20; ++n)
        apps.append(app(QStringLiteral("org.files%1").arg(n, 2, 10, QLatin1Char('0')),
            QStringLiteral("Files %1").arg(n, 2, 10, QLatin1Char('0'))));
    apps.append(app(QStringLiteral("org.gimp"), QStringLiteral("GIMP")));
    return apps;
}

QStringList ids(const QList<IndexedApp> &apps)
{
    QStringList list;
    for (const IndexedApp &entry : apps)
        list.append(entry.id);
    return list;
}

} // namespace

class LauncherViewModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void modeFollowsTheFirstCharacterOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<LauncherMode>("mode");
        QTest::newRow("plain") << "files" << LauncherMode::apps;
        QTest::newRow("question") << "?files" << LauncherMode::aiChat;
        QTest::newRow("chevron") << ">ls" << LauncherMode::terminal;
        QTest::newRow("later question mark") << "files?" << LauncherMode::apps;
        QTest::newRow("later chevron") << " >ls" << LauncherMode::apps;
    }
    void modeFollowsTheFirstCharacterOnly()
    {
        QFETCH(QString, text);
        QFETCH(LauncherMode, mode);
        LauncherFixture f;
        f.model->setSearchText(text);
        QCOMPARE(f.model->currentMode(), mode);
    }

    void searchKeepsTheEightBestAndTheArrowsStopAtTheEnds()
    {
        LauncherFixture f(twentyFiles());
        f.model->setSearchText(QStringLiteral("  files\t"));
        QCOMPARE(ids(f.model->results()),
            (QStringList { "org.files01", "org.files02", "org.files03", "org.files04", "org.files05",
                "org.files06", "org.files07", "org.files08" }));
        f.model->moveSelectionUp();
        QCOMPARE(f.model->selectedIndex(), 0);
        for (int i = 0; i < 7; ++i)
            f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 7);
        QSignalSpy moved(f.model.get(), &LauncherViewModel::selectedIndexChanged);
        f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 7);
        QCOMPARE(moved.count(), 0);

        // A mode character empties the results; deleting it brings them back.
        f.model->setSearchText(QStringLiteral("?files"));
        QVERIFY(f.model->results().isEmpty());
        QCOMPARE(f.model->selectedIndex(), 0);
        f.model->setSearchText(QStringLiteral("files"));
        QCOMPARE(f.model->results().size(), 8);

        f.model->setSearchText(QStringLiteral("gimp"));
        QCOMPARE(ids(f.model->results()), QStringList { "org.gimp" });
        f.model->setSearchText(QStringLiteral("nothing matches this"));
        f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 0);
    }

    void aNewIndexAnswersTheQueryAgainAndKeepsTheHighlight()
    {
        LauncherFixture f({ app(QStringLiteral("org.gimp"), QStringLiteral("GIMP")) });
        f.model->setSearchText(QStringLiteral("files"));
        QVERIFY(f.model->noApplicationMatches());

        f.workspace.installed = twentyFiles();
        f.workspace.applicationsChanged();
        QTRY_COMPARE(f.model->results().size(), 8);
        QVERIFY(!f.model->noApplicationMatches());
        f.model->moveSelectionDown();

        f.workspace.installed.prepend(app(QStringLiteral("org.files00"), QStringLiteral("Files 00")));
        f.workspace.applicationsChanged();
        QTRY_COMPARE(f.model->results().first().id, QStringLiteral("org.files00"));
        QCOMPARE(f.model->results().at(f.model->selectedIndex()).id, QStringLiteral("org.files02"));
    }

    void returnOpensTheSelectedApplication()
    {
        LauncherFixture f(twentyFiles());
        int dismissed = 0;
        f.model->setOnDismiss([&dismissed] { ++dismissed; });
        f.model->setSearchText(QStringLiteral("files"));
        f.model->moveSelectionDown();
        f.model->submit();
        QCOMPARE(f.workspace.opened, QStringList { "org.files02" });
        QCOMPARE(dismissed, 1);

        // Nothing highlighted, nothing opened.
        f.model->setSearchText(QStringLiteral("no such application"));
        f.model->submit();
        QCOMPARE(f.workspace.opened.size(), 1);
        QCOMPARE(dismissed, 1);
    }

    void aFailedOpenKeepsTheLauncherAndSaysWhy()
    {
        LauncherFixture f(twentyFiles());
        f.workspace.openSucceeds = false;
        int dismissed = 0;
        f.model->setOnDismiss([&dismissed] { ++dismissed; });
        f.model->setSearchText(QStringLiteral("gimp"));
        f.model->submit();
        QCOMPARE(f.workspace.opened, QStringList { "org.gimp" });
        QCOMPARE(dismissed, 0);
        QCOMPARE(f.model->errorText(), QStringLiteral("Could not open GIMP: could not open org.gimp"));
        // Typing again clears it.
        f.model->setSearchText(QStringLiteral("gim"));
        QVERIFY(f.model->errorText().isEmpty());
    }

    void aNewConversationKeepsTheModeCharacter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("afterwards");
        QTest::addColumn<LauncherMode>("mode");
        QTest::newRow("chat") << "? what is up "
                              << "?" << LauncherMode::aiChat;
        QTest::newRow("terminal") << ">\tlist files"
                                  << ">" << LauncherMode::terminal;
    }
    void aNewConversationKeepsTheModeCharacter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, afterwards);
        QFETCH(LauncherMode, mode);
        LauncherFixture f;
        f.model->setFollowUpText(QStringLiteral("left over"));
        const ConversationSessionPtr session = f.ask(typed);
        QVERIFY(session);
        QCOMPARE(f.model->searchText(), afterwards);
        QCOMPARE(f.model->sessions(), QList<ConversationSessionPtr> { session });
        QCOMPARE(session->mode(), mode);
        QCOMPARE(session->title(), typed.mid(1).trimmed());
        QVERIFY(f.model->followUpText().isEmpty());
    }

    void blankQueriesStartNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("question mark alone") << "?";
        QTest::newRow("spaces") << "?   ";
        QTest::newRow("tabs") << ">\t \t";
    }
    void blankQueriesStartNothing()
    {
        QFETCH(QString, typed);
        LauncherFixture f;
        f.ask(typed);
        QVERIFY(f.model->sessions().isEmpty());
        QVERIFY(!f.model->activeSession());
        QCOMPARE(f.model->searchText(), typed);
    }

    void aBareModeCharacterListsAndReopensPastConversations()
    {
        LauncherFixture f;
        // Without a key each conversation ends at once with its error.
        const ConversationSessionPtr first = f.ask(QStringLiteral("?first"));
        const ConversationSessionPtr command = f.ask(QStringLiteral(">uptime"));
        const ConversationSessionPtr second = f.ask(QStringLiteral("?second"));
        QCOMPARE(f.model->sessions(), (QList<ConversationSessionPtr> { second, command, first }));
        f.model->setActiveSession(nullptr);

        f.model->setSearchText(QStringLiteral("?"));
        QVERIFY(f.model->results().isEmpty());
        QCOMPARE(f.model->filteredSessions(), (QList<ConversationSessionPtr> { second, first }));
        f.model->moveSelectionDown();
        f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 1);
        f.model->setFollowUpText(QStringLiteral("draft"));
        f.model->submit();
        QCOMPARE(f.model->activeSession(), first);
        QVERIFY(f.model->followUpText().isEmpty());
        QCOMPARE(f.model->sessions().size(), 3);
        // With a conversation open the list has no rows to move through.
        f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 1);

        f.model->setActiveSession(nullptr);
        f.model->setSearchText(QStringLiteral(">"));
        QCOMPARE(f.model->filteredSessions(), QList<ConversationSessionPtr> { command });
        f.model->submit();
        QCOMPARE(f.model->activeSession(), command);

        f.model->setSearchText(QString());
        QVERIFY(f.model->filteredSessions().isEmpty());
    }

    void titlesAreCutAtSixtyCharacters()
    {
        LauncherFixture f;
        // Each family emoji is one character made of seven code points.
        const QString query
            = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466").repeated(70);
        const ConversationSessionPtr session = f.ask(QStringLiteral("?") + query);
        QCOMPARE(graphemeCount(session->title()), 60);
        QVERIFY(query.startsWith(session->title()));
    }

    void aRunningConversationBlocksNewQueriesAndSurvivesReset()
    {
        LauncherFixture f;
        f.setKey();
        FakeReply silent;
        silent.neverAnswer = true;
        f.server->enqueue(silent);
        const ConversationSessionPtr running = f.ask(QStringLiteral("?long question"));
        QVERIFY(running->isProcessing());

        f.ask(QStringLiteral("?another"));
        QCOMPARE(f.model->sessions().size(), 1);
        QCOMPARE(f.model->activeSession(), running);
        QCOMPARE(f.model->searchText(), QStringLiteral("?another"));

        f.model->reset();
        QCOMPARE(f.model->activeSession(), running);
        QVERIFY(f.model->searchText().isEmpty());
        QCOMPARE(f.model->selectedIndex(), 0);

        f.model->stopGenerating();
        QVERIFY(!running->isProcessing());
        f.model->reset();
        QVERIFY(!f.model->activeSession());
    }

    void deletingRemovesAndCloses()
    {
        LauncherFixture f;
        const ConversationSessionPtr kept = f.ask(QStringLiteral("?kept"));
        const ConversationSessionPtr gone = f.ask(QStringLiteral("?gone"));
        f.model->deleteSession(gone);
        QCOMPARE(f.model->sessions(), QList<ConversationSessionPtr> { kept });
        QVERIFY(!f.model->activeSession());

        f.model->setActiveSession(kept);
        f.model->deleteSession(gone);
        QCOMPARE(f.model->activeSession(), kept);
        QCOMPARE(f.model->sessions().size(), 1);

        // Deleting the highlighted last row highlights the new last one.
        f.model->setActiveSession(nullptr);
        const ConversationSessionPtr newest = f.ask(QStringLiteral("?newest"));
        f.model->setActiveSession(nullptr);
        f.model->moveSelectionDown();
        QCOMPARE(f.model->selectedIndex(), 1);
        f.model->deleteSession(kept);
        QCOMPARE(f.model->selectedIndex(), 0);
    }

    void commandOutputStaysWithinTheBudget()
    {
        LauncherFixture f;
        f.model->setOutputBudget(100 * 1024);
        const ConversationSessionPtr older = f.ask(QStringLiteral(">older"));
        f.model->setActiveSession(nullptr);
        const ConversationSessionPtr newer = f.ask(QStringLiteral(">newer"));
        const auto output = [](char byte) {
            return ConversationMessage::make(
                ConversationMessage::Role::output, QStringLiteral("shown"), QByteArray(40 * 1024, byte));
        };
        older->appendMessage(output('a'));
        const qsizetype first = older->messages().size() - 1;
        older->appendMessage(output('b'));
        newer->appendMessage(output('c'));

        // The oldest output gives way, and says so; the model's history stays.
        const ConversationMessage dropped = older->messages().at(first);
        QVERIFY(!dropped.rawOutput);
        QCOMPARE(dropped.content, QStringLiteral("(output dropped to save memory: 40 KB)"));
        QVERIFY(older->messages().at(first + 1).rawOutput);
        QVERIFY(newer->messages().last().rawOutput);
        QVERIFY(older->outputBytes() + newer->outputBytes() <= 100 * 1024);
    }

    void deletingAWaitingConversationDeniesAndEnds()
    {
        LauncherFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("echo never")) }));
        ConversationSessionPtr session = f.ask(QStringLiteral("?try"));
        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);
        const std::weak_ptr<AgentTask> task = session->task();
        const std::weak_ptr<ConversationSession> watched = session;

        f.model->deleteSession(session);
        QVERIFY(f.model->sessions().isEmpty());
        QVERIFY(!f.model->activeSession());
        // The turn was told "no" and ended on the spot.
        QVERIFY(!session->isProcessing());
        QVERIFY(!session->awaitingApproval());
        QCOMPARE(apiTranscript(session->apiMessages()).last(),
            QStringLiteral("user: response(User denied command execution|-1)"));
        QVERIFY(task.lock()->isCancelled());

        // Nothing but the test holds the conversation any more.
        session.reset();
        QVERIFY(watched.expired());
        QVERIFY(task.expired());
        QCOMPARE(f.server->requests().size(), 1);
    }

    void followUpsNeedAnOpenConversationAndText()
    {
        LauncherFixture f;
        f.model->setFollowUpText(QStringLiteral("anyone?"));
        f.model->submitFollowUp();
        QCOMPARE(f.model->followUpText(), QStringLiteral("anyone?"));

        const ConversationSessionPtr session = f.ask(QStringLiteral("?hi"));
        f.model->setFollowUpText(QStringLiteral(" \t "));
        f.model->submitFollowUp();
        QCOMPARE(session->messages().size(), 1);

        f.model->setFollowUpText(QStringLiteral(" more "));
        f.model->submitFollowUp();
        QVERIFY(f.model->followUpText().isEmpty());
        QCOMPARE(transcript(*session),
            (QStringList { "error: Please set your Gemini API key in Settings → AI",
                "error: Please set your Gemini API key in Settings → AI" }));
    }
};

QUILLET_TEST_MAIN(LauncherViewModelTest)
#include "LauncherViewModelTest.moc"
