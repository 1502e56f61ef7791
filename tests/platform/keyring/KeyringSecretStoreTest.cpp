#include "platform/keyring/KeyringSecretStore.h"
#include "ai/ApiKeyStore.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace quillet;

// Against the GNOME Keyring that scripts/with-keyring starts on a private
// session bus, never the user's own; and against a bus with no keyring.
class KeyringSecretStoreTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theKeyInTheFileMovesIntoTheKeyringWhenOneAnswers_data()
    {
        QTest::addColumn<bool>("serviceRuns");
        QTest::newRow("keyring") << true;
        QTest::newRow("no service") << false;
    }
    void theKeyInTheFileMovesIntoTheKeyringWhenOneAnswers()
    {
        if (qEnvironmentVariable("QUILLET_TEST_KEYRING") != QLatin1String("1"))
            QSKIP("runs only inside scripts/with-keyring");
        QFETCH(bool, serviceRuns);
        test::PrivateSessionBus emptyBus;
        const QDBusConnection bus = serviceRuns
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(emptyBus.address(), QStringLiteral("empty"));
        const auto disconnect
            = qScopeGuard([] { QDBusConnection::disconnectFromBus(QStringLiteral("empty")); });
        KeyringSecretStore keyring(QStringLiteral("QuilletTest"), bus);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
        const QString key = QStringLiteral("AIzaSyMoveMe-0123456789");
        defaults.setString(keys::geminiAPIKey, key);

        ApiKeyStore store(defaults, &keyring);
        QElapsedTimer answered;
        answered.start();
        store.load();
        QTRY_VERIFY(store.place() != ApiKeyStore::Place::loading);
        QCOMPARE(store.key(), key);
        QFile file(defaults.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().contains(key.toUtf8()), !serviceRuns);
        QCOMPARE(store.place(), serviceRuns ? ApiKeyStore::Place::keyring : ApiKeyStore::Place::file);
        // Far below D-Bus's own 25 s: a missing service is told at once.
        QVERIFY(serviceRuns || answered.elapsed() < 2 * KeyringSecretStore::kBusTimeout.count());
        if (serviceRuns) {
            QCOMPARE(QCoro::waitFor(keyring.read(ApiKeyStore::secretName)).value, key);
            store.setKey(QString());
            QTRY_COMPARE(
                QCoro::waitFor(keyring.read(ApiKeyStore::secretName)).status, SecretResult::Status::notFound);
        }
    }
};

QUILLET_TEST_MAIN(KeyringSecretStoreTest)
#include "KeyringSecretStoreTest.moc"
