#pragma once

#include "platform/SecretStore.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <optional>

namespace quillet {

class Defaults;

// Where the Gemini API key is kept: in the desktop's keyring when one
// answers, else in the preferences file (mode 0600), which is also where
// older versions kept it. A key found in the file at start is moved into the
// keyring once and then removed from the file; a key the keyring will not
// take (no service, locked, refused, failed) stays in the file, so it is
// never lost. The key itself is never logged.
//
// Without a secret store (`secrets` null) the file is the only place, read
// as it is now. Main thread only.
class ApiKeyStore : public QObject {
    Q_OBJECT
public:
    enum class Place {
        // The first read from the keyring has not answered yet.
        loading,
        keyring,
        file,
    };

    ApiKeyStore(Defaults &defaults, SecretStore *secrets, QObject *parent = nullptr);

    // Starts reading the key (moving a key found in the file into the
    // keyring); returns at once. Only the first call does anything.
    void load();
    bool isLoaded() const { return m_loaded; }

    // The key as known now: empty while loading, or when there is none.
    QString key() const;
    // The key once the first read has answered.
    QCoro::Task<QString> loadedKey();

    // Keeps `key` (an empty key removes it) in the keyring, else in the file.
    // key() answers the new key at once; writes reach the stores in order.
    void setKey(const QString &key);

    // Whether a key is still on its way to the keyring.
    bool isWriting() const { return m_writing; }
    // For a quit that cannot wait any longer: the key on its way is kept in
    // the file, where the next start finds it and moves it on.
    void keepUnwrittenKeyInFile();

    Place place() const { return m_place; }
    // One line for the user on where the key is kept and, when it is not in
    // the keyring, why.
    QString notice() const;
    // Why there is no key to use although the keyring may hold one (it
    // refused or failed the read at start), for the AI features to say
    // instead of asking for a key; empty otherwise.
    QString unreadable() const;

    // The name of the secret in the keyring.
    static const QString secretName;

Q_SIGNALS:
    void loaded();
    void keyChanged();
    // place() or notice() changed.
    void placeChanged();
    // Every key handed over so far has reached a store.
    void written();

private:
    QCoro::Task<> readAtStart();
    QCoro::Task<> writeQueued();
    void keepInFile(const QString &key, const SecretResult &refusal);
    void setPlace(
        Place place, SecretResult::Status why = SecretResult::Status::ok, const QString &reason = {});
    void finishLoading();
    bool readFailed() const;

    Defaults &m_defaults;
    SecretStore *m_secrets;
    QString m_key;
    // The newest key not yet handed to a store.
    std::optional<QString> m_queued;
    bool m_writing = false;
    bool m_loadStarted = false;
    bool m_loaded = false;
    Place m_place = Place::loading;
    SecretResult::Status m_why = SecretResult::Status::ok;
    QString m_reason;
};

} // namespace quillet
