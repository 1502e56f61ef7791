#pragma once

#include "platform/SecretStore.h"

#include <QCoroSignal>
#include <QHash>
#include <QObject>

namespace quillet::test {

// A keyring in memory. `refuseWith` fails every request so; `hold()` keeps
// requests waiting until `release()`, as a keyring asking the user would.
class FakeSecretStore : public QObject, public SecretStore {
    Q_OBJECT
public:
    QHash<QString, QString> secrets;
    SecretResult::Status refuseWith = SecretResult::Status::ok;
    int writes = 0;

    void hold() { m_held = true; }
    void release()
    {
        m_held = false;
        Q_EMIT released();
    }

    QCoro::Task<SecretResult> read(QString name) override
    {
        co_return co_await answer([&] {
            return secrets.contains(name) ? SecretResult { SecretResult::Status::ok, secrets.value(name), {} }
                                          : SecretResult { SecretResult::Status::notFound, {}, {} };
        });
    }
    QCoro::Task<SecretResult> write(QString name, QString value) override
    {
        ++writes;
        co_return co_await answer([&] { return done(secrets.insert(name, value)); });
    }
    QCoro::Task<SecretResult> remove(QString name) override
    {
        co_return co_await answer([&] { return done(secrets.remove(name)); });
    }

Q_SIGNALS:
    void released();

private:
    template<typename Action> QCoro::Task<SecretResult> answer(Action action)
    {
        if (m_held)
            co_await qCoro(this, &FakeSecretStore::released);
        if (refuseWith != SecretResult::Status::ok)
            co_return SecretResult { refuseWith, {}, QStringLiteral("refused by the test") };
        co_return action();
    }
    template<typename T> static SecretResult done(T &&) { return { SecretResult::Status::ok, {}, {} }; }

    bool m_held = false;
};

} // namespace quillet::test
