#include "app/CommandServer.h"

#include "app/AppState.h"
#include "app/cli/CommandSocket.h"
#include "app/cli/ReadCommands.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "platform/KeySynthesizer.h"
#include "platform/Workspace.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace quillet {

using cli::Reply;
using cli::Request;

namespace {

// `add` takes what a capture would.
static_assert(cli::kMaxContentBytes == kMaxRepresentationBytes);

// A request that stalls this long is dropped; a handful of clients at once is
// plenty for a shell, and bounds what buffered requests can cost.
constexpr int kIdleTimeoutMs = 5000;
constexpr int kMaxConnections = 4;

bool peerIsThisUser(QLocalSocket *socket)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0
        && credentials.uid == ::geteuid();
}

} // namespace

CommandServer::CommandServer(AppState &state, HistoryManager &history, PasteService &paste, Store &store,
    Pasteboard &pasteboard, Workspace &workspace, KeySynthesizer &keys, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_history(history)
    , m_paste(paste)
    , m_store(store)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_keys(keys)
{
    const auto done = [](auto action) {
        return [action](const Request &, std::function<void()> &) {
            action();
            return Reply::success();
        };
    };
    m_handlers = {
        { QStringLiteral("show"),
            [this](const Request &request, std::function<void()> &) {
                const QString tab = request.value(QStringLiteral("tab")).toString();
                if (!tab.isEmpty())
                    m_state.setPanelTab(
                        tab == QLatin1String("snippets") ? PanelTab::snippets : PanelTab::history);
                m_state.showPanel();
                return Reply::success();
            } },
        { QStringLiteral("toggle"), done([this] { m_state.togglePanel(); }) },
        { QStringLiteral("settings"), done([this] { m_state.openSettings(); }) },
        { QStringLiteral("quit"),
            [this](const Request &, std::function<void()> &afterReply) {
                afterReply = [this] { m_state.quit(); };
                return Reply::success();
            } },
        { QStringLiteral("copy"), onEntry([this](const ClipboardItem &item, qint64 position) {
             return m_paste.copy(item)
                 ? Reply::success()
                 : Reply::failure(QStringLiteral("entry %1 has no content to copy").arg(position));
         }) },
        { QStringLiteral("paste"), onEntry([this](const ClipboardItem &item, qint64 position) {
             if (m_store.contents(item.id).isEmpty())
                 return Reply::failure(QStringLiteral("entry %1 has no content to paste").arg(position));
             // The window in front now receives the paste, unless one of
             // Quillet's own panels is in front: then where it came from does.
             if (!m_state.isPanelVisible() && !m_state.isPopoverVisible())
                 m_keys.setPasteTarget(m_workspace.activeWindow());
             m_state.paste(item);
             return Reply::success();
         }) },
        { QStringLiteral("pin"), onEntry([this](const ClipboardItem &item, qint64 position) {
             return m_history.setPinned(item.id, true)
                 ? Reply::success()
                 : Reply::failure(QStringLiteral("entry %1 could not be pinned").arg(position));
         }) },
        { QStringLiteral("unpin"), onEntry([this](const ClipboardItem &item, qint64 position) {
             return m_history.setPinned(item.id, false)
                 ? Reply::success()
                 : Reply::failure(QStringLiteral("entry %1 could not be unpinned").arg(position));
         }) },
        { QStringLiteral("delete"), onEntry([this](const ClipboardItem &item, qint64 position) {
             return m_history.remove(item.id)
                 ? Reply::success()
                 : Reply::failure(QStringLiteral("entry %1 could not be deleted").arg(position));
         }) },
        { QStringLiteral("clear"), done([this] { m_state.clearHistory(); }) },
        { QStringLiteral("add"),
            [this](const Request &request, std::function<void()> &) { return add(request); } },
    };
}

CommandServer::~CommandServer() = default;

CommandServer::Handler CommandServer::onEntry(std::function<Reply(const ClipboardItem &, qint64)> action)
{
    return [this, action](const Request &request, std::function<void()> &) {
        const qint64 position = request.value(QStringLiteral("position")).toLongLong();
        QString error;
        const std::optional<ClipboardItem> item = cli::itemAtPosition(m_store, position, &error);
        return item ? action(*item, position) : Reply::failure(error);
    };
}

Reply CommandServer::add(const Request &request)
{
    const QByteArray data = request.value(QStringLiteral("data")).toByteArray();
    const QString type = request.values.contains(QStringLiteral("type"))
        ? request.value(QStringLiteral("type")).toString()
        : types::utf8PlainText;
    if (storageTypeFor(type).isEmpty())
        return Reply::failure(QStringLiteral("Quillet does not keep %1 content").arg(type));
    if (data.isEmpty())
        return Reply::failure(QStringLiteral("there is nothing to add"));

    PasteboardSnapshot snapshot;
    snapshot.contents.append({ type, data });
    m_history.addSnapshot(snapshot);
    if (!request.value(QStringLiteral("no-copy")).toBool()) {
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = type;
        content.data = data;
        content.dataSize = data.size();
        // Marked as Quillet's own, so the monitor does not record it again.
        writeContents({ content }, true, m_pasteboard);
    }
    return Reply::success();
}

Reply CommandServer::execute(const Request &request, std::function<void()> &afterReply)
{
    if (request.command->access == cli::Access::reading)
        return cli::executeReadCommand(m_store, request);
    const auto handler = m_handlers.constFind(request.command->name);
    if (handler == m_handlers.constEnd())
        return Reply::failure(QStringLiteral("this Quillet cannot %1 yet").arg(request.command->name));
    return (*handler)(request, afterReply);
}

CommandServer::Listening CommandServer::listen(const QString &path, QString *error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("there is no private runtime directory for the socket");
        return Listening::failed;
    }
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CommandServer::accept);
    if (m_server->listen(path))
        return Listening::listening;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        if (cli::InstanceConnection(path).status() == cli::InstanceConnection::Status::connected)
            return Listening::anotherInstance;
        // Left behind by a Quillet that crashed: nobody answers on it.
        QLocalServer::removeServer(path);
        if (m_server->listen(path))
            return Listening::listening;
    }
    *error = m_server->errorString();
    return Listening::failed;
}

void CommandServer::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (m_connections > kMaxConnections) {
            answer(socket, Reply::failure(QStringLiteral("Quillet is busy with other commands")));
            continue;
        }
        if (!peerIsThisUser(socket)) {
            answer(socket, Reply::failure(QStringLiteral("refused: the command comes from another user")));
            continue;
        }
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->start(kIdleTimeoutMs);
        connect(idle, &QTimer::timeout, socket, [this, socket] {
            answer(socket, Reply::failure(QStringLiteral("the request did not arrive in time")));
        });
        auto reader = std::make_shared<cli::FrameReader>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, reader, idle] {
            idle->start(kIdleTimeoutMs);
            read(socket, *reader);
        });
        if (socket->bytesAvailable() > 0)
            read(socket, *reader);
    }
}

void CommandServer::read(QLocalSocket *socket, cli::FrameReader &reader)
{
    reader.append(socket->readAll());
    std::optional<QJsonObject> message = reader.takeMessage();
    if (!message) {
        if (!reader.error().isEmpty())
            answer(socket, Reply::failure(reader.error()));
        return;
    }
    QString error;
    const std::optional<Request> request = cli::requestFromMessage(*message, &error);
    if (!request) {
        answer(socket, Reply::failure(error));
        return;
    }
    std::function<void()> afterReply;
    const Reply reply = execute(*request, afterReply);
    answer(socket, reply, afterReply);
}

void CommandServer::answer(QLocalSocket *socket, const Reply &reply, std::function<void()> afterReply)
{
    // One request per connection: nothing more is read once it is answered.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer *timer : socket->findChildren<QTimer *>())
        timer->stop();
    if (afterReply)
        connect(socket, &QLocalSocket::disconnected, this, afterReply);
    socket->write(cli::encodeFrame(cli::replyMessage(reply)));
    socket->disconnectFromServer();
}

} // namespace quillet
