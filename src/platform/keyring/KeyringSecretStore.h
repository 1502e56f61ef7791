#pragma once

#include "platform/SecretStore.h"

#include <QDBusConnection>
#include <QString>

#include <chrono>

namespace QKeychain {
class Job;
}

namespace quillet {

// The desktop's keyring through the Secret Service (GNOME Keyring, KWallet),
// spoken by QtKeychain. Before each request it asks the session bus whether
// a keyring service is running or can be started, with a short time-out, so
// a desktop without one is answered `unavailable` at once instead of after
// D-Bus's long default time-out. Secrets are filed under `service`.
class KeyringSecretStore : public SecretStore {
public:
    explicit KeyringSecretStore(QString service, QDBusConnection bus = QDBusConnection::sessionBus());

    QCoro::Task<SecretResult> read(QString name) override;
    QCoro::Task<SecretResult> write(QString name, QString value) override;
    QCoro::Task<SecretResult> remove(QString name) override;

    // The folder Quillet files its secrets (the API key) under.
    static inline const QString quilletFolder = QStringLiteral("Quillet");

    // How long the bus may take to say whether a keyring service is there.
    static constexpr std::chrono::milliseconds kBusTimeout { 2000 };

private:
    QCoro::Task<bool> serviceAnswers();
    static QCoro::Task<SecretResult> run(QKeychain::Job *job);

    QString m_service;
    QDBusConnection m_bus;
};

} // namespace quillet
