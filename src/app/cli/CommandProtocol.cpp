#include "app/cli/CommandProtocol.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QtEndian>

#include <cmath>

namespace quillet::cli {

namespace {

const QString kVersion = QStringLiteral("version");
const QString kCommand = QStringLiteral("command");
const QString kArguments = QStringLiteral("arguments");
const QString kOk = QStringLiteral("ok");
const QString kResult = QStringLiteral("result");
const QString kError = QStringLiteral("error");

// Positions and counts stay well inside what a JSON number holds exactly.
constexpr double kMaxWholeNumber = 1e15;

bool isMimeType(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]*/[A-Za-z0-9][A-Za-z0-9!#$&^_.+-]*( *;[\\x20-\\x7e]*)?$"));
    return text.size() <= 255 && pattern.match(text).hasMatch();
}

std::optional<QVariant> wholeNumber(double number, const Parameter &parameter, QString *error)
{
    if (!(number >= 1 && number <= kMaxWholeNumber) || std::floor(number) != number) {
        *error = QStringLiteral("%1 must be a whole number from 1").arg(parameter.valueName);
        return std::nullopt;
    }
    return QVariant(qint64(number));
}

std::optional<QVariant> valueFromJson(const Parameter &parameter, const QJsonValue &json, QString *error)
{
    const auto wrongType = [&](const char *expected) {
        *error
            = QStringLiteral("the argument \"%1\" must be %2").arg(parameter.name, QLatin1String(expected));
        return std::nullopt;
    };
    switch (parameter.kind) {
    case ValueKind::flag:
        if (!json.isBool())
            return wrongType("true or false");
        return QVariant(json.toBool());
    case ValueKind::position:
    case ValueKind::count:
        if (!json.isDouble())
            return wrongType("a number");
        return wholeNumber(json.toDouble(), parameter, error);
    case ValueKind::bytes: {
        if (!json.isString())
            return wrongType("base64 text");
        auto decoded = QByteArray::fromBase64Encoding(
            json.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return wrongType("base64 text");
        if (decoded.decoded.size() > kMaxContentBytes)
            return wrongType("at most 100 MiB of content");
        return QVariant(decoded.decoded);
    }
    case ValueKind::text:
    case ValueKind::mimeType:
    case ValueKind::panelTab:
    case ValueKind::file:
        if (!json.isString())
            return wrongType("text");
        return valueFromText(parameter, json.toString(), error);
    }
    return std::nullopt;
}

QJsonValue jsonFromValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
        return double(value.toLongLong());
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    default:
        return value.toString();
    }
}

} // namespace

QByteArray encodeFrame(const QJsonObject &message)
{
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian(quint32(json.size()), frame.data());
    return frame + json;
}

FrameReader::FrameReader(qint64 maxFrameBytes)
    : m_maxFrameBytes(maxFrameBytes)
{
}

void FrameReader::fail(const QString &error)
{
    m_error = error;
    m_buffer = QByteArray();
}

std::optional<quint32> FrameReader::frameLength() const
{
    if (m_buffer.size() < 4)
        return std::nullopt;
    return qFromBigEndian<quint32>(m_buffer.constData());
}

void FrameReader::append(QByteArrayView bytes)
{
    if (!m_error.isEmpty())
        return;
    const bool hadHeader = m_buffer.size() >= 4;
    m_buffer.append(bytes);
    if (hadHeader)
        return;
    // The length is checked as soon as it is known; no room is reserved for
    // it, so a peer that announces much and sends little costs what it sends.
    if (const auto length = frameLength()) {
        if (*length == 0)
            fail(QStringLiteral("the message is empty"));
        else if (*length > m_maxFrameBytes)
            fail(QStringLiteral("the message announces %1 bytes, more than the %2 allowed")
                     .arg(*length)
                     .arg(m_maxFrameBytes));
    }
}

std::optional<QJsonObject> FrameReader::takeMessage()
{
    const auto length = frameLength();
    if (!m_error.isEmpty() || !length || m_buffer.size() - 4 < qint64(*length))
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document
        = QJsonDocument::fromJson(QByteArray::fromRawData(m_buffer.constData() + 4, *length), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(QStringLiteral("the message is not valid JSON (%1 at byte %2)")
                 .arg(parseError.errorString())
                 .arg(parseError.offset));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(QStringLiteral("the message is not a JSON object"));
        return std::nullopt;
    }
    m_buffer.remove(0, 4 + *length);
    // The next frame's header may already be here; check it as append() would.
    if (!m_buffer.isEmpty()) {
        QByteArray rest;
        std::swap(rest, m_buffer);
        append(rest);
    }
    return document.object();
}

QJsonObject requestMessage(const Request &request)
{
    QJsonObject arguments;
    for (auto it = request.values.begin(); it != request.values.end(); ++it)
        arguments.insert(it.key(), jsonFromValue(it.value()));
    return { { kVersion, kProtocolVersion }, { kCommand, request.command->name }, { kArguments, arguments } };
}

namespace {

bool checkVersion(const QJsonObject &message, QString *error)
{
    const QJsonValue version = message.value(kVersion);
    if (version.isUndefined()) {
        *error = QStringLiteral("the message names no protocol version");
        return false;
    }
    if (version.toDouble(-1) != kProtocolVersion) {
        *error = QStringLiteral("protocol version %1 is not spoken here (this Quillet speaks %2)")
                     .arg(version.isDouble() ? QString::number(version.toDouble()) : QStringLiteral("\"?\""))
                     .arg(kProtocolVersion);
        return false;
    }
    return true;
}

} // namespace

std::optional<Request> requestFromMessage(const QJsonObject &message, QString *error)
{
    if (!checkVersion(message, error))
        return std::nullopt;
    Request request;
    const QString name = message.value(kCommand).toString();
    request.command = findCommand(name);
    if (!request.command) {
        *error = name.isEmpty() ? QStringLiteral("the message names no command")
                                : QStringLiteral("unknown command \"%1\"").arg(name.left(64));
        return std::nullopt;
    }
    const QJsonValue argumentsValue = message.value(kArguments);
    if (!argumentsValue.isUndefined() && !argumentsValue.isObject()) {
        *error = QStringLiteral("the arguments are not a JSON object");
        return std::nullopt;
    }
    QJsonObject arguments = argumentsValue.toObject();
    for (const Parameter &parameter : request.command->parameters) {
        if (parameter.clientOnly)
            continue;
        const QJsonValue json = arguments.take(parameter.name);
        if (json.isUndefined()) {
            if (parameter.required) {
                *error = QStringLiteral("the argument \"%1\" is missing").arg(parameter.name);
                return std::nullopt;
            }
            continue;
        }
        const std::optional<QVariant> value = valueFromJson(parameter, json, error);
        if (!value)
            return std::nullopt;
        request.values.insert(parameter.name, *value);
    }
    if (!arguments.isEmpty()) {
        *error = QStringLiteral("%1 takes no argument \"%2\"").arg(name, arguments.begin().key().left(64));
        return std::nullopt;
    }
    return request;
}

std::optional<QVariant> valueFromText(const Parameter &parameter, const QString &text, QString *error)
{
    switch (parameter.kind) {
    case ValueKind::position:
    case ValueKind::count: {
        bool ok = false;
        const qint64 number = text.toLongLong(&ok);
        if (!ok || number < 1 || number > qint64(kMaxWholeNumber)) {
            *error = QStringLiteral("%1 must be a whole number from 1, not \"%2\"")
                         .arg(parameter.valueName, text.left(64));
            return std::nullopt;
        }
        return QVariant(number);
    }
    case ValueKind::mimeType:
        if (!isMimeType(text)) {
            *error = QStringLiteral("\"%1\" is not a MIME type such as text/plain or image/png")
                         .arg(text.left(64));
            return std::nullopt;
        }
        return QVariant(text);
    case ValueKind::panelTab:
        if (!panelTabs().contains(text)) {
            *error = QStringLiteral("\"%1\" is not %2")
                         .arg(text.left(64), panelTabs().join(QLatin1String(" or ")));
            return std::nullopt;
        }
        return QVariant(text);
    case ValueKind::file:
        if (text.isEmpty()) {
            *error = QStringLiteral("%1 is empty").arg(parameter.valueName);
            return std::nullopt;
        }
        return QVariant(text);
    case ValueKind::text:
        return QVariant(text);
    case ValueKind::flag:
        return QVariant(true);
    case ValueKind::bytes:
        return QVariant(text.toUtf8());
    }
    return std::nullopt;
}

QJsonObject replyMessage(const Reply &reply)
{
    QJsonObject message { { kVersion, kProtocolVersion }, { kOk, reply.ok() } };
    if (reply.ok())
        message.insert(kResult, reply.result);
    else
        message.insert(kError, *reply.error);
    return message;
}

std::optional<Reply> replyFromMessage(const QJsonObject &message, QString *error)
{
    if (!checkVersion(message, error))
        return std::nullopt;
    const QJsonValue ok = message.value(kOk);
    if (!ok.isBool()) {
        *error = QStringLiteral("the reply says neither success nor failure");
        return std::nullopt;
    }
    if (ok.toBool())
        return Reply::success(message.value(kResult));
    return Reply::failure(message.value(kError).toString(QStringLiteral("unknown error")));
}

} // namespace quillet::cli
