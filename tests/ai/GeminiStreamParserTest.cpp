#include "ai/GeminiStreamParser.h"
#include "EventText.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace quillet;
using namespace quillet::test;

namespace {

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// A chunk whose one candidate carries `partList` (JSON text), then `rest`.
QByteArray parts(const QByteArray &partList, const QByteArray &rest = {})
{
    return R"({"candidates":[{"content":{"parts":[)" + partList + "]}}]" + rest + "}";
}

QList<QByteArray> feedInPieces(LineBuffer &buffer, const QByteArray &input, qsizetype piece)
{
    QList<QByteArray> lines;
    for (qsizetype pos = 0; pos < input.size(); pos += piece)
        lines.append(buffer.feed(QByteArrayView(input).sliced(pos, std::min(piece, input.size() - pos))));
    if (auto rest = buffer.finish())
        lines.append(*rest);
    return lines;
}

} // namespace

class GeminiStreamParserTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linesSurviveAnySplit_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("LF") << QByteArray("a\nb\n") << QList<QByteArray> { "a", "b" };
        QTest::newRow("CRLF") << QByteArray("data: 1\r\n\r\ndata: 2\r\n")
                              << QList<QByteArray> { "data: 1", "", "data: 2" };
        QTest::newRow("unterminated last line") << QByteArray("a\r\nb") << QList<QByteArray> { "a", "b" };
        QTest::newRow("CR inside a line stays") << QByteArray("a\rb\n") << QList<QByteArray> { "a\rb" };
        QTest::newRow("only one CR is a terminator") << QByteArray("a\r\r\n") << QList<QByteArray> { "a\r" };
        QTest::newRow("UTF-8") << QByteArray("h\xc3\xa9 \xe4\xb8\x96 \xf0\x9f\x8e\x89\r\nx")
                               << QList<QByteArray> { "h\xc3\xa9 \xe4\xb8\x96 \xf0\x9f\x8e\x89", "x" };
        QTest::newRow("empty") << QByteArray() << QList<QByteArray> {};
    }
    void linesSurviveAnySplit()
    {
        QFETCH(QByteArray, input);
        QFETCH(QList<QByteArray>, lines);
        for (qsizetype piece = 1; piece <= input.size() + 1; ++piece) {
            LineBuffer buffer;
            QCOMPARE(feedInPieces(buffer, input, piece), lines);
        }
    }

    void overlongLineIsDroppedAlone()
    {
        LineBuffer buffer;
        QByteArray huge(LineBuffer::kMaxLineBytes / 2 + 1, 'x');
        QCOMPARE(buffer.feed("first\n" + huge), QList<QByteArray> { "first" });
        QCOMPARE(buffer.feed(huge), QList<QByteArray> {});
        QCOMPARE(buffer.feed("tail\nnext\n"), QList<QByteArray> { "next" });
        QCOMPARE(buffer.finish(), std::nullopt);
    }

    void chatEventsOfOneChunk_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QStringList>("events");
        const QByteArray usage12 = R"(,"usageMetadata":{"promptTokenCount":12,"candidatesTokenCount":0})";
        const QByteArray usage0 = R"(,"usageMetadata":{"promptTokenCount":0,"candidatesTokenCount":0})";
        QTest::newRow("two text parts")
            << parts(R"({"text":"A"},{"text":"B"})") << QStringList { "text:A", "text:B" };
        QTest::newRow("usage 12 and 0") << parts("", usage12) << QStringList { "usage:12/0" };
        QTest::newRow("usage 0 and 0") << parts("", usage0) << QStringList {};
        QTest::newRow("usage without candidates")
            << QByteArray(R"({"usageMetadata":{"promptTokenCount":5}})") << QStringList {};
        QTest::newRow("usage counts that are not integers") << parts(
            R"({"text":"x"})", R"(,"usageMetadata":{"promptTokenCount":"7","candidatesTokenCount":2.5})")
                                                            << QStringList { "text:x" };
        QTest::newRow("call without args") << parts(R"({"functionCall":{"name":"execute_command"}})")
                                           << QStringList { "call:execute_command()" };
        QTest::newRow("argument values") << parts(
            R"({"functionCall":{"name":"f","args":{"n":3,"s":"ls -la","x":2.5,"b":true,"o":{"k":[1]}}}})")
                                         << QStringList { "call:f(b=true,n=3,o={\"k\":[1]},s=ls -la,x=2.5)" };
        QTest::newRow("call without a name")
            << parts(R"({"functionCall":{"args":{"a":"1"}}},{"functionCall":{"name":7}},{"text":"after"})")
            << QStringList { "text:after" };
        QTest::newRow("thought signature kept with the call")
            << parts(R"({"functionCall":{"name":"f","args":{}},"thoughtSignature":"c2ln"})")
            << QStringList { "call:f() sig:c2ln" };
        QTest::newRow("text wins over a call in the same part")
            << parts(R"({"text":"t","functionCall":{"name":"f"}})") << QStringList { "text:t" };
        QTest::newRow("a part that is not an object spoils the chunk")
            << parts(R"({"text":"t"},5)", R"(,"usageMetadata":{"promptTokenCount":3})") << QStringList {};
        QTest::newRow("empty candidates")
            << QByteArray(R"({"candidates":[],"usageMetadata":{"promptTokenCount":3}})") << QStringList {};
        QTest::newRow("content not an object")
            << QByteArray(R"({"candidates":[{"content":"x"}]})") << QStringList {};
        QTest::newRow("only the first candidate") << QByteArray(
            R"({"candidates":[{"content":{"parts":[{"text":"1"}]}},{"content":{"parts":[{"text":"2"}]}}]})")
                                                  << QStringList { "text:1" };
    }
    void chatEventsOfOneChunk()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QStringList, events);
        QCOMPARE(eventTexts(gemini::chatEvents(object(payload))), events);
    }

    void textModeReadsTheFirstPartOnly()
    {
        QCOMPARE(gemini::firstPartText(object(parts(R"({"text":"A"},{"text":"B"})"))),
            std::optional<QString>(QStringLiteral("A")));
        QCOMPARE(gemini::firstPartText(object(parts(R"({"functionCall":{"name":"f"}},{"text":"B"})"))),
            std::nullopt);
        QCOMPARE(gemini::firstPartText(object(parts(""))), std::nullopt);
    }

    void onlyDataLinesCarryPayloads_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("parsed");
        QTest::newRow("data line") << QByteArray(R"(data: {"a":1})") << true;
        QTest::newRow("no space after the colon") << QByteArray(R"(data:{"a":1})") << false;
        QTest::newRow("end marker") << QByteArray("data: [DONE]") << false;
        QTest::newRow("event field") << QByteArray(R"(event: {"a":1})") << false;
        QTest::newRow("bare JSON") << QByteArray(R"({"a":1})") << false;
        QTest::newRow("broken UTF-8 is read with replacement")
            << QByteArray("data: {\"a\":\"\xff\"}") << true;
    }
    void onlyDataLinesCarryPayloads()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, parsed);
        QCOMPARE(gemini::dataPayload(line).has_value(), parsed);
    }

    void errorObjects_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("object") << QByteArray(
            R"({"error":{"code":503,"message":"The model is overloaded.","status":"UNAVAILABLE"}})")
                                << "The model is overloaded.";
        QTest::newRow("array") << QByteArray(R"([{"error":{"code":429,"message":"Quota"}}])") << "Quota";
        QTest::newRow("no message takes the status text")
            << QByteArray(R"({"error":{"code":500,"status":"INTERNAL"}})") << "INTERNAL";
        QTest::newRow("neither takes the code in words")
            << QByteArray(R"({"error":{"code":404,"message":" "}})") << "The model was not found (404)";
        QTest::newRow("error not an object") << QByteArray(R"({"error":"x"})") << QString();
        QTest::newRow("no error") << QByteArray(R"({"candidates":[]})") << QString();
    }
    void errorObjects()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        const QJsonDocument document = QJsonDocument::fromJson(json);
        const QJsonValue value
            = document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        QCOMPARE(gemini::errorInPayload(value, 200).value_or(gemini::ServiceError {}).message, message);
    }

    void readerEndsOnAnErrorPayload()
    {
        gemini::StreamReader reader(gemini::StreamReader::Mode::chat);
        const QList<StreamEvent> events = reader.feed("data: " + parts(R"({"text":"one"})")
            + "\r\n\r\ndata: {\"error\":{\"code\":500,\"message\":\"Internal\"}}\r\n\r\n"
            + "data: " + parts(R"({"text":"never"})") + "\r\n\r\n");
        QCOMPARE(eventTexts(events), QStringList { "text:one" });
        QCOMPARE(reader.error()->message, QStringLiteral("Internal"));
        QVERIFY(reader.feed("data: " + parts(R"({"text":"x"})") + "\n").isEmpty());
        QVERIFY(reader.finish().isEmpty());
    }

    void readerFindsATrailingErrorBody()
    {
        gemini::StreamReader reader(gemini::StreamReader::Mode::text);
        QCOMPARE(eventTexts(reader.feed("data: " + parts(R"({"text":"one"})")
                     + "\r\n\r\n[{\r\n  \"error\": {\r\n    \"code\": 503,\r\n    \"message\": "
                       "\"Overloaded\"\r\n  }\r\n}\r\n]")),
            QStringList { "text:one" });
        QVERIFY(!reader.error());
        QVERIFY(reader.finish().isEmpty());
        QCOMPARE(reader.error()->message, QStringLiteral("Overloaded"));
    }

    // The service says why each answer stopped: without that, the answer
    // was cut short, however the transport ended.
    void aTextAnswerWithoutItsFinishIsCut_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("cut");
        QTest::newRow("finished") << QByteArray(R"(data: {"candidates":[{"content":{"parts":[{"text":"a"}]},)"
                                                R"("finishReason":"STOP"}]})")
                                  << false;
        QTest::newRow("cut") << "data: " + parts(R"({"text":"a"})") << true;
        QTest::newRow("nothing came") << QByteArray(": keep-alive") << false;
    }
    void aTextAnswerWithoutItsFinishIsCut()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, cut);
        gemini::StreamReader reader(gemini::StreamReader::Mode::text);
        reader.feed(body + "\r\n\r\n");
        reader.finish();
        QCOMPARE(reader.error().has_value(), cut);
    }

    void readerIgnoresNoiseAndEndsWithDone()
    {
        gemini::StreamReader reader(gemini::StreamReader::Mode::chat);
        QList<StreamEvent> events = reader.feed(
            ": keep-alive\nevent: message\ndata: [DONE]\nnot json at all\ndata: " + parts(R"({"text":"x"})"));
        events += reader.finish();
        QCOMPARE(eventTexts(events), (QStringList { "text:x", "done" }));
        QVERIFY(!reader.error());
    }
};

QUILLET_TEST_MAIN(GeminiStreamParserTest)
#include "GeminiStreamParserTest.moc"
