#include "settings/SettingsViewModel.h"
#include "ai/ApiKeyStore.h"
#include "defaults/PreferenceKeys.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;

class SettingsViewModelTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Defaults> m_defaults;

    QString dataFolder() const { return m_dir->filePath(QStringLiteral("data/Quillet")); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_defaults = std::make_unique<Defaults>(m_dir->filePath(QStringLiteral("Quillet.conf")));
    }

    void readsStoredValuesAsTheyAreUsed_data()
    {
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<qint64>("shown");
        QTest::newRow("unset") << qint64(0) << qint64(500);
        QTest::newRow("negative, as the history manager reads it") << qint64(-20) << qint64(500);
        QTest::newRow("set") << qint64(1000) << qint64(1000);
    }
    void readsStoredValuesAsTheyAreUsed()
    {
        QFETCH(qint64, stored);
        QFETCH(qint64, shown);
        if (stored)
            m_defaults->setInteger(keys::maxHistorySize, stored);
        m_defaults->setDouble(keys::menuWidth, 0.0);
        m_defaults->setString(keys::soundEnabled, QStringLiteral("loud"));
        SettingsViewModel model(*m_defaults, dataFolder());
        QCOMPARE(model.maxHistorySize(), shown);
        QCOMPARE(model.menuWidth(), 340.0);
        QCOMPARE(model.soundEnabled(), false);
    }

    void settersWriteThroughAndSurviveARestart()
    {
        SettingsViewModel model(*m_defaults, dataFolder());
        model.setMenuWidth(340.0);
        QCOMPARE(m_defaults->doubleValue(keys::menuWidth), 340.0); // written even when equal
        model.setMaxHistorySize(1000);
        model.setPollingInterval(2.0);
        model.setMenuItemCount(5);
        model.setPasteAfterSelection(false);
        SettingsViewModel reloaded(*m_defaults, dataFolder());
        QCOMPARE(reloaded.maxHistorySize(), 1000);
        QCOMPARE(reloaded.pollingInterval(), 2.0);
        QCOMPARE(reloaded.menuItemCount(), 5);
        QCOMPARE(reloaded.pasteAfterSelection(), false);
    }

    void formatsSizesInDecimalUnits_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("0 bytes");
        QTest::newRow("one") << qint64(1) << QStringLiteral("1 byte");
        QTest::newRow("999") << qint64(999) << QStringLiteral("999 bytes");
        QTest::newRow("kilo") << qint64(1000) << QStringLiteral("1.0 kB");
        QTest::newRow("not binary") << qint64(1024) << QStringLiteral("1.0 kB");
        QTest::newRow("mega") << qint64(1'234'567) << QStringLiteral("1.2 MB");
        QTest::newRow("rounds up a unit") << qint64(999'999) << QStringLiteral("1.0 MB");
        QTest::newRow("giga") << qint64(5'500'000'000) << QStringLiteral("5.5 GB");
    }
    void formatsSizesInDecimalUnits()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(SettingsViewModel::formatByteCount(bytes), text);
    }

    void measuresTheDataFolder()
    {
        SettingsViewModel model(*m_defaults, dataFolder());
        QSignalSpy spy(&model, &SettingsViewModel::databaseSizeChanged);
        model.updateDatabaseSize();
        QCOMPARE(model.databaseSize(), QStringLiteral("0 bytes"));
        QVERIFY(test::writeFile(dataFolder() + QStringLiteral("/a"), QByteArray(1500, 'x')));
        QVERIFY(test::writeFile(dataFolder() + QStringLiteral("/nested/b"), QByteArray(1500, 'x')));
        model.updateDatabaseSize();
        QCOMPARE(model.databaseSize(), QStringLiteral("3.0 kB"));
        model.updateDatabaseSize();
        QCOMPARE(spy.count(), 2);
    }

    void unreadableFolderIsUnknown()
    {
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("file")), {}));
        SettingsViewModel model(*m_defaults, m_dir->filePath(QStringLiteral("file/Quillet")));
        model.updateDatabaseSize();
        QCOMPARE(model.databaseSize(), QStringLiteral("Unknown"));
    }

    void theExportLeavesTheApiKeyOut()
    {
        test::TempStore store;
        m_defaults->setString(keys::geminiAPIKey, QStringLiteral("AIzaSecret-123"));
        ApiKeyStore apiKey(*m_defaults, nullptr);
        QVERIFY(store->insertItem(test::textItem(QStringLiteral("key: AIzaSecret-123")), std::nullopt, {}));
        const QString path = m_dir->filePath(QStringLiteral("quillet-export.json"));
        QCOMPARE(
            SettingsViewModel(*m_defaults, dataFolder(), &apiKey).exportHistory(*store, path), std::nullopt);
        QVERIFY(test::readFile(path).contains("\"key: [redacted]\""));
    }

    void exportsTheHistoryNewestFirst()
    {
        test::TempStore store;
        SettingsViewModel model(*m_defaults, dataFolder());
        const QString path = m_dir->filePath(QStringLiteral("quillet-export.json"));

        QCOMPARE(model.exportHistory(*store, path), std::nullopt);
        const QJsonDocument none = QJsonDocument::fromJson(test::readFile(path));
        QVERIFY(none.isArray());
        QVERIFY(none.array().isEmpty());

        ClipboardItem pinned = test::textItem(QStringLiteral("pinned"), 0, true);
        pinned.createdAt = QDateTime::fromMSecsSinceEpoch(1'700'000'000'250, Qt::UTC);
        pinned.sourceAppName = QStringLiteral("Files");
        QVERIFY(store->insertItem(test::textItem(QStringLiteral("old"), 100'000'000), std::nullopt, {}));
        QVERIFY(store->insertItem(pinned, std::nullopt, {}));
        QCOMPARE(model.exportHistory(*store, path), std::nullopt);
        const QByteArray bytes = test::readFile(path);
        QVERIFY(bytes.contains("\n    ")); // pretty-printed
        const QJsonArray records = QJsonDocument::fromJson(bytes).array();
        QCOMPARE(records.size(), 2);
        const QJsonObject first = records.at(0).toObject();
        QCOMPARE(first.value(QStringLiteral("title")).toString(), QStringLiteral("pinned"));
        QCOMPARE(first.value(QStringLiteral("contentType")).toString(), QStringLiteral("plainText"));
        QCOMPARE(first.value(QStringLiteral("createdAt")).toDouble(), 1'700'000'000.25);
        QCOMPARE(first.value(QStringLiteral("isPinned")).toBool(), true);
        QCOMPARE(first.value(QStringLiteral("sourceApp")).toString(), QStringLiteral("Files"));
        QVERIFY(!records.at(1).toObject().contains(QStringLiteral("sourceApp")));
    }

    void aFailedExportLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<bool>("unreadableHistory");
        QTest::addColumn<QString>("file");
        QTest::newRow("the history cannot be read") << true << QStringLiteral("export.json");
        QTest::newRow("the file cannot be written") << false << QStringLiteral("missing/export.json");
    }
    void aFailedExportLeavesTheFileAsItWas()
    {
        QFETCH(bool, unreadableHistory);
        QFETCH(QString, file);
        test::TempStore store;
        const QString path = store.folder() + QLatin1Char('/') + file;
        QFile previous(path);
        if (previous.open(QIODevice::WriteOnly)) {
            previous.write("an earlier export");
            previous.close();
        }
        if (unreadableHistory) {
            test::breakHistoryTable(*store);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("fetching history")));
        }
        SettingsViewModel model(*m_defaults, dataFolder());
        const auto error = model.exportHistory(*store, path);
        QVERIFY(error && !error->isEmpty());
        if (previous.open(QIODevice::ReadOnly))
            QCOMPARE(previous.readAll(), QByteArray("an earlier export"));
        else
            QVERIFY(!QFile::exists(path));
    }
};

QUILLET_TEST_MAIN(SettingsViewModelTest)
#include "SettingsViewModelTest.moc"
