#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace quillet::test {

// A D-Bus session bus of the test's own (dbus-daemon), so services faked on
// it never meet the user's desktop: it starts no services by itself either.
// Stopped when the object goes.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;

    // Empty when the daemon could not be started.
    const QString &address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

} // namespace quillet::test
