#pragma once

#include "app/cli/CommandProtocol.h"
#include "store/ClipboardItem.h"

#include <QFuture>
#include <QHash>
#include <QObject>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace quillet {

class ApiKeyStore;
class AppState;
class HistoryManager;
class Pasteboard;
class PasteService;
class Store;
class Workspace;

// The running Quillet's side of the command line: listens on the per-user
// socket and runs each request on the main thread through the actions the
// views use. A request from another user, or one that is malformed, too large
// or names an entry that does not exist, is answered with an error and
// changes nothing.
class CommandServer : public QObject {
    Q_OBJECT
public:
    // Exports leave out the key `apiKey` holds.
    CommandServer(AppState &state, HistoryManager &history, PasteService &paste, Store &store,
        Pasteboard &pasteboard, Workspace &workspace, ApiKeyStore &apiKey, QObject *parent = nullptr);
    ~CommandServer() override;

    enum class Listening { listening, anotherInstance, failed };
    // Starts answering on `path` (mode 0700). A socket left behind by a
    // Quillet that crashed is replaced; one a running Quillet answers on is
    // left alone (anotherInstance).
    Listening listen(const QString &path, QString *error);

    // What running a request comes to: its reply, what the reply waits for,
    // and what follows it.
    struct Execution {
        Execution() = default;
        Execution(cli::Reply reply)
            : reply(std::move(reply))
        {
        }

        cli::Reply reply;
        // The reply is sent once the clipboard holds what the command wrote,
        std::optional<QFuture<void>> written;
        // and the history has stored what it added, so that the next command
        // finds it (the future gives why it was not stored, if it was not).
        std::optional<QFuture<QString>> stored;
        // Runs once the reply has gone out (ending Quillet).
        std::function<void()> afterReply;
    };

    // Runs one request on the main thread.
    Execution execute(const cli::Request &request);

private:
    using Handler = std::function<Execution(const cli::Request &)>;

    void accept();
    void read(QLocalSocket *socket, cli::FrameReader &reader);
    // Sends the reply once what it waits for is done.
    void deliver(QLocalSocket *socket, Execution execution);
    void answer(QLocalSocket *socket, const cli::Reply &reply, std::function<void()> afterReply = {});
    Handler onEntry(std::function<Execution(const ClipboardItem &, qint64 position)> action);
    Execution add(const cli::Request &request);

    AppState &m_state;
    HistoryManager &m_history;
    PasteService &m_paste;
    Store &m_store;
    ApiKeyStore &m_apiKey;
    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    QLocalServer *m_server = nullptr;
    QHash<QString, Handler> m_handlers;
    int m_connections = 0;
};

} // namespace quillet
