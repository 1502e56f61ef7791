#pragma once

#include "ai/StreamEvent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <optional>

namespace quillet {

// Cuts a byte stream into lines however the bytes were split on the way: a
// line ends at "\n", and one "\r" before it is dropped (the service frames its
// events with CRLF). Bytes are kept as they came, so a UTF-8 sequence split
// between two reads is whole again in its line.
class LineBuffer {
public:
    // A line longer than this is dropped whole rather than held in memory
    // without bound; no event of the service comes near it.
    static constexpr qsizetype kMaxLineBytes = 16 * 1024 * 1024;

    // Appends `bytes` and returns the lines they complete, in order.
    QList<QByteArray> feed(QByteArrayView bytes);
    // The unterminated rest once the input has ended, if there is any.
    std::optional<QByteArray> finish();

private:
    QByteArray m_pending;
    bool m_discarding = false;
};

// The reading rules for one streamed reply of the generate-content service
// (a body of server-sent events), free of any I/O so that it can be fed
// arbitrary bytes.
namespace gemini {

// The JSON payload of a "data: " line. Other lines, and payloads that are not
// JSON (such as an end marker), give nothing.
std::optional<QJsonValue> dataPayload(QByteArrayView line);

// A failure as the user reads it: the service's own words, or the status in
// words, and the raw detail behind it for whoever asks.
struct ServiceError {
    QString message;
    QString detail;
};

// The error held by `payload` (an object, or an array whose first element is
// an object) in an "error" object: its "message", else its "status", else the
// status code in words; the code is the error's own, else `httpStatus`.
std::optional<ServiceError> errorInPayload(const QJsonValue &payload, int httpStatus);

// An HTTP status as a sentence, such as "The service is unavailable (502)".
QString statusInWords(int status);

// The failure a reply with a status other than 200 reports: the message of
// its JSON error body, else the status in words. `body` is cut to
// kMaxErrorBodyBytes before it is read at all.
ServiceError errorForStatus(int status, QByteArrayView body);

// How much of an error body is kept: enough for any error object the service
// sends, little enough to parse and show at once.
inline constexpr qsizetype kMaxErrorBodyBytes = 64 * 1024;

// The text of the first part of the first candidate.
std::optional<QString> firstPartText(const QJsonObject &payload);

// Every event of one chunk of a chat reply: text parts, function calls (with
// their thought signatures) and the chunk's token usage.
QList<StreamEvent> chatEvents(const QJsonObject &payload);

// The textual form of a function-call argument: strings unchanged, numbers in
// plain decimal form, other values as compact JSON.
QString argumentText(const QJsonValue &value);

// Reads the body of a 200 reply chunk by chunk. In text mode it yields one
// TextDelta per chunk (the first part's text), and an answer whose last
// chunk carries no finish reason ends with an error; in chat mode every event
// of each chunk and, at a normal end, Done. A payload that holds an error
// object, or a trailing non-event body that holds one, ends the reading with
// that error instead.
class StreamReader {
public:
    enum class Mode { text, chat };

    explicit StreamReader(Mode mode);

    // The events completed by `bytes`, in order.
    QList<StreamEvent> feed(QByteArrayView bytes);
    // The events of the end of the body (the last unterminated line, Done in
    // chat mode) unless error() is set.
    QList<StreamEvent> finish();

    // Set once an error object was read; nothing is produced after it.
    const std::optional<ServiceError> &error() const { return m_error; }

private:
    void readLine(const QByteArray &line, QList<StreamEvent> &out);

    Mode m_mode;
    LineBuffer m_lines;
    std::optional<ServiceError> m_error;
    // Lines after the last event that are not events themselves: an error
    // the service sends as a plain JSON body after it has started streaming.
    QByteArray m_trailing;
    bool m_trailingTooLong = false;
    // Text mode: an answer came, and the service said it was finished.
    bool m_sawText = false;
    bool m_sawFinish = false;
};

} // namespace gemini

} // namespace quillet
