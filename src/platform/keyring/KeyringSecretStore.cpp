#include "platform/keyring/KeyringSecretStore.h"

#include <QCoroDBusPendingCall>
#include <QCoroSignal>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QLoggingCategory>

#include <qt6keychain/keychain.h>

Q_LOGGING_CATEGORY(lcKeyring, "quillet.keyring")

namespace quillet {

namespace {

// The Secret Service (GNOME Keyring, KeePassXC, recent KWallet), and KWallet's
// own interface, which QtKeychain speaks on KDE Plasma.
const QStringList kServiceNames = {
    QStringLiteral("org.freedesktop.secrets"),
    QStringLiteral("org.kde.kwalletd6"),
    QStringLiteral("org.kde.kwalletd5"),
};

QDBusMessage busCall(const QString &method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"), method);
}

SecretResult::Status statusOf(QKeychain::Error error)
{
    switch (error) {
    case QKeychain::NoError:
        return SecretResult::Status::ok;
    case QKeychain::EntryNotFound:
        return SecretResult::Status::notFound;
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return SecretResult::Status::refused;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return SecretResult::Status::unavailable;
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::OtherError:
        break;
    }
    return SecretResult::Status::failed;
}

SecretResult unavailable()
{
    return { SecretResult::Status::unavailable, {}, QStringLiteral("no keyring service on the session bus") };
}

} // namespace

KeyringSecretStore::KeyringSecretStore(QString service, QDBusConnection bus)
    : m_service(std::move(service))
    , m_bus(std::move(bus))
{
}

QCoro::Task<bool> KeyringSecretStore::serviceAnswers()
{
    if (!m_bus.isConnected())
        co_return false;
    const int timeout = int(kBusTimeout.count());
    for (const QString &method : { QStringLiteral("ListNames"), QStringLiteral("ListActivatableNames") }) {
        const QDBusMessage reply = co_await m_bus.asyncCall(busCall(method), timeout);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        const QStringList names = reply.arguments().constFirst().toStringList();
        for (const QString &name : kServiceNames) {
            if (names.contains(name))
                co_return true;
        }
    }
    co_return false;
}

QCoro::Task<SecretResult> KeyringSecretStore::run(QKeychain::Job *job)
{
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    // Listening before the start: a job may finish at once.
    auto finished = qCoro(job, &QKeychain::Job::finished);
    job->start();
    co_await finished;
    SecretResult result;
    result.status = statusOf(job->error());
    if (!result.ok() && result.status != SecretResult::Status::notFound) {
        result.reason = job->errorString();
        qCWarning(lcKeyring) << "keyring request failed:" << result.reason;
    }
    if (result.ok()) {
        if (auto *read = qobject_cast<QKeychain::ReadPasswordJob *>(job))
            result.value = read->textData();
    }
    co_return result;
}

QCoro::Task<SecretResult> KeyringSecretStore::read(QString name)
{
    if (!co_await serviceAnswers())
        co_return unavailable();
    auto *job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(name);
    co_return co_await run(job);
}

QCoro::Task<SecretResult> KeyringSecretStore::write(QString name, QString value)
{
    if (!co_await serviceAnswers())
        co_return unavailable();
    auto *job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(name);
    job->setTextData(value);
    co_return co_await run(job);
}

QCoro::Task<SecretResult> KeyringSecretStore::remove(QString name)
{
    if (!co_await serviceAnswers())
        co_return unavailable();
    auto *job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(name);
    SecretResult result = co_await run(job);
    if (result.status == SecretResult::Status::notFound)
        result = { SecretResult::Status::ok, {}, {} };
    co_return result;
}

} // namespace quillet
