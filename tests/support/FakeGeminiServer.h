#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTcpServer>

#include <utility>

class QTcpSocket;

namespace quillet::test {

// One request as the fake server received it.
struct RecordedRequest {
    QByteArray method;
    // The request target: path and query.
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The body parsed as JSON (null when it is not JSON).
    QJsonDocument json;

    // The value of a header, matched without regard to case.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
};

// A scripted answer to one request.
struct FakeReply {
    int status = 200;
    QByteArray contentType = "text/event-stream";
    // Chunked transfer encoding (a stream); otherwise Content-Length.
    bool chunked = true;
    // The body, each piece sent as a TCP write of its own (and, when chunked,
    // as a chunk of its own) with a pause between pieces.
    QList<QByteArray> writes;
    // Closes the connection after the writes, before the body is complete.
    bool dropAfterWrites = false;
    // Never answers (the connection stays open): for time-outs.
    bool neverAnswer = false;
    // Keeps the connection open after the writes: a stream the service has
    // not finished yet.
    bool holdOpen = false;

    // A stream of "data: <payload>" events framed with CRLF.
    static FakeReply events(const QList<QByteArray> &payloads);
    // A whole body with a length, in one write.
    static FakeReply body(
        int status, const QByteArray &body, const QByteArray &contentType = "application/json");

    // The same body cut into pieces of `size` bytes, whatever lines or UTF-8
    // sequences that splits.
    FakeReply splitEvery(qsizetype size) const;
};

// A local HTTP/1.1 server standing in for the Gemini service: it answers each
// request with the next scripted reply and records what it received. Listens
// on 127.0.0.1 only.
class FakeGeminiServer : public QObject {
    Q_OBJECT
public:
    explicit FakeGeminiServer(QObject *parent = nullptr);
    ~FakeGeminiServer() override;

    // "http://127.0.0.1:<port>".
    QString baseUrl() const;

    void enqueue(const FakeReply &reply);
    const QList<RecordedRequest> &requests() const { return m_requests; }
    // Connections that have not yet been answered to the end.
    int openConnections() const;
    // Sends the writes of `rest` on every stream held open
    // (FakeReply::holdOpen), then ends it: the service finishing an answer the
    // test held back.
    void finishHeld(const FakeReply &rest = {});
    // Forgets the replies not yet sent: a failed case leaves nothing for the next.
    void dropScripted() { m_replies.clear(); }

private:
    struct Connection;

    void accept();
    void readFrom(Connection *connection);
    void answer(Connection *connection, FakeReply reply);
    void sendNext(Connection *connection);

    QTcpServer m_server;
    QQueue<FakeReply> m_replies;
    QList<RecordedRequest> m_requests;
    QList<Connection *> m_connections;
};

} // namespace quillet::test
