#pragma once

#include <QCoroTask>
#include <QString>

namespace quillet {

// The answer of a secret store to one request.
struct SecretResult {
    enum class Status {
        ok,
        // A read found no secret under that name.
        notFound,
        // No secret service answers (none running, none that can be started).
        unavailable,
        // The service answered but would not do it: a locked keyring the user
        // did not unlock, or access the user denied.
        refused,
        // Anything else the service reported.
        failed,
    };

    Status status = Status::failed;
    // The secret, for a read that found it.
    QString value;
    // Why the request failed, in the service's words; never holds a secret.
    QString reason;

    bool ok() const { return status == Status::ok; }
};

// Where the desktop keeps the user's secrets (the Secret Service of GNOME
// Keyring or KWallet). Requests answer asynchronously: a locked keyring may
// ask the user first, and the caller must not wait for that on the main
// thread. Each request stands alone; callers order their own writes.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    virtual QCoro::Task<SecretResult> read(QString name) = 0;
    virtual QCoro::Task<SecretResult> write(QString name, QString value) = 0;
    // Removing a secret that is not there is not an error.
    virtual QCoro::Task<SecretResult> remove(QString name) = 0;
};

} // namespace quillet
