#include "ai/GeminiStreamParser.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <cmath>

namespace quillet {

QList<QByteArray> LineBuffer::feed(QByteArrayView bytes)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', pos);
        const QByteArrayView piece = bytes.sliced(pos, (newline < 0 ? bytes.size() : newline) - pos);
        if (!m_discarding && m_pending.size() + piece.size() > kMaxLineBytes) {
            m_pending = QByteArray();
            m_discarding = true;
        }
        if (!m_discarding)
            m_pending.append(piece);
        if (newline < 0)
            break;
        if (m_discarding) {
            m_discarding = false;
        } else {
            if (m_pending.endsWith('\r'))
                m_pending.chop(1);
            lines.append(std::exchange(m_pending, QByteArray()));
        }
        pos = newline + 1;
    }
    return lines;
}

std::optional<QByteArray> LineBuffer::finish()
{
    const bool discarded = std::exchange(m_discarding, false);
    QByteArray rest = std::exchange(m_pending, QByteArray());
    if (discarded || rest.isEmpty())
        return std::nullopt;
    if (rest.endsWith('\r'))
        rest.chop(1);
    return rest;
}

namespace gemini {

namespace {

const QByteArrayView kDataPrefix("data: ");

std::optional<QJsonValue> parseJson(QByteArrayView bytes)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error == QJsonParseError::IllegalUTF8String) {
        // Read the way a text decoder would: broken sequences become U+FFFD.
        document = QJsonDocument::fromJson(QString::fromUtf8(bytes).toUtf8(), &error);
    }
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    if (document.isObject())
        return QJsonValue(document.object());
    return QJsonValue(document.array());
}

// An array all of whose elements are objects; anything else gives nothing.
std::optional<QJsonArray> objectArray(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QJsonArray array = value.toArray();
    for (const QJsonValue &element : std::as_const(array)) {
        if (!element.isObject())
            return std::nullopt;
    }
    return array;
}

// The parts of the first candidate, when the payload has the expected shape.
std::optional<QJsonArray> firstCandidateParts(const QJsonObject &payload)
{
    const auto candidates = objectArray(payload.value(QLatin1String("candidates")));
    if (!candidates || candidates->isEmpty())
        return std::nullopt;
    const QJsonValue content = candidates->first().toObject().value(QLatin1String("content"));
    if (!content.isObject())
        return std::nullopt;
    return objectArray(content.toObject().value(QLatin1String("parts")));
}

qint64 integerOrZero(const QJsonValue &value)
{
    return value.isDouble() ? value.toInteger(0) : 0;
}

bool isEventFieldLine(QByteArrayView line)
{
    return line.startsWith(':') || line.startsWith("data:") || line.startsWith("event:")
        || line.startsWith("id:") || line.startsWith("retry:");
}

constexpr qsizetype kMaxTrailingBytes = 1024 * 1024;

} // namespace

std::optional<QJsonValue> dataPayload(QByteArrayView line)
{
    if (!line.startsWith(kDataPrefix))
        return std::nullopt;
    return parseJson(line.sliced(kDataPrefix.size()));
}

std::optional<ServiceError> errorInPayload(const QJsonValue &payload, int httpStatus)
{
    QJsonObject object;
    if (payload.isObject()) {
        object = payload.toObject();
    } else if (payload.isArray()) {
        const QJsonArray array = payload.toArray();
        if (array.isEmpty() || !array.first().isObject())
            return std::nullopt;
        object = array.first().toObject();
    } else {
        return std::nullopt;
    }
    const QJsonValue error = object.value(QLatin1String("error"));
    if (!error.isObject())
        return std::nullopt;
    const QJsonObject details = error.toObject();

    qint64 code = httpStatus;
    const QJsonValue codeValue = details.value(QLatin1String("code"));
    if (codeValue.isDouble() && codeValue.toInteger(-1) >= 0)
        code = codeValue.toInteger();

    ServiceError result;
    if (const QJsonValue value = details.value(QLatin1String("message"));
        value.isString() && !value.toString().trimmed().isEmpty())
        result.message = value.toString().trimmed();
    else if (const QJsonValue status = details.value(QLatin1String("status")); status.isString())
        result.message = status.toString();
    else
        result.message = statusInWords(int(code));
    result.detail = QStringLiteral("HTTP %1: %2")
                        .arg(code)
                        .arg(QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact)));
    return result;
}

QString statusInWords(int status)
{
    QString words;
    if (status == 400)
        words = QCoreApplication::translate("GeminiStreamParser", "The service rejected the request");
    else if (status == 401 || status == 403)
        words = QCoreApplication::translate("GeminiStreamParser", "The service refused the API key");
    else if (status == 404)
        words = QCoreApplication::translate("GeminiStreamParser", "The model was not found");
    else if (status == 408 || status == 504)
        words = QCoreApplication::translate("GeminiStreamParser", "The service took too long to answer");
    else if (status == 429)
        words = QCoreApplication::translate("GeminiStreamParser", "Too many requests; try again later");
    else if (status == 502 || status == 503)
        words = QCoreApplication::translate("GeminiStreamParser", "The service is unavailable");
    else if (status >= 500)
        words = QCoreApplication::translate("GeminiStreamParser", "The service failed");
    else
        words = QCoreApplication::translate("GeminiStreamParser", "The service answered with an error");
    return QStringLiteral("%1 (%2)").arg(words).arg(status);
}

ServiceError errorForStatus(int status, QByteArrayView body)
{
    body = body.first(std::min(body.size(), kMaxErrorBodyBytes));
    if (const auto payload = parseJson(body)) {
        if (auto error = errorInPayload(*payload, status))
            return *error;
    }
    // Not the service's JSON (a proxy's HTML page, say): its text is only
    // the detail, with line breaks kept so it reads as it came.
    return { statusInWords(status),
        QStringLiteral("HTTP %1: %2").arg(status).arg(QString::fromUtf8(body).trimmed()) };
}

std::optional<QString> firstPartText(const QJsonObject &payload)
{
    const auto parts = firstCandidateParts(payload);
    if (!parts || parts->isEmpty())
        return std::nullopt;
    const QJsonValue text = parts->first().toObject().value(QLatin1String("text"));
    if (!text.isString())
        return std::nullopt;
    return text.toString();
}

QString argumentText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::abs(number) < 9.0e15)
            return QString::number(qint64(number));
        return QString::number(number, 'f', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Undefined:
        break;
    }
    return QString();
}

QList<StreamEvent> chatEvents(const QJsonObject &payload)
{
    QList<StreamEvent> events;
    const auto parts = firstCandidateParts(payload);
    if (!parts)
        return events;
    for (const QJsonValue &element : *parts) {
        const QJsonObject part = element.toObject();
        if (const QJsonValue text = part.value(QLatin1String("text")); text.isString()) {
            events.append({ StreamEvent::TextDelta { text.toString() } });
            continue;
        }
        const QJsonValue callValue = part.value(QLatin1String("functionCall"));
        if (!callValue.isObject())
            continue;
        const QJsonObject call = callValue.toObject();
        const QJsonValue name = call.value(QLatin1String("name"));
        if (!name.isString())
            continue;
        FunctionCall functionCall { name.toString(), {}, {} };
        const QJsonValue args = call.value(QLatin1String("args"));
        if (args.isObject()) {
            const QJsonObject argsObject = args.toObject();
            for (auto it = argsObject.begin(); it != argsObject.end(); ++it)
                functionCall.args.insert(it.key(), argumentText(it.value()));
        }
        if (const QJsonValue signature = part.value(QLatin1String("thoughtSignature")); signature.isString())
            functionCall.thoughtSignature = signature.toString();
        events.append({ std::move(functionCall) });
    }
    const QJsonValue usage = payload.value(QLatin1String("usageMetadata"));
    if (usage.isObject()) {
        const QJsonObject counts = usage.toObject();
        const qint64 input = integerOrZero(counts.value(QLatin1String("promptTokenCount")));
        const qint64 output = integerOrZero(counts.value(QLatin1String("candidatesTokenCount")));
        if (input >= 1 || output >= 1)
            events.append({ StreamEvent::Usage { input, output } });
    }
    return events;
}

StreamReader::StreamReader(Mode mode)
    : m_mode(mode)
{
}

QList<StreamEvent> StreamReader::feed(QByteArrayView bytes)
{
    QList<StreamEvent> events;
    if (m_error)
        return events;
    for (const QByteArray &line : m_lines.feed(bytes)) {
        readLine(line, events);
        if (m_error)
            break;
    }
    return events;
}

QList<StreamEvent> StreamReader::finish()
{
    QList<StreamEvent> events;
    if (m_error)
        return events;
    if (auto rest = m_lines.finish())
        readLine(*rest, events);
    if (m_error)
        return events;
    if (!m_trailing.isEmpty() && !m_trailingTooLong) {
        if (const auto body = parseJson(m_trailing)) {
            m_error = errorInPayload(*body, 200);
            if (m_error)
                return events;
        }
    }
    // The service ends every answer with the reason it stopped. A body that
    // ends without one was cut short (a server gone mid-stream), even where
    // the transport could not tell.
    if (m_mode == Mode::text && m_sawText && !m_sawFinish) {
        m_error = ServiceError { QCoreApplication::translate(
                                     "GeminiStreamParser", "The answer was cut off before it was complete."),
            QStringLiteral("The stream ended without a finish reason.") };
        return events;
    }
    if (m_mode == Mode::chat)
        events.append({ StreamEvent::Done {} });
    return events;
}

void StreamReader::readLine(const QByteArray &line, QList<StreamEvent> &out)
{
    if (!line.startsWith(kDataPrefix)) {
        if (!isEventFieldLine(line) && !line.trimmed().isEmpty() && !m_trailingTooLong) {
            if (m_trailing.size() + line.size() >= kMaxTrailingBytes) {
                m_trailingTooLong = true;
                m_trailing.clear();
            } else {
                m_trailing.append(line).append('\n');
            }
        }
        return;
    }
    // An event line: whatever came before it was not a trailing body.
    m_trailing.clear();
    m_trailingTooLong = false;

    const auto payload = dataPayload(line);
    if (!payload)
        return;
    if ((m_error = errorInPayload(*payload, 200)))
        return;
    if (!payload->isObject())
        return;
    const QJsonObject object = payload->toObject();
    if (m_mode == Mode::text) {
        if (auto text = firstPartText(object)) {
            m_sawText = m_sawText || !text->isEmpty();
            out.append({ StreamEvent::TextDelta { std::move(*text) } });
        }
        const QJsonValue candidate = object.value(QLatin1String("candidates")).toArray().first();
        if (candidate.toObject().value(QLatin1String("finishReason")).isString())
            m_sawFinish = true;
    } else {
        out.append(chatEvents(object));
    }
}

} // namespace gemini

} // namespace quillet
