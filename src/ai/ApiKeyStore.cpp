#include "ai/ApiKeyStore.h"

#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"

#include <QCoroSignal>
#include <QPointer>

#include <utility>

namespace quillet {

const QString ApiKeyStore::secretName = keys::geminiAPIKey;

ApiKeyStore::ApiKeyStore(Defaults &defaults, SecretStore *secrets, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_secrets(secrets)
{
    if (!m_secrets) {
        m_loadStarted = true;
        m_loaded = true;
        m_place = Place::file;
        m_why = SecretResult::Status::unavailable;
    }
}

void ApiKeyStore::load()
{
    if (m_loadStarted)
        return;
    m_loadStarted = true;
    readAtStart();
}

QString ApiKeyStore::key() const
{
    return m_secrets ? m_key : m_defaults.string(keys::geminiAPIKey);
}

QCoro::Task<QString> ApiKeyStore::loadedKey()
{
    if (!m_loaded) {
        QPointer<ApiKeyStore> self(this);
        co_await qCoro(this, &ApiKeyStore::loaded);
        if (!self)
            co_return QString();
    }
    co_return key();
}

void ApiKeyStore::setKey(const QString &key)
{
    if (!m_secrets) {
        if (key.isEmpty())
            m_defaults.remove(keys::geminiAPIKey);
        else
            m_defaults.setString(keys::geminiAPIKey, key);
        Q_EMIT keyChanged();
        return;
    }
    const bool changed = key != m_key;
    m_key = key;
    m_queued = key;
    // A key set before the keyring first answered is the key from now on.
    finishLoading();
    if (changed)
        Q_EMIT keyChanged();
    writeQueued();
}

QCoro::Task<> ApiKeyStore::readAtStart()
{
    // A key in the file is the newest one: older versions kept it there, and
    // it is where a key goes that the keyring would not take. An empty value
    // there is a removal the keyring has not heard of yet.
    if (const std::optional<QString> inFile = m_defaults.optionalString(keys::geminiAPIKey)) {
        setKey(*inFile);
        co_return;
    }
    QPointer<ApiKeyStore> self(this);
    const SecretResult result = co_await m_secrets->read(secretName);
    if (!self)
        co_return;
    // The user set a key meanwhile: that one counts.
    if (m_loaded)
        co_return;
    switch (result.status) {
    case SecretResult::Status::ok:
        m_key = result.value;
        setPlace(Place::keyring);
        break;
    case SecretResult::Status::notFound:
        setPlace(Place::keyring);
        break;
    default:
        setPlace(Place::file, result.status, result.reason);
        break;
    }
    finishLoading();
}

QCoro::Task<> ApiKeyStore::writeQueued()
{
    if (m_writing)
        co_return;
    m_writing = true;
    QPointer<ApiKeyStore> self(this);
    while (m_queued) {
        const QString key = *std::exchange(m_queued, std::nullopt);
        const SecretResult result = key.isEmpty() ? co_await m_secrets->remove(secretName)
                                                  : co_await m_secrets->write(secretName, key);
        if (!self)
            co_return;
        if (result.ok()) {
            // Only now: until the keyring holds the key, the file does.
            m_defaults.remove(keys::geminiAPIKey);
            setPlace(Place::keyring);
        } else {
            keepInFile(key, result);
        }
    }
    m_writing = false;
    Q_EMIT written();
}

void ApiKeyStore::keepUnwrittenKeyInFile()
{
    if (m_writing)
        m_defaults.setString(keys::geminiAPIKey, m_key);
}

void ApiKeyStore::keepInFile(const QString &key, const SecretResult &refusal)
{
    // Also an empty key: it tells the next start that an older key the
    // keyring may still hold was removed.
    m_defaults.setString(keys::geminiAPIKey, key);
    setPlace(Place::file, refusal.status, refusal.reason);
}

void ApiKeyStore::setPlace(Place place, SecretResult::Status why, const QString &reason)
{
    if (m_place == place && m_why == why && m_reason == reason)
        return;
    m_place = place;
    m_why = why;
    m_reason = reason;
    Q_EMIT placeChanged();
}

void ApiKeyStore::finishLoading()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Q_EMIT keyChanged();
    Q_EMIT loaded();
}

bool ApiKeyStore::readFailed() const
{
    return m_place == Place::file && m_secrets && m_key.isEmpty() && !m_defaults.contains(keys::geminiAPIKey)
        && m_why != SecretResult::Status::unavailable;
}

QString ApiKeyStore::unreadable() const
{
    return readFailed() ? notice() : QString();
}

QString ApiKeyStore::notice() const
{
    switch (m_place) {
    case Place::loading:
        return tr("Looking for the desktop's keyring…");
    case Place::keyring:
        return tr("The key is kept in the desktop's keyring.");
    case Place::file:
        break;
    }
    // Whatever the keyring holds stays there.
    if (readFailed())
        return m_why == SecretResult::Status::refused
            ? tr("The keyring is locked or refused access, so the key could not be read from it.")
            : tr("The key could not be read from the keyring (%1).").arg(m_reason);
    switch (m_why) {
    case SecretResult::Status::refused:
        return tr("The keyring is locked or refused access, so the key is kept in Quillet's "
                  "preferences file, readable only by you.");
    case SecretResult::Status::failed:
        return tr("The keyring could not keep the key (%1), so it is kept in Quillet's preferences "
                  "file, readable only by you.")
            .arg(m_reason);
    default:
        return tr("No keyring service is running, so the key is kept in Quillet's preferences file, "
                  "readable only by you.");
    }
}

} // namespace quillet
