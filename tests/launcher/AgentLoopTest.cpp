#include "launcher/AgentRequest.h"
#include "support/LauncherFixture.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>

using namespace quillet;
using namespace quillet::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(quillet::SandboxKind)

namespace {

QJsonArray contentsOf(const RecordedRequest &request)
{
    return request.json.object().value("contents").toArray();
}

QJsonObject partOf(const RecordedRequest &request, int message, int part)
{
    return contentsOf(request).at(message).toObject().value("parts").toArray().at(part).toObject();
}

} // namespace

class AgentLoopTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneCommandThenSummary_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("approvalKey");
        QTest::addColumn<QString>("approvalMode");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("displayed");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("exitCode");
        QTest::addColumn<QByteArray>("raw");
        QTest::newRow("chat, never ask")
            << u"?what does echo say"_s << keys::aiChatApprovalMode << u"never"_s << u"echo hello"_s
            << u"hello"_s << u"hello"_s << u"0"_s << QByteArray("hello\r\n");
        QTest::newRow("terminal, harmless command")
            << u">fail quietly"_s << keys::terminalApprovalMode << u""_s << u"false"_s
            << u"(no output) (exit code: 1)"_s << u""_s << u"1"_s << QByteArray();
        QTest::newRow("output and failure")
            << u"?list it"_s << keys::aiChatApprovalMode << u"never"_s << u"printf 'a\\nb\\n'; exit 4"_s
            << u"a\r\nb (exit code: 4)"_s << u"a\r\nb"_s << u"4"_s << QByteArray("a\r\nb\r\n");
    }
    void oneCommandThenSummary()
    {
        QFETCH(QString, typed);
        QFETCH(QString, approvalKey);
        QFETCH(QString, approvalMode);
        QFETCH(QString, command);
        QFETCH(QString, displayed);
        QFETCH(QString, output);
        QFETCH(QString, exitCode);
        QFETCH(QByteArray, raw);

        AgentFixture f;
        f.setKey();
        if (!approvalMode.isEmpty())
            f.defaults->setString(approvalKey, approvalMode);
        f.defaults->setInteger(keys::aiUsageInputTokens, 100);
        f.defaults->setInteger(keys::aiUsageOutputTokens, 50);
        f.server->enqueue(FakeReply::events({ callChunk(command), usageChunk(10, 2) }));
        f.server->enqueue(FakeReply::events(
            { textChunk("It "), textChunk("is done."), usageChunk(20, 5), usageChunk(1, 1) }));
        f.server->enqueue(titleReply("Echo Test"));

        const LauncherMode mode = typed.startsWith(u'>') ? LauncherMode::terminal : LauncherMode::aiChat;
        const ConversationSessionPtr session = f.begin(typed.mid(1), mode);
        QVERIFY(session->isProcessing());
        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("Echo Test"), kWait);
        QVERIFY(!session->isProcessing());
        QVERIFY(!session->awaitingApproval());

        const QString query = typed.mid(1);
        QCOMPARE(transcript(*session),
            (QStringList {
                "user: " + query, "command: " + command, "output: " + displayed, "assistant: It is done." }));
        QVERIFY(session->messages().at(2).rawOutput.has_value());
        QCOMPARE(*session->messages().at(2).rawOutput, raw);
        QCOMPARE(apiTranscript(session->apiMessages()),
            (QStringList { "user: text(" + query + ")", "model: call(" + command + ")",
                "user: response(" + output + "|" + exitCode + ")", "model: text(It is done.)" }));

        QCOMPARE(f.defaults->integer(keys::aiUsageInputTokens), 131);
        QCOMPARE(f.defaults->integer(keys::aiUsageOutputTokens), 58);

        const QList<RecordedRequest> &requests = f.server->requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(requests[1].header("x-goog-api-key"), kTestKey.toUtf8());
        const QJsonObject answer = partOf(requests[1], 2, 0).value("functionResponse").toObject();
        QCOMPARE(answer.value("name").toString(), QStringLiteral("execute_command"));
        QCOMPARE(answer.value("response").toObject(),
            (QJsonObject { { "output", output }, { "exitCode", exitCode } }));

        QCOMPARE(requests[2].json["contents"][0]["parts"][0]["text"].toString(),
            agent::titleInstruction + "\n\n" + query);
    }

    void commandsRunWithTheGivenOptions()
    {
        using namespace std::chrono_literals;
        AgentFixture f;
        f.setKey();
        f.defaults->setString(keys::aiChatApprovalMode, QStringLiteral("never"));
        PtyOptions options;
        options.timeout = 300ms;
        options.killGrace = 200ms;
        f.loop->setCommandOptions(options);
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("sleep 30")) }));
        f.server->enqueue(FakeReply::events({ textChunk("Too slow.") }));
        f.server->enqueue(titleReply("Slow"));
        const ConversationSessionPtr session = f.begin(QStringLiteral("wait"));
        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("Slow"), kWait);
        QCOMPARE(transcript(*session).at(2), "output: " + timeoutNote(300ms) + " (exit code: -1)");
        QCOMPARE(
            apiTranscript(session->apiMessages()).at(2), "user: response(" + timeoutNote(300ms) + "|-1)");
    }

    void requestsCarryTheToolAndTheRealSystem()
    {
        AgentFixture f;
        f.setKey();
        f.defaults->setString(keys::geminiModel, QStringLiteral("gemini-test-model"));
        f.server->enqueue(FakeReply::events({ textChunk("Hi.") }));
        f.server->enqueue(titleReply("Greeting"));
        const ConversationSessionPtr session = f.begin(QStringLiteral("hello"));
        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("Greeting"), kWait);

        const RecordedRequest &chat = f.server->requests().at(0);
        QCOMPARE(chat.path, QByteArray("/v1beta/models/gemini-test-model:streamGenerateContent?alt=sse"));
        // Titles ignore the stored model.
        QCOMPARE(f.server->requests().at(1).path,
            QByteArray("/v1beta/models/gemini-3.1-flash-lite:generateContent"));

#ifdef Q_OS_LINUX
        QCOMPARE(agent::operatingSystemName(), QStringLiteral("Linux"));
#endif
        // The model is told the real system, never the one the texts came from.
        const QString instruction = chat.json["systemInstruction"]["parts"][0]["text"].toString();
        QVERIFY2(instruction.contains(" running on " + agent::operatingSystemName() + ". "),
            qPrintable(instruction));
        QVERIFY(!instruction.contains("Mac"));

        QCOMPARE(chat.json["tools"].toArray().size(), 1);
        const QJsonObject declaration = chat.json["tools"][0]["functionDeclarations"][0].toObject();
        QCOMPARE(declaration.value("name").toString(), QStringLiteral("execute_command"));
        QVERIFY(declaration.value("description").toString().contains(agent::operatingSystemName()));
        QCOMPARE(declaration["parameters"]["properties"]["command"]["type"], QJsonValue("string"));
        QCOMPARE(declaration["parameters"]["required"], QJsonValue(QJsonArray { "command" }));
        QCOMPARE(
            apiTranscript(session->apiMessages()), (QStringList { "user: text(hello)", "model: text(Hi.)" }));
    }

    void theCallKeepsItsSignature_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("signature");
        QTest::newRow("one signed call")
            << callChunk(QStringLiteral("echo only"), QStringLiteral("U2lnbmVk")) << "echo only"
            << "U2lnbmVk";
        // The service signs the first of parallel calls; only the last runs.
        QTest::newRow("two calls, the first signed")
            << partsChunk({ callPart(QStringLiteral("echo first"), QStringLiteral("Rmlyc3Q=")),
                   callPart(QStringLiteral("echo second")) })
            << "echo second"
            << "Rmlyc3Q=";
        QTest::newRow("two calls in two chunks") << callChunk(QStringLiteral("echo first"))
                + "\r\n\r\ndata: " + callChunk(QStringLiteral("echo second"))
                                                 << "echo second"
                                                 << "";
    }
    void theCallKeepsItsSignature()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, command);
        QFETCH(QString, signature);
        AgentFixture f;
        f.setKey();
        f.defaults->setString(keys::aiChatApprovalMode, QStringLiteral("never"));
        f.server->enqueue(FakeReply::events({ reply }));
        f.server->enqueue(FakeReply::events({ textChunk("Done.") }));
        f.server->enqueue(titleReply("T"));
        const ConversationSessionPtr session = f.begin(QStringLiteral("run something"));
        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("T"), kWait);

        const QString printed = command.section(' ', 1);
        QCOMPARE(transcript(*session),
            (QStringList {
                "user: run something", "command: " + command, "output: " + printed, "assistant: Done." }));
        const QJsonObject sent = partOf(f.server->requests().at(1), 1, 0);
        QCOMPARE(sent.value("functionCall")["args"]["command"].toString(), command);
        QCOMPARE(sent.value("thoughtSignature").toString(), signature);
        QCOMPARE(sent.contains("thoughtSignature"), !signature.isEmpty());
    }

    void textBeforeTheCallComesFirst()
    {
        AgentFixture f;
        f.setKey();
        f.defaults->setString(keys::aiChatApprovalMode, QStringLiteral("never"));
        f.server->enqueue(FakeReply::events({ textChunk("Let me "),
            partsChunk({ textPart("look."), callPart(QStringLiteral("echo found")) }) }));
        f.server->enqueue(FakeReply::events({ textChunk("Found it.") }));
        f.server->enqueue(titleReply("Looking"));
        const ConversationSessionPtr session = f.begin(QStringLiteral("find it"));
        QSignalSpy appended(session.get(), &ConversationSession::messageAppended);
        QSignalSpy changed(session.get(), &ConversationSession::messageChanged);
        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("Looking"), kWait);
        // The second chunk redraws its own row only.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().value<qsizetype>(), 1);
        QCOMPARE(appended.count(), 4);

        QCOMPARE(transcript(*session),
            (QStringList { "user: find it", "assistant: Let me look.", "command: echo found", "output: found",
                "assistant: Found it." }));
        QCOMPARE(apiTranscript(session->apiMessages()),
            (QStringList { "user: text(find it)", "model: text(Let me look.), call(echo found)",
                "user: response(found|0)", "model: text(Found it.)" }));
        QCOMPARE(partOf(f.server->requests().at(1), 1, 0), (QJsonObject { { "text", "Let me look." } }));
    }

    void theUserDecides_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<QString>>("command");
        QTest::addColumn<bool>("approve");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("history");
        QTest::newRow("chat asks, approved")
            << "?say hi" << std::optional<QString>("echo hi") << true
            << QStringList { "user: say hi", "command: echo hi", "output: hi", "assistant: Over." }
            << QStringList { "user: text(say hi)", "model: call(echo hi)", "user: response(hi|0)",
                   "model: text(Over.)" };
        QTest::newRow("chat asks, denied")
            << "?say hi" << std::optional<QString>("echo hi") << false
            << QStringList { "user: say hi", "error: Denied: echo hi", "assistant: Over." }
            << QStringList { "user: text(say hi)", "model: call(echo hi)",
                   "user: response(User denied command execution|-1)", "model: text(Over.)" };
        QTest::newRow("terminal asks for a dangerous command")
            << ">restart" << std::optional<QString>("sudo reboot") << false
            << QStringList { "user: restart", "error: Denied: sudo reboot", "assistant: Over." }
            << QStringList { "user: text(restart)", "model: call(sudo reboot)",
                   "user: response(User denied command execution|-1)", "model: text(Over.)" };
        QTest::newRow("a call without its argument asks for an empty command")
            << "?nothing" << std::optional<QString>() << true
            << QStringList { "user: nothing", "command: ", "output: (no output)", "assistant: Over." }
            << QStringList { "user: text(nothing)", "model: call()", "user: response(|0)",
                   "model: text(Over.)" };
    }
    void theUserDecides()
    {
        QFETCH(QString, typed);
        QFETCH(std::optional<QString>, command);
        QFETCH(bool, approve);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, history);
        AgentFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(command) }));
        f.server->enqueue(FakeReply::events({ textChunk("Over.") }));
        f.server->enqueue(titleReply("Decided"));
        const LauncherMode mode = typed.startsWith(u'>') ? LauncherMode::terminal : LauncherMode::aiChat;
        const ConversationSessionPtr session = f.begin(typed.mid(1), mode);

        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);
        QCOMPARE(transcript(*session).last(), "pendingApproval: " + command.value_or(QString()));
        QVERIFY(session->isProcessing());
        QVERIFY(session->approvalContinuation());
        QSignalSpy removed(session.get(), &ConversationSession::messageRemoved);
        f.loop->respondToApproval(*session, approve);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().first().value<qsizetype>(), 1); // the row after the question
        QVERIFY(!session->awaitingApproval());
        QVERIFY(!session->approvalContinuation());
        for (const ConversationMessage &message : session->messages())
            QVERIFY(message.role != ConversationMessage::Role::pendingApproval);

        QTRY_COMPARE_WITH_TIMEOUT(session->title(), QStringLiteral("Decided"), kWait);
        QCOMPARE(transcript(*session), messages);
        QCOMPARE(apiTranscript(session->apiMessages()), history);
        QVERIFY(!session->isProcessing());
    }

    void stoppingAWaitingCommandEndsTheLoop()
    {
        AgentFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("echo never")) }));
        const ConversationSessionPtr session = f.begin(QStringLiteral("try"));
        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);

        f.loop->stop(*session);
        QVERIFY(!session->isProcessing());
        QVERIFY(!session->awaitingApproval());
        QCOMPARE(transcript(*session), (QStringList { "user: try", "error: Denied: echo never" }));
        QCOMPARE(apiTranscript(session->apiMessages()),
            (QStringList { "user: text(try)", "model: call(echo never)",
                "user: response(User denied command execution|-1)" }));

        // The next turn is the only request that follows, and it carries the
        // whole history.
        f.server->enqueue(FakeReply::events({ textChunk("Fine.") }));
        f.loop->start(QStringLiteral("skip it"), session, AgentLoop::Turn::followUp);
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing() && f.networkIdle(), kWait);
        QCOMPARE(f.server->requests().size(), 2);
        QCOMPARE(contentsOf(f.server->requests().at(1)).size(), 4);
        QCOMPARE(session->title(), QStringLiteral("try"));
        QCOMPARE(transcript(*session).last(), QStringLiteral("assistant: Fine."));
    }

    void endingTheLoopEndsWaitingTurns()
    {
        AgentFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("echo never")) }));
        const ConversationSessionPtr session = f.begin(QStringLiteral("try"));
        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);
        const QStringList before = transcript(*session);
        f.loop.reset();
        QCOMPARE(transcript(*session), before);
        QVERIFY(session->task()->isCancelled());
        // Only the conversation itself still holds its task: the loop is gone.
        QCOMPARE(session->task().use_count(), 2);
    }

    void aFollowUpInterruptsTheRunningAnswer()
    {
        AgentFixture f;
        f.setKey();
        FakeReply unfinished = FakeReply::events({ textChunk("Partial") });
        unfinished.holdOpen = true;
        f.server->enqueue(unfinished);
        f.server->enqueue(FakeReply::events({ textChunk("OK.") }));
        const ConversationSessionPtr session = f.begin(QStringLiteral("long story"));
        QTRY_COMPARE_WITH_TIMEOUT(transcript(*session).size(), 2, kWait);
        const std::weak_ptr<AgentTask> first = session->task();

        f.loop->start(QStringLiteral("never mind"), session, AgentLoop::Turn::followUp);
        QVERIFY(first.expired() || first.lock()->isCancelled());
        QVERIFY(session->isProcessing());
        // The first request may stay open: only the loop reading it is gone.
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing() && first.expired(), kWait);

        QCOMPARE(transcript(*session),
            (QStringList { "user: long story", "assistant: Partial", "user: never mind", "assistant: OK." }));
        QCOMPARE(apiTranscript(session->apiMessages()),
            (QStringList { "user: text(long story)", "user: text(never mind)", "model: text(OK.)" }));
        // A stopped first turn asks for no title.
        QCOMPARE(f.server->requests().size(), 2);
        QCOMPARE(session->title(), QStringLiteral("long story"));
    }

    void stoppingKeepsThePartialAnswer()
    {
        AgentFixture f;
        f.setKey();
        FakeReply unfinished = FakeReply::events({ textChunk("Half an "), usageChunk(7, 3) });
        unfinished.holdOpen = true;
        f.server->enqueue(unfinished);
        const ConversationSessionPtr session = f.begin(QStringLiteral("story"));
        QTRY_COMPARE_WITH_TIMEOUT(transcript(*session).size(), 2, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(f.defaults->integer(keys::aiUsageInputTokens), 7, kWait);
        const std::weak_ptr<AgentTask> task = session->task();
        QCOMPARE(task.use_count(), 3);

        f.loop->stop(*session);
        QVERIFY(!session->isProcessing());
        // The loop gives up its wait at once, not when the service goes on.
        QTRY_COMPARE_WITH_TIMEOUT(task.use_count(), 1, kWait);
        QCOMPARE(apiTranscript(session->apiMessages()),
            (QStringList { "user: text(story)", "model: text(Half an )" }));
        QCOMPARE(f.server->requests().size(), 1);
        // The request ends with the stop; what it used stays counted.
        QTRY_COMPARE_WITH_TIMEOUT(f.server->openConnections(), 0, kWait);
        QCOMPARE(f.defaults->integer(keys::aiUsageOutputTokens), 3);
    }

    void stoppingEndsTheRunningCommand_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the stop button") << "stop";
        QTest::newRow("a follow-up") << "follow-up";
        QTest::newRow("quitting") << "quit";
    }
    void stoppingEndsTheRunningCommand()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(QStringLiteral("pid"));
        const QString command = QStringLiteral("echo $$ > '%1'; exec sleep 100").arg(pidFile);
        AgentFixture f;
        f.setKey();
        f.defaults->setString(keys::aiChatApprovalMode, QStringLiteral("never"));
        f.server->enqueue(FakeReply::events({ callChunk(command) }));
        const ConversationSessionPtr session = f.begin(QStringLiteral("wait for it"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(pidFile).size() > 0, kWait);
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t shell = pid_t(file.readAll().trimmed().toInt());
        const std::weak_ptr<AgentTask> first = session->task();

        if (how == u"stop") {
            f.loop->stop(*session);
        } else if (how == u"follow-up") {
            f.server->enqueue(FakeReply::events({ textChunk("Moving on.") }));
            f.loop->start(QStringLiteral("forget it"), session, AgentLoop::Turn::followUp);
        } else {
            f.loop.reset();
        }
        QTRY_VERIFY_WITH_TIMEOUT(kill(shell, 0) != 0 && errno == ESRCH, kWait);
        if (how == u"quit")
            return;
        QTRY_VERIFY_WITH_TIMEOUT(
            first.use_count() <= 1 && !session->isProcessing() && f.networkIdle(), kWait);

        // Nothing of the stopped command is shown; the model hears of it.
        QStringList messages { "user: wait for it", "command: " + command };
        QStringList history { "user: text(wait for it)", "model: call(" + command + ")",
            "user: response(Interrupted by the user before the command finished|-1)" };
        if (how == u"follow-up") {
            messages << "user: forget it"
                     << "assistant: Moving on.";
            history << "user: text(forget it)"
                    << "model: text(Moving on.)";
        }
        QCOMPARE(transcript(*session), messages);
        QCOMPARE(apiTranscript(session->apiMessages()), history);
        QCOMPARE(f.server->requests().size(), how == u"stop" ? 1 : 2);
    }

    void unaskedCommandsRunInTheSandbox_data()
    {
        QTest::addColumn<SandboxKind>("sandbox");
        QTest::newRow("bubblewrap") << SandboxKind::bubblewrap;
        QTest::newRow("landlock") << SandboxKind::landlock;
        QTest::newRow("none: it asks") << SandboxKind::none;
    }
    void unaskedCommandsRunInTheSandbox()
    {
        QFETCH(SandboxKind, sandbox);
        CommandSandbox::force(sandbox);
        const auto unforce = qScopeGuard([] { CommandSandbox::force(std::nullopt); });
        AgentFixture f;
        f.setKey();
        // The preferences file in use hides with the rest.
        const QString command = QStringLiteral("cat '%1'").arg(f.defaults->filePath());
        f.server->enqueue(FakeReply::events({ callChunk(command) }));
        f.server->enqueue(FakeReply::events({ textChunk("Done.") }));
        const ConversationSessionPtr session = f.begin(QStringLiteral("look"), LauncherMode::terminal);
        if (sandbox == SandboxKind::none) {
            QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);
            f.loop->respondToApproval(*session, false);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing() && f.networkIdle(), kWait);
        if (sandbox == SandboxKind::none) {
            QCOMPARE(transcript(*session).at(1), "error: Denied: " + command);
            return;
        }
        QCOMPARE(session->messages().at(1).role, ConversationMessage::Role::command);
        QVERIFY(session->messages().at(1).sandboxed);
        QVERIFY(!f.server->requests().at(1).body.contains(kTestKey.toUtf8()));
    }

    void withoutAKeyOnlyTheErrorAppears()
    {
        AgentFixture f;
        const ConversationSessionPtr session = f.begin(QStringLiteral("hello there"));
        QCOMPARE(
            transcript(*session), QStringList { "error: Please set your Gemini API key in Settings → AI" });
        QVERIFY(!session->isProcessing());
        QVERIFY(session->apiMessages().isEmpty());
        QVERIFY(f.networkIdle());
    }

    // An answer past the chat's limit is cut with a note and its request ended.
    void aHugeAnswerIsCutAndEnded()
    {
        AgentFixture f;
        f.setKey();
        const QString piece(64 * 1024, QLatin1Char('a'));
        FakeReply huge = FakeReply::events({ textChunk(piece), textChunk(piece), textChunk(piece),
            textChunk(piece), textChunk(piece), textChunk(piece) });
        huge.holdOpen = true;
        f.server->enqueue(huge);
        const ConversationSessionPtr session = f.begin(QStringLiteral("everything"));
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing(), kWait);
        QCOMPARE(transcript(*session).last(), "error: " + agent::answerCutMessage);
        QVERIFY(session->messages().at(1).content.size() <= agent::maxAnswerLength + piece.size());
        QTRY_COMPARE_WITH_TIMEOUT(f.server->openConnections(), 0, kWait);
    }

    void aFailedStreamEndsTheTurn()
    {
        AgentFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::body(400, "{\"error\": {\n  \"message\": \"bad\"\n}}"));
        f.server->enqueue(FakeReply::body(500, "down", "text/plain"));
        const ConversationSessionPtr session = f.begin(QStringLiteral("will fail"));
        QTRY_VERIFY_WITH_TIMEOUT(f.server->requests().size() == 2 && f.networkIdle(), kWait);
        QVERIFY(!session->isProcessing());
        QCOMPARE(transcript(*session).size(), 2);
        QCOMPARE(transcript(*session).at(0), QStringLiteral("user: will fail"));
        QVERIFY2(transcript(*session).at(1) == QStringLiteral("error: bad"),
            qPrintable(transcript(*session).at(1)));
        QCOMPARE(apiTranscript(session->apiMessages()), QStringList { "user: text(will fail)" });
        // The failed title request leaves the cut query.
        QCOMPARE(session->title(), QStringLiteral("will fail"));
    }
};

QUILLET_TEST_MAIN(AgentLoopTest)
#include "AgentLoopTest.moc"
