#pragma once

#include "app/cli/CommandProtocol.h"
#include "store/ClipboardItem.h"

#include <QHash>
#include <QObject>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace quillet {

class AppState;
class HistoryManager;
class KeySynthesizer;
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
    CommandServer(AppState &state, HistoryManager &history, PasteService &paste, Store &store,
        Pasteboard &pasteboard, Workspace &workspace, KeySynthesizer &keys, QObject *parent = nullptr);
    ~CommandServer() override;

    enum class Listening { listening, anotherInstance, failed };
    // Starts answering on `path` (mode 0700). A socket left behind by a
    // Quillet that crashed is replaced; one a running Quillet answers on is
    // left alone (anotherInstance).
    Listening listen(const QString &path, QString *error);

    // Runs one request; `afterReply` is set when something must wait until the
    // reply has gone out (ending Quillet).
    cli::Reply execute(const cli::Request &request, std::function<void()> &afterReply);

private:
    using Handler = std::function<cli::Reply(const cli::Request &, std::function<void()> &)>;

    void accept();
    void read(QLocalSocket *socket, cli::FrameReader &reader);
    void answer(QLocalSocket *socket, const cli::Reply &reply, std::function<void()> afterReply = {});
    Handler onEntry(std::function<cli::Reply(const ClipboardItem &, qint64 position)> action);
    cli::Reply add(const cli::Request &request);

    AppState &m_state;
    HistoryManager &m_history;
    PasteService &m_paste;
    Store &m_store;
    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    KeySynthesizer &m_keys;
    QLocalServer *m_server = nullptr;
    QHash<QString, Handler> m_handlers;
    int m_connections = 0;
};

} // namespace quillet
