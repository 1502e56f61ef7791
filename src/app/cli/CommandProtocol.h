#pragma once

#include "app/cli/CommandTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariantHash>

#include <optional>

namespace quillet::cli {

// The command line talks to the running Quillet over its local socket, one
// request and one reply per connection. Each message is a frame: a 4-byte
// big-endian length followed by that many bytes of a UTF-8 JSON object.
//
//   request  {"version": 1, "command": "pin", "arguments": {"position": 2}}
//   reply    {"version": 1, "ok": true, "result": ...}
//            {"version": 1, "ok": false, "error": "there is no entry 9: ..."}
//
// Arguments are named after the command's parameters; content bytes travel
// as base64 text. A peer that speaks another version is answered with an
// error, as is any frame that is empty, too large or not a JSON object.
inline constexpr int kProtocolVersion = 1;
// The largest content a request or a reply carries: as much as a clipboard
// capture reads of one representation.
inline constexpr qint64 kMaxContentBytes = 100 * 1024 * 1024;
// Such content in base64 and room for the rest of the message.
inline constexpr qint64 kMaxFrameBytes = (kMaxContentBytes + 2) / 3 * 4 + 1024 * 1024;

QByteArray encodeFrame(const QJsonObject &message);

// Cuts a byte stream into messages as the bytes arrive. A frame longer than
// the limit is refused as soon as its length is read, before it is buffered.
class FrameReader {
public:
    explicit FrameReader(qint64 maxFrameBytes = kMaxFrameBytes);

    // Takes the next bytes of the stream; ignored once the stream is broken.
    void append(QByteArrayView bytes);
    // The next whole message, once it has arrived.
    std::optional<QJsonObject> takeMessage();
    // Why the stream cannot be read further; empty while it can.
    const QString &error() const { return m_error; }
    // Bytes received but not yet taken as messages.
    qint64 pendingBytes() const { return m_buffer.size(); }

private:
    void fail(const QString &error);
    // The length the buffered header announces, once four bytes are there.
    std::optional<quint32> frameLength() const;

    QByteArray m_buffer;
    qint64 m_maxFrameBytes;
    QString m_error;
};

// A command with its arguments, checked against its parameters. Values are
// bool (flag), qint64 (position, count), QString (text, MIME type, tab, file)
// or QByteArray (bytes).
struct Request {
    const CommandSpec *command = nullptr;
    QVariantHash values;

    QVariant value(const QString &name) const { return values.value(name); }
};

QJsonObject requestMessage(const Request &request);
// The request `message` carries; nothing, with the reason in `error`, when it
// is not a valid one.
std::optional<Request> requestFromMessage(const QJsonObject &message, QString *error);

// A command-line argument read as `parameter`'s kind of value.
std::optional<QVariant> valueFromText(const Parameter &parameter, const QString &text, QString *error);

struct Reply {
    QJsonValue result;
    std::optional<QString> error;

    bool ok() const { return !error.has_value(); }
    static Reply success(const QJsonValue &result = QJsonValue()) { return { result, std::nullopt }; }
    static Reply failure(const QString &error) { return { QJsonValue(), error }; }
};

QJsonObject replyMessage(const Reply &reply);
std::optional<Reply> replyFromMessage(const QJsonObject &message, QString *error);

} // namespace quillet::cli
