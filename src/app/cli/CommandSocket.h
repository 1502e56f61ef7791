#pragma once

#include "app/cli/CommandProtocol.h"

#include <QString>

#include <chrono>
#include <optional>

namespace quillet::cli {

// Where the running Quillet listens: app.quillet.Quillet<DISPLAY>.socket in
// the user's private runtime directory ($XDG_RUNTIME_DIR), one per display.
// Empty when there is no private runtime directory.
QString commandSocketPath();

// The socket a command reaches: commandSocketPath(), or, from a shell with no
// display (a text console, ssh), the one Quillet of this user that listens.
QString runningInstanceSocket();

// What makes Quillet one instance per user: an exclusive flock on
// app.quillet.Quillet.lock in the user's private runtime directory, held
// while the process lives (the kernel lets go of it however the process ends).
class InstanceLock {
public:
    enum class Outcome { acquired, heldByAnother, failed };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Takes the lock at `path` without waiting.
    Outcome acquire(const QString &path, QString *error);
    // The per-user lock file; beside the store when there is no runtime directory.
    static QString userLockPath();

private:
    int m_fd = -1;
};

// A blocking connection to the running Quillet, made without an event loop
// so that the command line needs nothing but Qt Core.
class InstanceConnection {
public:
    enum class Status { connected, notRunning, failed };

    explicit InstanceConnection(const QString &socketPath);
    ~InstanceConnection();
    InstanceConnection(const InstanceConnection &) = delete;
    InstanceConnection &operator=(const InstanceConnection &) = delete;

    Status status() const { return m_status; }
    // Why the connection failed.
    const QString &error() const { return m_error; }

    // Sends one request and waits for its reply. Quillet must start answering
    // within `answerTime` of the request (longer for large requests) and keep
    // its bytes coming; otherwise, as on any other failure, nothing is
    // returned and `error` says why.
    std::optional<Reply> exchange(
        const QJsonObject &request, std::chrono::milliseconds answerTime, QString *error);

private:
    bool writeAll(const QByteArray &bytes, QString *error);

    int m_fd = -1;
    Status m_status = Status::failed;
    QString m_error;
};

} // namespace quillet::cli
