#include "store/UserStore.h"
#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace quillet;

namespace {

// A quillet process with its own data, config and runtime folders.
class Quillet {
public:
    explicit Quillet(const QString &home, bool withDisplay = true)
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME" }) {
            const QString dir = home + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(dir);
            QFile::setPermissions(
                dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QLatin1String(name), dir);
        }
        if (!withDisplay) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~Quillet() { stop(); }

    void start() { m_process.start(QStringLiteral(QUILLET_BINARY), {}); }

    // Waits until the output holds `text` or the process ends.
    bool waitForOutput(const QString &text)
    {
        QDeadlineTimer deadline(60000);
        while (!m_output.contains(text) && !deadline.hasExpired()) {
            if (m_process.state() == QProcess::NotRunning)
                break;
            m_process.waitForReadyRead(int(deadline.remainingTime()));
            m_output += QString::fromUtf8(m_process.readAll());
        }
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output.contains(text);
    }
    int waitForExit()
    {
        m_process.waitForFinished(60000);
        m_output += QString::fromUtf8(m_process.readAll());
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    const QString &output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

} // namespace

class QuilletBinaryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensTheStoreAndRuns()
    {
        QTemporaryDir home;
        {
            Quillet first(home.path());
            first.start();
            QVERIFY2(first.waitForOutput(QStringLiteral("Quillet is running. History: 0 entries in ")),
                qPrintable(first.output()));
            QVERIFY(first.output().contains(
                home.path() + QStringLiteral("/XDG_DATA_HOME/Quillet/Quillet.store")));
        }
        {
            QString error;
            auto store
                = Store::open(home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet/Quillet.store")), &error);
            QVERIFY(store);
            ClipboardItem item;
            item.id = QUuid::createUuid();
            item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
            item.title = QStringLiteral("x");
            item.contentTypeRaw = QStringLiteral("plainText");
            QVERIFY(store->insertItem(item, std::nullopt, {}));
        }
        Quillet second(home.path());
        second.start();
        QVERIFY2(second.waitForOutput(QStringLiteral("History: 1 entries")), qPrintable(second.output()));
    }

    void aSecondInstanceHandsOverAndExits()
    {
        QTemporaryDir home;
        Quillet first(home.path());
        first.start();
        QVERIFY2(first.waitForOutput(QStringLiteral("Quillet is running")), qPrintable(first.output()));
        Quillet second(home.path());
        second.start();
        QCOMPARE(second.waitForExit(), 0);
        QVERIFY2(second.output().contains(QStringLiteral("Quillet is already running")),
            qPrintable(second.output()));
    }

    void startsWithoutAnXServerAndSaysWhatIsMissing_data()
    {
        QTest::addColumn<bool>("withDisplay");
        QTest::newRow("offscreen platform") << true;
        QTest::newRow("no display at all") << false;
    }
    void startsWithoutAnXServerAndSaysWhatIsMissing()
    {
        QFETCH(bool, withDisplay);
        QTemporaryDir home;
        Quillet quillet(home.path(), withDisplay);
        quillet.start();
        QVERIFY2(quillet.waitForOutput(QStringLiteral("Quillet is running")), qPrintable(quillet.output()));
        QVERIFY2(quillet.output().contains(
                     QStringLiteral("Clipboard history is unavailable: Quillet needs an X11 session")),
            qPrintable(quillet.output()));
        QVERIFY2(quillet.output().contains(QStringLiteral("No system tray")), qPrintable(quillet.output()));
    }

    void endsWithTheMessageWhenNoStoreCanBeMade()
    {
        QTemporaryDir home;
        const QString blocker = home.filePath(QStringLiteral("XDG_DATA_HOME"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Quillet quillet(home.path());
        quillet.start();
        QVERIFY(quillet.waitForExit() != 0);
        QVERIFY2(quillet.output().contains(QStringLiteral("Could not create ModelContainer: ")),
            qPrintable(quillet.output()));
    }
};

QUILLET_TEST_MAIN(QuilletBinaryTest)
#include "QuilletBinaryTest.moc"
