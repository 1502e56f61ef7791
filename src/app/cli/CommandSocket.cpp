#include "app/cli/CommandSocket.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillet::cli {

namespace {

const QString kSocketPrefix = QStringLiteral("app.quillet.Quillet");
const QString kSocketSuffix = QStringLiteral(".socket");
// Large requests take the instance longer to read, hash, index and store
// before it answers (a 20 MB text takes seconds on a busy machine).
constexpr qint64 kBytesPerExtraSecond = 2 * 1024 * 1024;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Waits until `fd` is ready for `events`; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline, QString *error)
{
    for (;;) {
        pollfd entry { fd, events, 0 };
        const int ready = ::poll(&entry, 1, int(qMin<qint64>(deadline.remainingTime(), 60000)));
        if (ready > 0)
            return true;
        if (ready == 0) {
            if (deadline.hasExpired()) {
                *error = QStringLiteral("timeout");
                return false;
            }
            continue;
        }
        if (errno != EINTR) {
            *error = systemError(errno);
            return false;
        }
    }
}

} // namespace

QString commandSocketPath()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QString();
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return runtime + QLatin1Char('/') + kSocketPrefix + display + kSocketSuffix;
}

QString runningInstanceSocket()
{
    const QString path = commandSocketPath();
    if (path.isEmpty() || QFile::exists(path) || !qEnvironmentVariableIsEmpty("DISPLAY"))
        return path;
    const QDir runtime = QFileInfo(path).dir();
    const QStringList sockets
        = runtime.entryList({ kSocketPrefix + QLatin1Char('*') + kSocketSuffix }, QDir::System);
    return sockets.size() == 1 ? runtime.filePath(sockets.first()) : path;
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceLock::Outcome InstanceLock::acquire(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, systemError(errno));
        return Outcome::failed;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        const int cause = errno;
        ::close(fd);
        if (cause == EWOULDBLOCK)
            return Outcome::heldByAnother;
        *error = QStringLiteral("cannot lock %1: %2").arg(path, systemError(cause));
        return Outcome::failed;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    return Outcome::acquired;
}

QString InstanceLock::userLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Quillet");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + kSocketPrefix + QStringLiteral(".lock");
}

InstanceConnection::InstanceConnection(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty()) {
        m_status = Status::notRunning;
        return;
    }
    if (size_t(path.size()) >= sizeof(address.sun_path)) {
        m_error = QStringLiteral("the socket path %1 is too long").arg(socketPath);
        return;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_error = systemError(errno);
        return;
    }
    int result;
    do {
        result = ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        m_status = Status::connected;
        return;
    }
    // No socket, or one nobody listens on any more (left by a crash).
    m_status = errno == ENOENT || errno == ECONNREFUSED ? Status::notRunning : Status::failed;
    m_error = QStringLiteral("cannot connect to %1: %2").arg(socketPath, systemError(errno));
}

InstanceConnection::~InstanceConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InstanceConnection::writeAll(const QByteArray &bytes, QString *error)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        // Quillet reads as fast as it can; a second without progress means it stalls.
        if (!waitFor(m_fd, POLLOUT, QDeadlineTimer(1000), error))
            return false;
        const ssize_t sent
            = ::send(m_fd, bytes.constData() + written, size_t(bytes.size() - written), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            *error = systemError(errno);
            return false;
        }
        written += sent;
    }
    return true;
}

std::optional<Reply> InstanceConnection::exchange(
    const QJsonObject &request, std::chrono::milliseconds answerTime, QString *error)
{
    if (m_status != Status::connected) {
        *error = m_error;
        return std::nullopt;
    }
    const QByteArray frame = encodeFrame(request);
    QString failure;
    // Quillet may refuse a request before taking all of it (another user, too
    // large): its reply still says why.
    std::optional<QString> sendError;
    if (!writeAll(frame, &failure))
        sendError = failure == QLatin1String("timeout")
            ? QStringLiteral("Quillet does not take the request")
            : QStringLiteral("sending the request failed: ") + failure;
    const auto firstAnswer = answerTime + std::chrono::seconds(frame.size() / kBytesPerExtraSecond);
    const auto seconds = std::chrono::duration<double>(answerTime).count();
    FrameReader reader;
    QDeadlineTimer deadline(sendError ? answerTime : firstAnswer);
    char buffer[64 * 1024];
    for (;;) {
        if (!waitFor(m_fd, POLLIN, deadline, &failure)) {
            if (sendError)
                *error = *sendError;
            else if (failure == QLatin1String("timeout"))
                *error = QStringLiteral("Quillet did not answer within %1 s").arg(seconds);
            else
                *error = QStringLiteral("reading the reply failed: ") + failure;
            return std::nullopt;
        }
        const ssize_t received = ::recv(m_fd, buffer, sizeof(buffer), 0);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            *error = sendError.value_or(QStringLiteral("reading the reply failed: ") + systemError(errno));
            return std::nullopt;
        }
        if (received == 0) {
            *error = sendError.value_or(QStringLiteral("Quillet closed the connection without answering"));
            return std::nullopt;
        }
        reader.append(QByteArrayView(buffer, received));
        if (const auto message = reader.takeMessage()) {
            const auto reply = replyFromMessage(*message, &failure);
            if (!reply)
                *error = QStringLiteral("Quillet's reply cannot be read: ") + failure;
            return reply;
        }
        if (!reader.error().isEmpty()) {
            *error = QStringLiteral("Quillet's reply cannot be read: ") + reader.error();
            return std::nullopt;
        }
        // Bytes keep coming: allow the same time for the next ones.
        deadline = QDeadlineTimer(answerTime);
    }
}

} // namespace quillet::cli
