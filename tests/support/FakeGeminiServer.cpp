#include "support/FakeGeminiServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace quillet::test {

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

bool RecordedRequest::hasHeader(const QByteArray &name) const
{
    return std::any_of(headers.begin(), headers.end(),
        [&](const auto &header) { return header.first.compare(name, Qt::CaseInsensitive) == 0; });
}

FakeReply FakeReply::events(const QList<QByteArray> &payloads)
{
    FakeReply reply;
    for (const QByteArray &payload : payloads)
        reply.writes.append("data: " + payload + "\r\n\r\n");
    return reply;
}

FakeReply FakeReply::body(int status, const QByteArray &body, const QByteArray &contentType)
{
    FakeReply reply;
    reply.status = status;
    reply.contentType = contentType;
    reply.chunked = false;
    reply.writes = { body };
    return reply;
}

FakeReply FakeReply::splitEvery(qsizetype size) const
{
    FakeReply split = *this;
    split.writes.clear();
    const QByteArray whole = writes.join();
    for (qsizetype pos = 0; pos < whole.size(); pos += size)
        split.writes.append(whole.mid(pos, size));
    return split;
}

struct FakeGeminiServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    bool answered = false;
    FakeReply reply;
    qsizetype nextWrite = 0;
};

FakeGeminiServer::FakeGeminiServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeGeminiServer::accept);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("FakeGeminiServer: cannot listen on 127.0.0.1: %s", qPrintable(m_server.errorString()));
}

FakeGeminiServer::~FakeGeminiServer()
{
    for (Connection *connection : std::as_const(m_connections)) {
        if (connection->socket)
            connection->socket->abort();
        delete connection;
    }
}

QString FakeGeminiServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void FakeGeminiServer::enqueue(const FakeReply &reply)
{
    m_replies.enqueue(reply);
}

int FakeGeminiServer::openConnections() const
{
    int open = 0;
    for (const Connection *connection : m_connections) {
        if (connection->socket && connection->socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

void FakeGeminiServer::finishHeld(const FakeReply &rest)
{
    for (Connection *connection : std::as_const(m_connections)) {
        FakeReply &reply = connection->reply;
        if (!connection->answered || !reply.holdOpen)
            continue;
        // A stream still sending its first writes goes on by itself.
        const bool waiting = connection->nextWrite == reply.writes.size();
        reply.holdOpen = false;
        reply.writes.append(rest.writes);
        if (waiting)
            sendNext(connection);
    }
}

void FakeGeminiServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *connection = new Connection;
        connection->socket = socket;
        socket->setParent(this);
        m_connections.append(connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] { readFrom(connection); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeGeminiServer::readFrom(Connection *connection)
{
    if (!connection->socket || connection->answered)
        return;
    connection->buffer.append(connection->socket->readAll());
    const qsizetype headerEnd = connection->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    RecordedRequest request;
    const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() >= 2) {
        request.method = requestLine[0];
        request.path = requestLine[1];
    }
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({ name, value });
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    const qsizetype bodyStart = headerEnd + 4;
    if (connection->buffer.size() - bodyStart < contentLength)
        return;
    request.body = connection->buffer.mid(bodyStart, contentLength);
    request.json = QJsonDocument::fromJson(request.body);
    connection->answered = true;
    m_requests.append(request);

    FakeReply reply
        = m_replies.isEmpty() ? FakeReply::body(500, "no reply scripted", "text/plain") : m_replies.dequeue();
    answer(connection, std::move(reply));
}

void FakeGeminiServer::answer(Connection *connection, FakeReply reply)
{
    if (reply.neverAnswer)
        return;
    // Clients read the status code; the reason phrase is free text.
    QByteArray head
        = "HTTP/1.1 " + QByteArray::number(reply.status) + (reply.status < 400 ? " OK" : " Error") + "\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    if (reply.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else {
        qsizetype length = 0;
        for (const QByteArray &piece : std::as_const(reply.writes))
            length += piece.size();
        // A dropped one-shot reply promises more than it sends.
        if (reply.dropAfterWrites)
            length += 1;
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    connection->socket->write(head);
    connection->socket->flush();
    connection->reply = std::move(reply);
    connection->nextWrite = 0;
    sendNext(connection);
}

void FakeGeminiServer::sendNext(Connection *connection)
{
    QTcpSocket *socket = connection->socket;
    if (!socket)
        return;
    const FakeReply &reply = connection->reply;
    if (connection->nextWrite < reply.writes.size()) {
        const QByteArray &piece = reply.writes[connection->nextWrite++];
        if (reply.chunked) {
            if (!piece.isEmpty())
                socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        } else {
            socket->write(piece);
        }
        socket->flush();
        // A pause lets each piece leave as a TCP segment of its own.
        QTimer::singleShot(2, socket, [this, connection] { sendNext(connection); });
        return;
    }
    if (reply.holdOpen)
        return;
    if (!reply.dropAfterWrites && reply.chunked)
        socket->write("0\r\n\r\n");
    socket->flush();
    socket->disconnectFromHost();
}

} // namespace quillet::test
