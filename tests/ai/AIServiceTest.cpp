#include "ai/AIService.h"
#include "EventText.h"
#include "defaults/Defaults.h"
#include "support/FakeGeminiServer.h"
#include "support/GeminiPayloads.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QTcpServer>

Q_DECLARE_METATYPE(quillet::test::FakeReply)

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

const QString kKey = u"AIzaTestKey-0123456789abcdefghijklmnop"_s;
const QString kModel = u"gemini-test"_s;
constexpr int kWait = 20000;

QByteArray chunk(const QString &text)
{
    return test::gemini::textChunk(text);
}

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

QStringList textsOf(const Drained<StreamEvent> &drained)
{
    return eventTexts(drained.values);
}

// Collects every log line written while it lives.
class LogCapture {
public:
    LogCapture()
    {
        s_lines.clear();
        QLoggingCategory::setFilterRules(u"quillet.*=true\nqt.network.*=true"_s);
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &message) { s_lines.append(message); });
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static QStringList s_lines;

private:
    QtMessageHandler m_previous;
};
QStringList LogCapture::s_lines;

} // namespace

class AIServiceTest : public QObject {
    Q_OBJECT
private:
    FakeGeminiServer *m_server = nullptr;
    AIService *m_service = nullptr;

    std::shared_ptr<Drained<QString>> text(
        const QString &systemPrompt = u"Fix"_s, const QString &input = u"teh cat"_s)
    {
        return drain(m_service->streamText(kModel, kKey, systemPrompt, input));
    }
    std::shared_ptr<Drained<StreamEvent>> chat(const QList<ChatMessage> &messages = {},
        const QString &instruction = QString(), const QList<QJsonObject> &tools = {})
    {
        return drain(m_service->streamChat(messages, instruction, tools, kKey, kModel));
    }
    GenerateResult generate(const QString &systemPrompt = u"Reply with OK"_s)
    {
        auto result = std::make_shared<std::optional<GenerateResult>>();
        [](AIService *service, QString prompt,
            std::shared_ptr<std::optional<GenerateResult>> out) -> QCoro::Task<> {
            *out = co_await service->generate(u"Hello"_s, prompt, kKey, kModel);
        }(m_service, systemPrompt, result);
        if (!QTest::qWaitFor([&] { return result->has_value(); }, kWait))
            return { QString(), u"(no answer)"_s };
        return **result;
    }

private Q_SLOTS:
    void init()
    {
        m_server = new FakeGeminiServer(this);
        m_service = new AIService([url = m_server->baseUrl()] { return url; }, this);
    }
    void cleanup()
    {
        delete m_service;
        delete m_server;
    }

    void userTurnRequests_data()
    {
        QTest::addColumn<bool>("streamed");
        QTest::addColumn<QString>("systemPrompt");
        QTest::newRow("streamText") << true << u"Fix"_s;
        QTest::newRow("streamText, empty system prompt") << true << QString();
        QTest::newRow("generate") << false << u"Reply with OK"_s;
        QTest::newRow("generate, empty system prompt") << false << QString();
    }
    void userTurnRequests()
    {
        QFETCH(bool, streamed);
        QFETCH(QString, systemPrompt);
        if (streamed) {
            m_server->enqueue(FakeReply::events({}));
            auto streamed = text(systemPrompt, u"Hello"_s);
            QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        } else {
            m_server->enqueue(FakeReply::body(200, chunk(u"OK"_s)));
            QVERIFY(generate(systemPrompt).ok());
        }
        QCOMPARE(m_server->requests().size(), 1);
        const RecordedRequest &request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path,
            streamed ? QByteArray("/v1beta/models/gemini-test:streamGenerateContent?alt=sse")
                     : QByteArray("/v1beta/models/gemini-test:generateContent"));
        QCOMPARE(request.header("x-goog-api-key"), kKey.toLatin1());
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QVERIFY(!request.hasHeader("Authorization"));
        QCOMPARE(request.json.object(),
            QJsonObject(
                { { "contents",
                      QJsonArray { QJsonObject { { "parts",
                          QJsonArray { QJsonObject { { "text", systemPrompt + "\n\nHello" } } } } } } },
                    { "generationConfig", QJsonObject { { "temperature", 0.3 } } } }));
    }

    void chatRequestBodies()
    {
        const QList<ChatMessage> messages {
            { ChatMessage::Role::user, { ChatPart::text(u"list files"_s) } },
            { ChatMessage::Role::model,
                { ChatPart::text(u"Running"_s),
                    ChatPart::functionCall({ u"execute_command"_s, { { "command", "ls" } }, QString() }) } },
            { ChatMessage::Role::user,
                { ChatPart::functionResponse(
                    { u"execute_command"_s, { { "exitCode", "0" }, { "output", "a\nb" } } }) } },
        };
        const QJsonObject tool
            = json(R"({"functionDeclarations":[{"name":"execute_command","description":"Run",
            "parameters":{"type":"object","properties":{"command":{"type":"string"}},"required":["command"]}}]})");

        m_server->enqueue(FakeReply::events({}));
        m_server->enqueue(FakeReply::events({}));
        m_server->enqueue(FakeReply::events({}));
        auto empty = chat();
        QTRY_VERIFY_WITH_TIMEOUT(empty->ended, kWait);
        auto full = chat(messages, u"Be brief."_s, { tool });
        QTRY_VERIFY_WITH_TIMEOUT(full->ended, kWait);
        auto bareChat = chat(messages, QString(), {});
        QTRY_VERIFY_WITH_TIMEOUT(bareChat->ended, kWait);
        QCOMPARE(m_server->requests().size(), 3);

        QCOMPARE(m_server->requests()[0].path,
            QByteArray("/v1beta/models/gemini-test:streamGenerateContent?alt=sse"));
        QCOMPARE(m_server->requests()[0].json.object(),
            json(R"({"contents":[],"generationConfig":{"temperature":0.3}})"));
        QCOMPARE(m_server->requests()[1].json.object(), json(R"({
            "contents":[
              {"role":"user","parts":[{"text":"list files"}]},
              {"role":"model","parts":[{"text":"Running"},{"functionCall":{"name":"execute_command","args":{"command":"ls"}}}]},
              {"role":"user","parts":[{"functionResponse":{"name":"execute_command","response":{"exitCode":"0","output":"a\nb"}}}]}],
            "generationConfig":{"temperature":0.3},
            "systemInstruction":{"parts":[{"text":"Be brief."}]},
            "tools":[{"functionDeclarations":[{"name":"execute_command","description":"Run",
              "parameters":{"type":"object","properties":{"command":{"type":"string"}},"required":["command"]}}]}]})"));
        const QJsonObject bare = m_server->requests()[2].json.object();
        QVERIFY(!bare.contains("systemInstruction"));
        QVERIFY(!bare.contains("tools"));
    }

    void thoughtSignatureTravelsBackWithItsCall()
    {
        m_server->enqueue(FakeReply::events(
            { R"({"candidates":[{"content":{"role":"model","parts":[{"functionCall":{"name":"execute_command","args":{"command":"date"}},"thoughtSignature":"U2lnbmF0dXJl"}]}}]})" }));
        auto first = chat({ { ChatMessage::Role::user, { ChatPart::text(u"what time is it"_s) } } });
        QTRY_VERIFY_WITH_TIMEOUT(first->ended, kWait);
        QCOMPARE(
            textsOf(*first), (QStringList { "call:execute_command(command=date) sig:U2lnbmF0dXJl", "done" }));

        const FunctionCall call = std::get<FunctionCall>(first->values.first().value);
        m_server->enqueue(FakeReply::events({ chunk(u"It is noon."_s) }));
        auto second = chat({ { ChatMessage::Role::user, { ChatPart::text(u"what time is it"_s) } },
            { ChatMessage::Role::model, { ChatPart::functionCall(call) } },
            { ChatMessage::Role::user,
                { ChatPart::functionResponse({ call.name, { { "output", "12:00" } } }) } } });
        QTRY_VERIFY_WITH_TIMEOUT(second->ended, kWait);
        QCOMPARE(m_server->requests()[1].json.object().value("contents").toArray()[1].toObject(),
            json(
                R"({"role":"model","parts":[{"functionCall":{"name":"execute_command","args":{"command":"date"}},
                          "thoughtSignature":"U2lnbmF0dXJl"}]})"));
    }

    void twoTextPartsInOneChunk()
    {
        const QByteArray payload = R"({"candidates":[{"content":{"parts":[{"text":"A"},{"text":"B"}]}}]})";
        m_server->enqueue(FakeReply::events({ payload }));
        m_server->enqueue(FakeReply::events({ payload }));
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->values, QStringList { "A" });
        auto chatted = chat();
        QTRY_VERIFY_WITH_TIMEOUT(chatted->ended, kWait);
        QCOMPARE(textsOf(*chatted), (QStringList { "text:A", "text:B", "done" }));
    }

    // Every operation reports a failed status in words: the service's own
    // message, else the status; the raw body is only the detail.
    void errorStatusReadsInWords_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        QTest::newRow("JSON error over several lines")
            << FakeReply::body(400,
                   "{\n  \"error\": {\n    \"code\": 400,\n    \"message\": \"API key not valid.\"\n  }\n}\n")
            << "API key not valid."
            << R"(HTTP 400: {"code":400,"message":"API key not valid."})";
        QTest::newRow("quota") << FakeReply::body(
            429, R"({"error":{"code":429,"status":"RESOURCE_EXHAUSTED"}})")
                               << "RESOURCE_EXHAUSTED"
                               << R"(HTTP 429: {"code":429,"status":"RESOURCE_EXHAUSTED"})";
        QTest::newRow("proxy page") << FakeReply::body(502, "<html><body>Bad Gateway</body></html>",
            "text/html") << "The service is unavailable (502)"
                                    << "HTTP 502: <html><body>Bad Gateway</body></html>";
        // Cut before it is read at all: nothing of it is held or parsed whole.
        QByteArray huge = "{\"error\":{\"message\":\"" + QByteArray(20 * 1024 * 1024, 'x') + "\"}}";
        QTest::newRow("20 MB body") << FakeReply::body(503, huge) << "The service is unavailable (503)"
                                    << QString::fromUtf8(
                                           "HTTP 503: " + huge.left(quillet::gemini::kMaxErrorBodyBytes));
    }
    void errorStatusReadsInWords()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        for (int i = 0; i < 3; ++i)
            m_server->enqueue(reply);
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->error, std::optional<QString>(message));
        QCOMPARE(streamed->detail, detail);
        QVERIFY(streamed->values.isEmpty());
        auto chatted = chat();
        QTRY_VERIFY_WITH_TIMEOUT(chatted->ended, kWait);
        QCOMPARE(chatted->error, std::optional<QString>(message));
        QCOMPARE(generate().error, std::optional<QString>(message));
        m_server->dropScripted();
    }

    // Cancelling ends the request itself, not only the reading.
    void cancelAbortsTheRequest()
    {
        FakeReply held = FakeReply::events({ chunk(u"one"_s) });
        held.holdOpen = true;
        m_server->enqueue(held);
        AIStream<QString> stream = m_service->streamText(kModel, kKey, u"Fix"_s, u"x"_s);
        auto streamed = drain(stream);
        QTRY_COMPARE_WITH_TIMEOUT(streamed->values, QStringList { u"one"_s }, kWait);
        QCOMPARE(m_server->openConnections(), 1);
        stream.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, kWait);
        QVERIFY(streamed->ended);
        QCOMPARE(streamed->error, std::nullopt);
    }

    void answerPastTheLimitIsCutAndEnded()
    {
        m_service->setMaxAnswerLength(5);
        FakeReply reply = FakeReply::events({ chunk(u"abc"_s), chunk(u"defg"_s), chunk(u"never"_s) });
        reply.holdOpen = true;
        m_server->enqueue(reply);
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->values, (QStringList { "abc", "de" }));
        QVERIFY(streamed->error && streamed->error->contains(u"cut off"_s));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, kWait);
    }

    void generateResults_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("trimmed") << 200 << chunk(u"  OK\n"_s) << "OK" << QString();
        QTest::newRow("no candidates")
            << 200 << QByteArray(R"({"candidates":[]})") << QString() << "Could not parse API response";
        QTest::newRow("first part not text")
            << 200 << QByteArray(R"({"candidates":[{"content":{"parts":[{"functionCall":{"name":"f"}}]}}]})")
            << QString() << "Could not parse API response";
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << QString() << "illegal value";
        QTest::newRow("error object") << 200 << QByteArray(R"({"error":{"code":429,"message":"Slow down"}})")
                                      << QString() << "Slow down";
    }
    void generateResults()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(QString, error);
        m_server->enqueue(FakeReply::body(status, body));
        const GenerateResult result = generate();
        QCOMPARE(result.error.value_or(QString()), error);
        QCOMPARE(result.text, text);
    }

    void errorObjectAfterASuccessfulStart_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::newRow("as an event") << FakeReply::events({ chunk(u"Hel"_s),
            R"({"error":{"code":503,"message":"The model is overloaded."}})", chunk(u"never"_s) });
        FakeReply trailing = FakeReply::events({ chunk(u"Hel"_s) });
        trailing.writes.append("[{\n  \"error\": {\n    \"code\": 503,\n    \"message\": \"The model is "
                               "overloaded.\"\n  }\n}\n]\n");
        QTest::newRow("as a trailing body") << trailing;
    }
    void errorObjectAfterASuccessfulStart()
    {
        QFETCH(FakeReply, reply);
        m_server->enqueue(reply);
        m_server->enqueue(reply);
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->values, QStringList { "Hel" });
        QCOMPARE(streamed->error, std::optional<QString>(u"The model is overloaded."_s));
        auto chatted = chat();
        QTRY_VERIFY_WITH_TIMEOUT(chatted->ended, kWait);
        QCOMPARE(textsOf(*chatted), QStringList { "text:Hel" });
        QCOMPARE(chatted->error, std::optional<QString>(u"The model is overloaded."_s));
    }

    void splitWritesAndCrlfFraming_data()
    {
        QTest::addColumn<int>("pieceSize");
        QTest::newRow("1 byte") << 1;
        QTest::newRow("3 bytes") << 3;
        QTest::newRow("7 bytes") << 7;
        QTest::newRow("whole") << 100000;
    }
    void splitWritesAndCrlfFraming()
    {
        QFETCH(int, pieceSize);
        const QStringList pieces { u"Grüße, "_s, u"世界 "_s, u"🎉👩‍👩‍👧!"_s };
        m_server->enqueue(
            FakeReply::events({ chunk(pieces[0]), chunk(pieces[1]), test::gemini::lastTextChunk(pieces[2]) })
                .splitEvery(pieceSize));
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->error, std::nullopt);
        QCOMPARE(streamed->values, pieces);
    }

    void droppedConnectionEndsWithTheTransportError()
    {
        FakeReply reply = FakeReply::events({ chunk(u"one"_s), chunk(u"two"_s) });
        reply.dropAfterWrites = true;
        m_server->enqueue(reply);
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->values, (QStringList { "one", "two" }));
        QVERIFY(streamed->error);
        QVERIFY2(!streamed->error->isEmpty() && !streamed->error->startsWith("The service"),
            qPrintable(*streamed->error));
    }

    void unansweredRequestTimesOut()
    {
        FakeReply silent;
        silent.neverAnswer = true;
        m_server->enqueue(silent);
        m_server->enqueue(silent);
        m_service->setTimeout(200ms);
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->error, std::optional<QString>(u"The request timed out."_s));
        QCOMPARE(generate().error, std::optional<QString>(u"The request timed out."_s));
    }

    void streamOutlivesItsService()
    {
        FakeReply silent;
        silent.neverAnswer = true;
        m_server->enqueue(silent);
        auto streamed = text();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 1, kWait);
        delete m_service;
        m_service = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->error, std::optional<QString>(u"The request was cancelled."_s));
    }

    void unreachableServer()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        AIService service([port] { return u"http://127.0.0.1:%1"_s.arg(port); });
        auto streamed = drain(service.streamText(kModel, kKey, QString(), u"x"_s));
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->error, std::optional<QString>(u"Connection refused"_s));
    }

    void requestsThatCannotBeFormed_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("error");
        QTest::newRow("model with a space") << QString() << "gemini pro" << kKey << "Invalid API URL";
        QTest::newRow("base without a host") << "http://" << kModel << kKey << "Invalid API URL";
        QTest::newRow("base of another scheme") << "file:///tmp" << kModel << kKey << "Invalid API URL";
        QTest::newRow("key with a line break") << QString() << kModel << kKey + "\r\nX-Evil: 1"
                                               << "Invalid API key";
    }
    void requestsThatCannotBeFormed()
    {
        QFETCH(QString, base);
        QFETCH(QString, model);
        QFETCH(QString, key);
        QFETCH(QString, error);
        const QString serverBase = m_server->baseUrl();
        AIService service([&] { return base.isEmpty() ? serverBase : base; });
        auto streamed = drain(service.streamText(model, key, QString(), u"x"_s));
        auto chatted = drain(service.streamChat({}, QString(), {}, key, model));
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended && chatted->ended, kWait);
        QCOMPARE(streamed->error, std::optional<QString>(error));
        QCOMPARE(chatted->error, std::optional<QString>(error));
        QVERIFY(chatted->values.isEmpty());
        QCOMPARE(m_server->requests().size(), 0);
    }

    void baseAddressComesFromThePreference()
    {
        Defaults defaults(isolatedHome() + u"/base-url.conf"_s);
        defaults.setString(u"geminiBaseURL"_s, m_server->baseUrl() + u"/"_s);
        AIService service(AIService::baseUrlFrom(defaults));
        m_server->enqueue(FakeReply::events({ chunk(u"hi"_s) }));
        auto streamed = drain(service.streamText(kModel, kKey, QString(), u"x"_s));
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        QCOMPARE(streamed->values, QStringList { "hi" });
        QCOMPARE(m_server->requests().first().path,
            QByteArray("/v1beta/models/gemini-test:streamGenerateContent?alt=sse"));
        defaults.remove(u"geminiBaseURL"_s);
        QCOMPARE(AIService::baseUrlFrom(defaults)(), QString());
    }

    void keyNeverLeaks()
    {
        LogCapture log;
        // A proxy that echoes the key back in its error body.
        m_server->enqueue(FakeReply::body(403, "key " + kKey.toLatin1() + " is not allowed", "text/plain"));
        m_server->enqueue(FakeReply::body(403, "key " + kKey.toLatin1() + " is not allowed", "text/plain"));
        m_server->enqueue(FakeReply::events(
            { R"({"error":{"code":400,"message":"bad key )" + kKey.toLatin1() + R"("}})" }));
        auto streamed = text();
        QTRY_VERIFY_WITH_TIMEOUT(streamed->ended, kWait);
        const GenerateResult generated = generate();
        auto chatted = chat();
        QTRY_VERIFY_WITH_TIMEOUT(chatted->ended, kWait);

        const QStringList errors { streamed->error.value_or(QString()), generated.error.value_or(QString()),
            chatted->error.value_or(QString()), streamed->detail };
        QCOMPARE(errors,
            (QStringList { "The service refused the API key (403)", "The service refused the API key (403)",
                "bad key [API key]", "HTTP 403: key [API key] is not allowed" }));
        QVERIFY(!LogCapture::s_lines.isEmpty());
        for (const QString &line : std::as_const(LogCapture::s_lines))
            QVERIFY2(!line.contains(kKey), qPrintable(line));
        for (const RecordedRequest &request : m_server->requests())
            QVERIFY(!request.path.contains(kKey.toLatin1()) && !request.path.contains("key="));
    }
};

QUILLET_TEST_MAIN(AIServiceTest)
#include "AIServiceTest.moc"
