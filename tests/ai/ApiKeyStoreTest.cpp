#include "ai/ApiKeyStore.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "support/FakeSecretStore.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QTemporaryDir>

using namespace quillet;
using Status = SecretResult::Status;
using Place = ApiKeyStore::Place;
Q_DECLARE_METATYPE(quillet::SecretResult::Status)

namespace {

struct Keys {
    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    test::FakeSecretStore keyring;
    ApiKeyStore store { defaults, &keyring };

    QString inKeyring() const { return keyring.secrets.value(ApiKeyStore::secretName); }
};

} // namespace

class ApiKeyStoreTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startMovesTheFileKeyIntoTheKeyringOrKeepsIt_data()
    {
        QTest::addColumn<bool>("inFile");
        QTest::addColumn<QString>("fileKey");
        QTest::addColumn<QString>("keyringKey");
        QTest::addColumn<Status>("keyringAnswer");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("keptInFile");
        QTest::addColumn<QString>("keyringAfter");
        const auto row = [](const char *name, bool inFile, const char *fileKey, const char *keyringKey,
                             Status answer, const char *key, bool keptInFile, const char *keyringAfter) {
            QTest::newRow(name) << inFile << QString::fromLatin1(fileKey) << QString::fromLatin1(keyringKey)
                                << answer << QString::fromLatin1(key) << keptInFile
                                << QString::fromLatin1(keyringAfter);
        };
        row("moved", true, "file-key", "", Status::ok, "file-key", false, "file-key");
        row("newer than the keyring's", true, "new-key", "old-key", Status::ok, "new-key", false, "new-key");
        row("read from the keyring", false, "", "ring-key", Status::ok, "ring-key", false, "ring-key");
        row("a removal the keyring missed", true, "", "old-key", Status::ok, "", false, "");
        row("no service", true, "file-key", "", Status::unavailable, "file-key", true, "");
        row("locked", true, "file-key", "old-key", Status::refused, "file-key", true, "old-key");
        row("locked, nothing in the file", false, "", "old-key", Status::refused, "", false, "old-key");
    }
    void startMovesTheFileKeyIntoTheKeyringOrKeepsIt()
    {
        QFETCH(bool, inFile);
        QFETCH(QString, fileKey);
        QFETCH(QString, keyringKey);
        QFETCH(Status, keyringAnswer);
        Keys k;
        if (inFile)
            k.defaults.setString(keys::geminiAPIKey, fileKey);
        if (!keyringKey.isEmpty())
            k.keyring.secrets.insert(ApiKeyStore::secretName, keyringKey);
        k.keyring.refuseWith = keyringAnswer;

        k.store.load();
        QTRY_VERIFY(k.store.place() != Place::loading);
        QTEST(k.store.key(), "key");
        QTEST(k.defaults.contains(keys::geminiAPIKey), "keptInFile");
        QTEST(k.inKeyring(), "keyringAfter");
        QCOMPARE(k.store.place(), keyringAnswer == Status::ok ? Place::keyring : Place::file);
    }

    void aKeyTheKeyringRefusesStaysInTheFileUntilItTakesIt()
    {
        Keys k;
        k.keyring.refuseWith = Status::refused;
        k.store.load();
        k.store.setKey(QStringLiteral("typed-key"));
        QTRY_COMPARE(k.defaults.string(keys::geminiAPIKey), QStringLiteral("typed-key"));
        QCOMPARE(k.store.place(), Place::file);

        k.keyring.refuseWith = Status::ok;
        k.store.setKey(QStringLiteral("typed-key-2"));
        QTRY_COMPARE(k.inKeyring(), QStringLiteral("typed-key-2"));
        QVERIFY(!k.defaults.contains(keys::geminiAPIKey));
    }

    // Also: keys typed during a write reach the keyring once, as the last.
    void aKeySetWhileTheKeyringIsReadWinsAndIsWhatWaitingReadersGet()
    {
        Keys k;
        k.keyring.secrets.insert(ApiKeyStore::secretName, QStringLiteral("old-key"));
        k.keyring.hold();
        k.store.load();
        QVERIFY(!k.store.isLoaded());
        QCoro::Task<QString> awaited = k.store.loadedKey();
        QTimer::singleShot(0, &k.store, [&k] { k.store.setKey(QStringLiteral("new")); });
        QCOMPARE(QCoro::waitFor(std::move(awaited)), QStringLiteral("new"));
        k.store.setKey(QStringLiteral("newer"));
        k.store.setKey(QStringLiteral("newest"));
        QCOMPARE(k.store.key(), QStringLiteral("newest"));
        k.keyring.release();
        QTRY_COMPARE(k.inKeyring(), QStringLiteral("newest"));
        QCOMPARE(k.keyring.writes, 2);
    }
};

QUILLET_TEST_MAIN(ApiKeyStoreTest)
#include "ApiKeyStoreTest.moc"
