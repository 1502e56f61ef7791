#pragma once

#include "support/FakeGeminiServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

// Bodies the Gemini service sends, for scripting the fake server.
namespace quillet::test::gemini {

inline QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// One streamed chunk whose first candidate carries `parts`.
inline QByteArray partsChunk(const QJsonArray &parts, const QJsonObject &usage = {})
{
    QJsonObject payload { { "candidates",
        QJsonArray {
            QJsonObject { { "content", QJsonObject { { "role", "model" }, { "parts", parts } } } } } } };
    if (!usage.isEmpty())
        payload.insert("usageMetadata", usage);
    return compact(payload);
}

inline QJsonObject textPart(const QString &text)
{
    return QJsonObject { { "text", text } };
}

inline QJsonObject callPart(const std::optional<QString> &command, const QString &signature = {})
{
    QJsonObject call { { "name", "execute_command" } };
    if (command)
        call.insert("args", QJsonObject { { "command", *command } });
    QJsonObject part { { "functionCall", call } };
    if (!signature.isEmpty())
        part.insert("thoughtSignature", signature);
    return part;
}

inline QByteArray textChunk(const QString &text)
{
    return partsChunk({ textPart(text) });
}

// The last chunk of an answer: the service says why it stopped.
inline QByteArray lastTextChunk(const QString &text)
{
    return compact(QJsonObject { { "candidates",
        QJsonArray { QJsonObject { { "content", QJsonObject { { "parts", QJsonArray { textPart(text) } } } },
            { "finishReason", "STOP" } } } } });
}

inline QByteArray callChunk(const std::optional<QString> &command, const QString &signature = {})
{
    return partsChunk({ callPart(command, signature) });
}

inline QByteArray usageChunk(int input, int output)
{
    return partsChunk({}, QJsonObject { { "promptTokenCount", input }, { "candidatesTokenCount", output } });
}

// A streamed answer made of text chunks.
inline FakeReply textStream(const QStringList &chunks)
{
    QList<QByteArray> payloads;
    for (const QString &text : chunks)
        payloads.append(textChunk(text));
    if (!chunks.isEmpty())
        payloads.last() = lastTextChunk(chunks.last());
    return FakeReply::events(payloads);
}

// The one-shot answer of a generate request.
inline FakeReply generated(const QString &text)
{
    return FakeReply::body(200, partsChunk({ textPart(text) }));
}

} // namespace quillet::test::gemini
