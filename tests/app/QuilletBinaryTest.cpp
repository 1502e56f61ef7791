#include "store/ModelContainer.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace quillet;

namespace {

struct Run {
    int exitCode;
    QString output;
};

Run runQuillet(const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(QUILLET_BINARY), {});
    process.waitForFinished(60000);
    return { process.exitCode(), QString::fromUtf8(process.readAll()) };
}

} // namespace

class QuilletBinaryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reportsWhereTheStoreLivesAndWhatItHolds()
    {
        QTemporaryDir data;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        {
            const Run first = runQuillet(environment);
            QCOMPARE(first.exitCode, 0);
            QVERIFY2(first.output.contains(data.path() + QStringLiteral("/Quillet/Quillet.store")),
                qPrintable(first.output));
            QVERIFY2(first.output.contains(QStringLiteral("history entries: 0")), qPrintable(first.output));
        }
        {
            QString error;
            auto store = Store::open(data.filePath(QStringLiteral("Quillet/Quillet.store")), &error);
            QVERIFY(store);
            ClipboardItem item;
            item.id = QUuid::createUuid();
            item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
            item.title = QStringLiteral("x");
            item.contentTypeRaw = QStringLiteral("plainText");
            QVERIFY(store->insertItem(item, std::nullopt, {}));
        }
        const Run second = runQuillet(environment);
        QVERIFY2(second.output.contains(QStringLiteral("history entries: 1")), qPrintable(second.output));
    }

    void startsWithoutAnXServerAndSaysWhatIsMissing_data()
    {
        QTest::addColumn<bool>("platformChosen");
        QTest::newRow("offscreen platform") << true;
        QTest::newRow("no display at all") << false;
    }

    void startsWithoutAnXServerAndSaysWhatIsMissing()
    {
        QFETCH(bool, platformChosen);
        QTemporaryDir data;
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        if (!platformChosen) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
            environment.remove(QStringLiteral("DISPLAY"));
            environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        const Run run = runQuillet(environment);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.output.contains(
                     QStringLiteral("Clipboard history is unavailable: Quillet needs an X11 session")),
            qPrintable(run.output));
        QVERIFY2(run.output.contains(QStringLiteral("history entries: 0")), qPrintable(run.output));
    }

    void endsWithTheMessageWhenNoStoreCanBeMade()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("file"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), blocker);
        const Run run = runQuillet(environment);
        QVERIFY(run.exitCode != 0);
        QVERIFY2(
            run.output.contains(QStringLiteral("Could not create ModelContainer: ")), qPrintable(run.output));
    }
};

QUILLET_TEST_MAIN(QuilletBinaryTest)
#include "QuilletBinaryTest.moc"
