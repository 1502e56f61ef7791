#include "ai/AIService.h"

#include "ai/GeminiStreamParser.h"
#include "defaults/Defaults.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

#include <QCoroTimer>

#include <coroutine>
#include <memory>

namespace quillet {

Q_LOGGING_CATEGORY(lcAi, "quillet.ai")

const QString AIService::publicBaseUrl = QStringLiteral("https://generativelanguage.googleapis.com");

namespace {

// What one read may take off the socket: parsing it stays well within a
// frame, however fast the service sends. The buffer alone does not bound a
// read (Qt hands over more than it when the data is already in), so each
// pass also reads at most this much and lets the window draw before the next.
constexpr qint64 kReadBufferBytes = 64 * 1024;

// Resumes a coroutine at the reply's next sign of life: new data (unless it
// waits for the end only), the end, or its destruction. A reply that is
// already in that state does not suspend at all.
class ReplyActivity {
public:
    enum Wake { onData, onFinished };

    explicit ReplyActivity(QPointer<QNetworkReply> reply, Wake wake = onData)
        : m_reply(std::move(reply))
        , m_wake(wake)
    {
    }

    bool await_ready() const noexcept
    {
        return !m_reply || m_reply->isFinished() || (m_wake == onData && m_reply->bytesAvailable() > 0);
    }

    void await_suspend(std::coroutine_handle<> handle)
    {
        struct Wake {
            std::coroutine_handle<> handle;
            QMetaObject::Connection connections[3];
            bool fired = false;
        };
        auto wake = std::make_shared<Wake>();
        wake->handle = handle;
        auto fire = [wake] {
            if (wake->fired)
                return;
            wake->fired = true;
            for (auto &connection : wake->connections)
                QObject::disconnect(connection);
            wake->handle.resume();
        };
        QNetworkReply *reply = m_reply.data();
        if (m_wake == onData)
            wake->connections[0] = QObject::connect(reply, &QIODevice::readyRead, fire);
        wake->connections[1] = QObject::connect(reply, &QNetworkReply::finished, fire);
        wake->connections[2] = QObject::connect(reply, &QObject::destroyed, fire);
    }

    void await_resume() const noexcept { }

private:
    QPointer<QNetworkReply> m_reply;
    Wake m_wake;
};

// Hands the reply to the event loop for deletion when the reading ends.
struct ReplyOwner {
    QPointer<QNetworkReply> reply;
    ~ReplyOwner()
    {
        if (reply)
            reply->deleteLater();
    }
};

// Keeps the key out of every text that may reach the user or a log, also
// when a server or proxy echoes it back. Very short keys are left alone: they
// would blot out ordinary words.
QString redacted(QString text, const QString &apiKey)
{
    if (apiKey.size() >= 8)
        text.replace(apiKey, QStringLiteral("[API key]"));
    return text;
}

std::optional<int> httpStatus(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    return status.toInt();
}

QString transportError(QNetworkReply *reply)
{
    // The only abort on a live reply is the transfer time-out.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QCoreApplication::translate("AIService", "The request timed out.");
    return reply->errorString();
}

QJsonObject generationConfig()
{
    return QJsonObject { { QStringLiteral("temperature"), 0.3 } };
}

QJsonObject stringMap(const QMap<QString, QString> &map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QJsonObject partObject(const ChatPart &part)
{
    if (const auto *text = std::get_if<QString>(&part.value))
        return QJsonObject { { QStringLiteral("text"), *text } };
    if (const auto *call = std::get_if<FunctionCall>(&part.value)) {
        QJsonObject object { { QStringLiteral("functionCall"),
            QJsonObject { { QStringLiteral("name"), call->name },
                { QStringLiteral("args"), stringMap(call->args) } } } };
        if (!call->thoughtSignature.isEmpty())
            object.insert(QStringLiteral("thoughtSignature"), call->thoughtSignature);
        return object;
    }
    const auto &response = std::get<FunctionResponse>(part.value);
    return QJsonObject { { QStringLiteral("functionResponse"),
        QJsonObject { { QStringLiteral("name"), response.name },
            { QStringLiteral("response"), stringMap(response.response) } } } };
}

using EventSink = std::function<void(StreamEvent &&)>;
struct StreamEnd {
    QString message;
    QString detail;
};
using EndSink = std::function<void(std::optional<StreamEnd>)>;
// Receives what aborts the request, for the consumer's cancel.
using CancelSink = std::function<void(std::function<void()>)>;

// The text of a chat or text event, for the answer's size.
QString *deltaText(StreamEvent &event)
{
    auto *delta = std::get_if<StreamEvent::TextDelta>(&event.value);
    return delta ? &delta->text : nullptr;
}

// Sends one streaming request and reads its reply to the end.
QCoro::Task<> readStream(QNetworkAccessManager *network, QNetworkRequest request, QByteArray body,
    gemini::StreamReader::Mode mode, QString apiKey, qsizetype maxAnswer, EventSink emitEvent, EndSink end,
    CancelSink onCancel)
{
    // Shared with the cancel handler, which may outlive this reading.
    const auto cancelled = std::make_shared<bool>(false);
    const auto fail = [&](const QString &message, const QString &detail = {}) {
        if (*cancelled)
            return;
        const QString text = redacted(message, apiKey);
        qCWarning(lcAi) << "stream failed:" << text;
        end(StreamEnd { text, redacted(detail, apiKey) });
    };

    ReplyOwner owner { network->post(request, body) };
    const QPointer<QNetworkReply> &reply = owner.reply;
    reply->setReadBufferSize(kReadBufferBytes);
    onCancel([reply = QPointer<QNetworkReply>(reply), cancelled] {
        *cancelled = true;
        if (reply)
            reply->abort();
    });
    gemini::StreamReader reader(mode);
    std::optional<int> status;
    QByteArray errorBody;
    qsizetype answerSize = 0;

    for (;;) {
        co_await ReplyActivity(reply);
        if (*cancelled)
            co_return;
        if (!reply) {
            fail(QCoreApplication::translate("AIService", "The request was cancelled."));
            co_return;
        }
        const bool finished = reply->isFinished();
        if (!status)
            status = httpStatus(reply);
        const QByteArray bytes = reply->read(kReadBufferBytes);
        if (!bytes.isEmpty() && status == 200) {
            for (StreamEvent &event : reader.feed(bytes)) {
                QString *text = deltaText(event);
                if (text && answerSize + text->size() > maxAnswer) {
                    // Past this size an answer is no longer something to read
                    // or insert; the rest is not fetched.
                    text->truncate(maxAnswer - answerSize);
                    emitEvent(std::move(event));
                    reply->abort();
                    fail(QCoreApplication::translate(
                        "AIService", "The answer was too long and was cut off after %1 characters.")
                             .arg(QLocale().toString(maxAnswer)));
                    co_return;
                }
                if (text)
                    answerSize += text->size();
                emitEvent(std::move(event));
                if (*cancelled)
                    co_return;
            }
            if (reader.error()) {
                reply->abort();
                fail(reader.error()->message, reader.error()->detail);
                co_return;
            }
        } else if (!bytes.isEmpty()) {
            errorBody.append(bytes.left(gemini::kMaxErrorBodyBytes - errorBody.size()));
            // The start of an error body says what went wrong; the rest is
            // not worth the download.
            if (errorBody.size() >= gemini::kMaxErrorBodyBytes) {
                if (!finished)
                    reply->abort();
                break;
            }
        }
        if (finished && reply->bytesAvailable() == 0)
            break;
        if (reply->bytesAvailable() > 0) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
            if (*cancelled)
                co_return;
        }
    }

    if (!status) {
        fail(reply->error() != QNetworkReply::NoError
                ? transportError(reply)
                : QCoreApplication::translate("AIService", "Invalid response"));
    } else if (*status != 200) {
        const gemini::ServiceError error = gemini::errorForStatus(*status, errorBody);
        fail(error.message, error.detail);
    } else if (reply->error() != QNetworkReply::NoError) {
        fail(transportError(reply));
    } else {
        for (StreamEvent &event : reader.finish())
            emitEvent(std::move(event));
        if (reader.error())
            fail(reader.error()->message, reader.error()->detail);
        else if (!*cancelled)
            end(std::nullopt);
    }
}

// The completion that ends a stream: normally, or with the error's text.
template<typename T> auto endsStream(AIStream<T> stream)
{
    return [stream](std::optional<StreamEnd> error) mutable {
        if (error)
            stream.fail(std::move(error->message), std::move(error->detail));
        else
            stream.finish();
    };
}

} // namespace

AIService::AIService(BaseUrlSource baseUrl, QObject *parent)
    : QObject(parent)
    , m_baseUrl(std::move(baseUrl))
    , m_network(new QNetworkAccessManager(this))
{
}

AIService::~AIService() = default;

AIService::BaseUrlSource AIService::baseUrlFrom(Defaults &defaults)
{
    QPointer<Defaults> source(&defaults);
    return [source] { return source ? source->string(QStringLiteral("geminiBaseURL")) : QString(); };
}

AIService::Prepared AIService::prepare(
    const QString &model, const QString &method, const QString &query, const QString &apiKey) const
{
    QString base = m_baseUrl ? m_baseUrl().trimmed() : QString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (base.isEmpty())
        base = publicBaseUrl;

    const QUrl url(base + QStringLiteral("/v1beta/models/") + model + QLatin1Char(':') + method + query,
        QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return { std::nullopt, QCoreApplication::translate("AIService", "Invalid API URL") };

    // A header value must be printable ASCII; anything else (a pasted line
    // break, say) could split the request.
    for (const QChar c : apiKey) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return { std::nullopt, QCoreApplication::translate("AIService", "Invalid API key") };
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader(QByteArrayLiteral("x-goog-api-key"), apiKey.toLatin1());
    request.setTransferTimeout(int(m_timeout.count()));
    // The key header must not follow a redirect to another origin.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    qCDebug(lcAi) << "POST" << url.toDisplayString();
    return { request, QString() };
}

QJsonObject AIService::userTurnBody(const QString &systemPrompt, const QString &text)
{
    const QJsonObject part { { QStringLiteral("text"), systemPrompt + QStringLiteral("\n\n") + text } };
    return QJsonObject {
        { QStringLiteral("contents"),
            QJsonArray { QJsonObject { { QStringLiteral("parts"), QJsonArray { part } } } } },
        { QStringLiteral("generationConfig"), generationConfig() },
    };
}

QJsonObject AIService::chatBody(
    const QList<ChatMessage> &messages, const QString &systemInstruction, const QList<QJsonObject> &tools)
{
    QJsonArray contents;
    for (const ChatMessage &message : messages) {
        QJsonArray parts;
        for (const ChatPart &part : message.parts)
            parts.append(partObject(part));
        contents.append(QJsonObject {
            { QStringLiteral("role"), rawValue(message.role) }, { QStringLiteral("parts"), parts } });
    }
    QJsonObject body { { QStringLiteral("contents"), contents },
        { QStringLiteral("generationConfig"), generationConfig() } };
    if (!systemInstruction.isEmpty()) {
        body.insert(QStringLiteral("systemInstruction"),
            QJsonObject { { QStringLiteral("parts"),
                QJsonArray { QJsonObject { { QStringLiteral("text"), systemInstruction } } } } });
    }
    if (!tools.isEmpty()) {
        QJsonArray toolArray;
        for (const QJsonObject &tool : tools)
            toolArray.append(tool);
        body.insert(QStringLiteral("tools"), toolArray);
    }
    return body;
}

template<typename T>
AIStream<T> AIService::startStream(const QString &model, const QString &apiKey, const QJsonObject &body,
    gemini::StreamReader::Mode mode, std::function<void(AIStream<T> &, StreamEvent &&)> forward)
{
    AIStream<T> stream;
    Prepared prepared
        = prepare(model, QStringLiteral("streamGenerateContent"), QStringLiteral("?alt=sse"), apiKey);
    if (!prepared.request) {
        stream.fail(prepared.error);
        return stream;
    }
    readStream(
        m_network, *prepared.request, QJsonDocument(body).toJson(QJsonDocument::Compact), mode, apiKey,
        m_maxAnswerLength,
        [stream, forward = std::move(forward)](
            StreamEvent &&event) mutable { forward(stream, std::move(event)); },
        endsStream(stream),
        [stream](std::function<void()> abort) mutable { stream.setCancelHandler(std::move(abort)); });
    return stream;
}

AIStream<QString> AIService::streamText(
    const QString &model, const QString &apiKey, const QString &systemPrompt, const QString &text)
{
    return startStream<QString>(model, apiKey, userTurnBody(systemPrompt, text),
        gemini::StreamReader::Mode::text, [](AIStream<QString> &stream, StreamEvent &&event) {
            if (auto *delta = std::get_if<StreamEvent::TextDelta>(&event.value))
                stream.push(std::move(delta->text));
        });
}

AIStream<StreamEvent> AIService::streamChat(const QList<ChatMessage> &messages,
    const QString &systemInstruction, const QList<QJsonObject> &tools, const QString &apiKey,
    const QString &model)
{
    return startStream<StreamEvent>(model, apiKey, chatBody(messages, systemInstruction, tools),
        gemini::StreamReader::Mode::chat,
        [](AIStream<StreamEvent> &stream, StreamEvent &&event) { stream.push(std::move(event)); });
}

QCoro::Task<GenerateResult> AIService::generate(
    QString text, QString systemPrompt, QString apiKey, QString model)
{
    const auto failure = [&apiKey](const QString &message) {
        const QString text = redacted(message, apiKey);
        qCWarning(lcAi) << "request failed:" << text;
        return GenerateResult { QString(), text };
    };

    Prepared prepared = prepare(model, QStringLiteral("generateContent"), QString(), apiKey);
    if (!prepared.request)
        co_return failure(prepared.error);

    ReplyOwner owner { m_network->post(
        *prepared.request, QJsonDocument(userTurnBody(systemPrompt, text)).toJson(QJsonDocument::Compact)) };
    const QPointer<QNetworkReply> &reply = owner.reply;
    while (reply && !reply->isFinished())
        co_await ReplyActivity(reply, ReplyActivity::onFinished);
    if (!reply)
        co_return failure(QCoreApplication::translate("AIService", "The request was cancelled."));

    const std::optional<int> status = httpStatus(reply);
    if (!status) {
        co_return failure(reply->error() != QNetworkReply::NoError
                ? transportError(reply)
                : QCoreApplication::translate("AIService", "Invalid response"));
    }
    if (*status != 200)
        co_return failure(gemini::errorForStatus(*status, reply->read(gemini::kMaxErrorBodyBytes)).message);
    const QByteArray body = reply->readAll();
    if (reply->error() != QNetworkReply::NoError)
        co_return failure(transportError(reply));

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        co_return failure(parseError.errorString());
    const QJsonValue payload
        = document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    if (auto error = gemini::errorInPayload(payload, *status))
        co_return failure(error->message);
    if (auto answer = gemini::firstPartText(document.object()))
        co_return GenerateResult { answer->trimmed(), std::nullopt };
    co_return failure(QCoreApplication::translate("AIService", "Could not parse API response"));
}

} // namespace quillet
