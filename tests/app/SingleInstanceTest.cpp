#include "app/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString name(const char *suffix) const { return m_dir.filePath(QLatin1String(suffix)); }

private Q_SLOTS:
    void aLaterInstanceAsksTheFirstToShowItsPanel()
    {
        SingleInstance first(name("a.socket"));
        int shown = 0;
        QVERIFY(first.listen([&] { ++shown; }));
        SingleInstance second(name("a.socket"));
        QVERIFY(second.notifyRunningInstance());
        QTRY_COMPARE(shown, 1);
    }

    void nobodyAnswersWhenNoneRuns()
    {
        SingleInstance alone(name("b.socket"));
        QVERIFY(!alone.notifyRunningInstance());
    }

    void aSocketLeftByACrashIsTakenOver()
    {
        {
            // A server that went away without cleaning up leaves its socket file.
            QLocalServer stale;
            stale.setSocketOptions(QLocalServer::UserAccessOption);
            QVERIFY(stale.listen(name("c.socket")));
            stale.close();
            QFile file(name("c.socket"));
            if (!file.exists()) {
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.close();
            }
        }
        SingleInstance next(name("c.socket"));
        QVERIFY(!next.notifyRunningInstance());
        int shown = 0;
        QVERIFY(next.listen([&] { ++shown; }));
        SingleInstance later(name("c.socket"));
        QVERIFY(later.notifyRunningInstance());
        QTRY_COMPARE(shown, 1);
    }

    void namesDifferPerDisplay()
    {
        qputenv("DISPLAY", ":7");
        const QString seven = SingleInstance::defaultName();
        qputenv("DISPLAY", ":8");
        QVERIFY(SingleInstance::defaultName() != seven);
        QVERIFY(seven.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    }
};

QUILLET_TEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
