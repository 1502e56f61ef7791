#include "store/UserStore.h"
#include "support/QuilletProcess.h"
#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace quillet;

using test::QuilletProcess;

class QuilletBinaryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensTheStoreAndRuns()
    {
        QTemporaryDir home;
        {
            QuilletProcess first(home.path());
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
        QuilletProcess second(home.path());
        second.start();
        QVERIFY2(second.waitForOutput(QStringLiteral("History: 1 entries")), qPrintable(second.output()));
    }

    void aSecondInstanceHandsOverAndExits()
    {
        QTemporaryDir home;
        QuilletProcess first(home.path());
        first.start();
        QVERIFY2(first.waitForOutput(QStringLiteral("Quillet is running")), qPrintable(first.output()));
        QuilletProcess second(home.path());
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
        QuilletProcess quillet(home.path(), withDisplay);
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
        QuilletProcess quillet(home.path());
        quillet.start();
        QVERIFY(quillet.waitForExit() != 0);
        QVERIFY2(quillet.output().contains(QStringLiteral("Could not create ModelContainer: ")),
            qPrintable(quillet.output()));
    }
};

QUILLET_TEST_MAIN(QuilletBinaryTest)
#include "QuilletBinaryTest.moc"
