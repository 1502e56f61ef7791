#pragma once

#include "ai/AIStream.h"
#include "ai/ChatMessage.h"
#include "ai/GeminiStreamParser.h"
#include "ai/StreamEvent.h"

#include <QJsonObject>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QString>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace quillet {

class Defaults;

// A failure the client reports itself; its description is `message` exactly.
struct GeminiError {
    QString message;
};

// The answer of a one-shot request, or the description of why there is none.
struct GenerateResult {
    QString text;
    std::optional<QString> error;

    bool ok() const { return !error.has_value(); }
};

// The client of Google's Gemini generate-content API.
//
// Every call gets its model and key from the caller and keeps nothing. The
// key travels in the x-goog-api-key header only, never in a URL, and no
// error text or log line carries it. Streams start at once, buffer without
// bound, keep their order and end exactly once; a consumer's cancel aborts
// the request. Failures read as the service's own message or the status in
// words, with the raw error as their detail.
class AIService : public QObject {
    Q_OBJECT
public:
    using GeminiError = quillet::GeminiError;
    // Gives the base address (scheme, host, optional path prefix) for the
    // next request.
    using BaseUrlSource = std::function<QString()>;

    static const QString publicBaseUrl;
    static constexpr std::chrono::milliseconds kDefaultTimeout { 60'000 };

    // An empty source means the public endpoint.
    explicit AIService(BaseUrlSource baseUrl = {}, QObject *parent = nullptr);
    ~AIService() override;

    // A source that reads the "geminiBaseURL" preference at each request and
    // falls back to the public endpoint when it is empty.
    static BaseUrlSource baseUrlFrom(Defaults &defaults);

    // How long a request may go without any data before it fails.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // The longest answer a stream delivers, in characters: past it the
    // request ends and the stream fails with a note saying so.
    static constexpr qsizetype kDefaultMaxAnswerLength = 2 * 1024 * 1024;
    void setMaxAnswerLength(qsizetype length) { m_maxAnswerLength = length; }

    // One user turn (`systemPrompt` in front of `text`), streamed back as the
    // text of each chunk.
    AIStream<QString> streamText(
        const QString &model, const QString &apiKey, const QString &systemPrompt, const QString &text);

    // A whole conversation with an optional system instruction and tool
    // declarations (passed through unchanged), streamed back as events ending
    // with Done.
    AIStream<StreamEvent> streamChat(const QList<ChatMessage> &messages, const QString &systemInstruction,
        const QList<QJsonObject> &tools, const QString &apiKey, const QString &model);

    // One user turn answered in one piece, trimmed.
    QCoro::Task<GenerateResult> generate(QString text, QString systemPrompt, QString apiKey, QString model);

    // The request bodies, as sent.
    static QJsonObject userTurnBody(const QString &systemPrompt, const QString &text);
    static QJsonObject chatBody(const QList<ChatMessage> &messages, const QString &systemInstruction,
        const QList<QJsonObject> &tools);

private:
    struct Prepared {
        std::optional<QNetworkRequest> request;
        QString error;
    };
    Prepared prepare(
        const QString &model, const QString &method, const QString &query, const QString &apiKey) const;
    // Posts `body` to the streaming endpoint and hands each parsed event to
    // `forward`; the stream ends with the request.
    template<typename T>
    AIStream<T> startStream(const QString &model, const QString &apiKey, const QJsonObject &body,
        gemini::StreamReader::Mode mode, std::function<void(AIStream<T> &, StreamEvent &&)> forward);

    BaseUrlSource m_baseUrl;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    qsizetype m_maxAnswerLength = kDefaultMaxAnswerLength;
    QNetworkAccessManager *m_network;
};

} // namespace quillet
