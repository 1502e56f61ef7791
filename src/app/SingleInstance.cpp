#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace quillet {

namespace {
constexpr int kTimeoutMs = 2000;
const QByteArray kShowPanel = "show-panel\n";
} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    // One instance per user and display; the socket lives in the user's
    // private runtime folder when there is one.
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/app.quillet.Quillet%1.socket").arg(display);
    return QStringLiteral("Quillet-%1%2").arg(getuid()).arg(display);
}

bool SingleInstance::notifyRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(kShowPanel);
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTimeoutMs);
    return true;
}

bool SingleInstance::listen(std::function<void()> onShowPanel)
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left behind by a crashed instance: nobody answered on it.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this, onShowPanel] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [socket, onShowPanel] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == kShowPanel && onShowPanel)
                        onShowPanel();
                }
            });
        }
    });
    return true;
}

} // namespace quillet
