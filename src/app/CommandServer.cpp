#include "app/CommandServer.h"

#include "ai/ApiKeyStore.h"
#include "app/AppState.h"
#include "app/cli/CommandSocket.h"
#include "app/cli/ReadCommands.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "platform/Workspace.h"

#include <QFutureWatcher>
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

// A client must start its request this soon after connecting, and finish it
// this soon after its first byte, however it spaces its bytes: a client that
// drips one byte at a time is dropped on time. Each connection is served on
// its own, so a stalled one holds up none of the others; the cap bounds what
// buffered requests can cost.
constexpr int kFirstByteTimeoutMs = 5000;
constexpr int kRequestDeadlineMs = 20000;
constexpr int kMaxConnections = 64;

bool peerIsThisUser(QLocalSocket *socket)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0
        && credentials.uid == ::geteuid();
}

} // namespace

CommandServer::CommandServer(AppState &state, HistoryManager &history, PasteService &paste, Store &store,
    Pasteboard &pasteboard, Workspace &workspace, ApiKeyStore &apiKey, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_history(history)
    , m_paste(paste)
    , m_store(store)
    , m_apiKey(apiKey)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
{
    const auto done = [](auto action) {
        return [action](const Request &) {
            action();
            return Execution(Reply::success());
        };
    };
    m_handlers = {
        { QStringLiteral("show"),
            [this](const Request &request) {
                const QString tab = request.value(QStringLiteral("tab")).toString();
                if (!tab.isEmpty())
                    m_state.setPanelTab(
                        tab == QLatin1String("snippets") ? PanelTab::snippets : PanelTab::history);
                m_state.showPanel();
                return Execution(Reply::success());
            } },
        { QStringLiteral("toggle"), done([this] { m_state.togglePanel(); }) },
        { QStringLiteral("ai"), done([this] { m_state.triggerAITransform(); }) },
        { QStringLiteral("launcher"), done([this] { m_state.toggleLauncher(); }) },
        { QStringLiteral("settings"), done([this] { m_state.openSettings(); }) },
        { QStringLiteral("quit"),
            [this](const Request &) {
                Execution execution(Reply::success());
                execution.afterReply = [this] { m_state.quit(); };
                return execution;
            } },
        { QStringLiteral("copy"), onEntry([this](const ClipboardItem &item, qint64 position) {
             Execution execution(Reply::success());
             execution.written = m_paste.copy(item);
             if (!execution.written)
                 return Execution(
                     Reply::failure(QStringLiteral("entry %1 has no content to copy").arg(position)));
             return execution;
         }) },
        { QStringLiteral("paste"), onEntry([this](const ClipboardItem &item, qint64 position) {
             if (m_store.contents(item.id).isEmpty())
                 return Execution(
                     Reply::failure(QStringLiteral("entry %1 has no content to paste").arg(position)));
             // The window in front now receives the paste, unless one of
             // Quillet's own panels is in front: then where it came from does.
             const bool panelOpen = m_state.isPanelVisible() || m_state.isPopoverVisible();
             if (!panelOpen)
                 m_paste.setPasteTarget(m_workspace.activeWindow());
             m_state.paste(item);
             // Taken by the paste; no later paste should go there unasked.
             if (!panelOpen)
                 m_paste.setPasteTarget(std::nullopt);
             return Execution(Reply::success());
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
        { QStringLiteral("add"), [this](const Request &request) { return add(request); } },
    };
}

CommandServer::~CommandServer() = default;

CommandServer::Handler CommandServer::onEntry(std::function<Execution(const ClipboardItem &, qint64)> action)
{
    return [this, action](const Request &request) {
        const qint64 position = request.value(QStringLiteral("position")).toLongLong();
        QString error;
        const std::optional<ClipboardItem> item = cli::itemAtPosition(m_store, position, &error);
        return item ? action(*item, position) : Execution(Reply::failure(error));
    };
}

CommandServer::Execution CommandServer::add(const Request &request)
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
    Execution execution(Reply::success());
    execution.stored = m_history.addSnapshot(snapshot, HistoryManager::Origin::command);
    if (!request.value(QStringLiteral("no-copy")).toBool()) {
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = type;
        content.data = data;
        content.dataSize = data.size();
        // Marked as Quillet's own, so the monitor does not record it again.
        execution.written = writeContents({ content }, true, m_pasteboard);
    }
    return execution;
}

CommandServer::Execution CommandServer::execute(const Request &request)
{
    if (request.command->access == cli::Access::reading)
        return cli::executeReadCommand(m_store, request, { m_apiKey.key() });
    const auto handler = m_handlers.constFind(request.command->name);
    if (handler == m_handlers.constEnd())
        return Reply::failure(QStringLiteral("this Quillet cannot %1 yet").arg(request.command->name));
    return (*handler)(request);
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
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        deadline->start(kFirstByteTimeoutMs);
        connect(deadline, &QTimer::timeout, socket, [this, socket] {
            answer(socket, Reply::failure(QStringLiteral("the request did not arrive in time")));
        });
        auto reader = std::make_shared<cli::FrameReader>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, reader, deadline] {
            // Set once, at the first byte; later bytes do not extend it.
            if (deadline->interval() == kFirstByteTimeoutMs)
                deadline->start(kRequestDeadlineMs);
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
    // One request per connection: nothing more is read once it is here.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer *timer : socket->findChildren<QTimer *>())
        timer->stop();
    QString error;
    const std::optional<Request> request = cli::requestFromMessage(*message, &error);
    if (!request) {
        answer(socket, Reply::failure(error));
        return;
    }
    deliver(socket, execute(*request));
}

void CommandServer::deliver(QLocalSocket *socket, Execution execution)
{
    // Waits on the socket's behalf: if the client leaves, nothing is sent.
    if (execution.stored) {
        if (!execution.stored->isFinished()) {
            auto *watcher = new QFutureWatcher<QString>(socket);
            connect(watcher, &QFutureWatcherBase::finished, socket,
                [this, socket, execution] { deliver(socket, execution); });
            watcher->setFuture(*execution.stored);
            return;
        }
        // Nothing was stored: the command fails, whatever the clipboard took.
        const QString failure = execution.stored->result();
        if (!failure.isEmpty()) {
            answer(socket, Reply::failure(QStringLiteral("nothing was added: %1").arg(failure)));
            return;
        }
        execution.stored.reset();
    }
    if (execution.written && !execution.written->isFinished()) {
        auto *watcher = new QFutureWatcher<void>(socket);
        connect(watcher, &QFutureWatcherBase::finished, socket,
            [this, socket, execution] { deliver(socket, execution); });
        watcher->setFuture(*execution.written);
        return;
    }
    answer(socket, execution.reply, execution.afterReply);
}

void CommandServer::answer(QLocalSocket *socket, const Reply &reply, std::function<void()> afterReply)
{
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer *timer : socket->findChildren<QTimer *>())
        timer->stop();
    if (afterReply)
        connect(socket, &QLocalSocket::disconnected, this, afterReply);
    socket->write(cli::encodeFrame(cli::replyMessage(reply)));
    socket->disconnectFromServer();
}

} // namespace quillet
