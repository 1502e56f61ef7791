#include "defaults/Defaults.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace quillet;

class DefaultsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("Quillet/Quillet.conf")); }

private Q_SLOTS:
    void init() { QFile::remove(path()); }

    void standardPathFollowsXdgConfigHome()
    {
        QCOMPARE(Defaults::standardPath(),
            qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Quillet/Quillet.conf"));
    }

    void fileIsOwnerOnly()
    {
        Defaults defaults(path());
        defaults.setString(QStringLiteral("geminiAPIKey"), QStringLiteral("secret"));
        QCOMPARE(QFile::permissions(path()) & 0x0077, QFileDevice::Permissions());
        QVERIFY(QFile::permissions(path()) & QFileDevice::ReadOwner);
    }

    void absentKeysReadAsDefaults()
    {
        Defaults defaults(path());
        QCOMPARE(defaults.integer(QStringLiteral("maxHistorySize")), 0);
        QCOMPARE(defaults.doubleValue(QStringLiteral("pollingInterval")), 0.0);
        QCOMPARE(defaults.boolean(QStringLiteral("pasteAfterSelection")), std::nullopt);
        QCOMPARE(defaults.string(QStringLiteral("geminiAPIKey")), QString());
        QCOMPARE(defaults.stringList(QStringLiteral("excludedAppBundleIDs")), std::nullopt);
        QVERIFY(!defaults.contains(QStringLiteral("maxHistorySize")));
    }

    // Raw INI text as a user or an older version may have left it.
    void typedReadersOfStoredText_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<qint64>("integer");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("boolean"); // -1: not a Boolean
        QTest::newRow("integer") << QByteArray("250") << qint64(250) << 250.0 << -1;
        QTest::newRow("double") << QByteArray("0.25") << qint64(0) << 0.25 << -1;
        QTest::newRow("negative") << QByteArray("-3") << qint64(-3) << -3.0 << -1;
        QTest::newRow("true") << QByteArray("true") << qint64(0) << 0.0 << 1;
        QTest::newRow("false") << QByteArray("false") << qint64(0) << 0.0 << 0;
        QTest::newRow("word") << QByteArray("lots") << qint64(0) << 0.0 << -1;
        QTest::newRow("empty") << QByteArray("") << qint64(0) << 0.0 << -1;
        QTest::newRow("huge") << QByteArray("1e300") << qint64(0) << 1e300 << -1;
        QTest::newRow("nan") << QByteArray("nan") << qint64(0) << 0.0 << -1;
    }
    void typedReadersOfStoredText()
    {
        QFETCH(QByteArray, raw);
        QFETCH(qint64, integer);
        QFETCH(double, number);
        QFETCH(int, boolean);
        QVERIFY(test::writeFile(path(), "[General]\nkey=" + raw + "\n"));
        Defaults defaults(path());
        const QString key = QStringLiteral("key");
        QCOMPARE(defaults.integer(key), integer);
        QCOMPARE(defaults.doubleValue(key), number);
        const auto b = defaults.boolean(key);
        QCOMPARE(b.has_value() ? int(*b) : -1, boolean);
    }

    void valuesSurviveARestart()
    {
        {
            Defaults defaults(path());
            defaults.setInteger(QStringLiteral("maxHistorySize"), 1500);
            defaults.setDouble(QStringLiteral("menuWidth"), 290.0);
            defaults.setBool(QStringLiteral("pasteAfterSelection"), false);
            defaults.setString(QStringLiteral("KeyboardShortcuts_togglePanel"),
                QStringLiteral("{\"carbonKeyCode\":9,\"carbonModifiers\":768}"));
            defaults.setStringList(QStringLiteral("one"), { QStringLiteral("org.example.App") });
            defaults.setStringList(QStringLiteral("many"),
                { QStringLiteral("a,b"), QStringLiteral("c d"), QStringLiteral("é") });
        }
        Defaults defaults(path());
        QCOMPARE(defaults.integer(QStringLiteral("maxHistorySize")), 1500);
        QCOMPARE(defaults.doubleValue(QStringLiteral("menuWidth")), 290.0);
        QCOMPARE(defaults.boolean(QStringLiteral("pasteAfterSelection")), std::optional<bool>(false));
        QCOMPARE(defaults.string(QStringLiteral("KeyboardShortcuts_togglePanel")),
            QStringLiteral("{\"carbonKeyCode\":9,\"carbonModifiers\":768}"));
        QCOMPARE(
            defaults.stringList(QStringLiteral("one")), QStringList { QStringLiteral("org.example.App") });
        QCOMPARE(defaults.stringList(QStringLiteral("many")),
            (QStringList { QStringLiteral("a,b"), QStringLiteral("c d"), QStringLiteral("é") }));
    }

    void changeSignalOnlyForRealChanges()
    {
        Defaults defaults(path());
        QSignalSpy spy(&defaults, &Defaults::changed);
        defaults.setInteger(QStringLiteral("menuItemCount"), 20);
        defaults.setInteger(QStringLiteral("menuItemCount"), 20);
        defaults.setInteger(QStringLiteral("menuItemCount"), 25);
        defaults.remove(QStringLiteral("menuItemCount"));
        defaults.remove(QStringLiteral("menuItemCount"));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("menuItemCount"));
    }

    // A file that cannot be read, or something that is not a file at all (a
    // FIFO would block start-up): Quillet starts from defaults, and writes
    // that reach the file are not reported as failed.
    void unreadableFileStartsFromDefaults_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("garbage") << false;
        QTest::newRow("a FIFO") << true;
    }
    void unreadableFileStartsFromDefaults()
    {
        QFETCH(bool, fifo);
        QDir().mkpath(m_dir.filePath(QStringLiteral("Quillet")));
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        else
            QVERIFY(test::writeFile(path(), QByteArray("[General\n\x00\xff\xfe[[[=\n\x01", 19)));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("could not write")));
        Defaults defaults(path());
        QCOMPARE(defaults.integer(QStringLiteral("maxHistorySize")), 0);
        for (int limit = 100; limit < 108; ++limit)
            defaults.setInteger(QStringLiteral("maxHistorySize"), limit);
        QCOMPARE(Defaults(path()).integer(QStringLiteral("maxHistorySize")), 107);
        QFile::remove(path() + QStringLiteral(".not-a-file"));
    }
};

QUILLET_TEST_MAIN(DefaultsTest)
#include "DefaultsTest.moc"
