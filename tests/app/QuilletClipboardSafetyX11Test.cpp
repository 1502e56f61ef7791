#include "support/QuilletProcess.h"
#include "support/TestEnvironment.h"

#include "../platform/x11/X11TestTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace quillet;
using test::waitUntil;

// The real program under Xvfb + openbox, where other applications and the
// user's fingers misbehave: clipboard owners that hang or drip, a select-all
// before Delete in the panel, a Clear taken back.
class QuilletClipboardSafetyX11Test : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<test::QuilletInstance> m_quillet;

    QStringList titles()
    {
        QStringList titles;
        const auto list
            = test::runQuillet(m_home.path(), { QStringLiteral("list"), QStringLiteral("--json") });
        for (const QJsonValue &entry : QJsonDocument::fromJson(list.out).array())
            titles.append(entry[QStringLiteral("title")].toString());
        return titles;
    }
    bool waitForNewest(const QString &title)
    {
        return waitUntil([&] { return titles().value(0) == title; });
    }
    // Waits until the window named `name` has the keyboard, then types `keys`.
    static bool keysTo(const QString &name, const QStringList &keys)
    {
        const QStringList active { QStringLiteral("getactivewindow"), QStringLiteral("getwindowname") };
        return waitUntil([&] {
            QProcess query;
            query.start(QStringLiteral("xdotool"), active);
            return query.waitForFinished(10000) && query.readAllStandardOutput().trimmed() == name.toUtf8();
        }) && QProcess::execute(QStringLiteral("xdotool"), keys) == 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_quillet = std::make_unique<test::QuilletInstance>(m_home.path());
        QVERIFY2(m_quillet->startAndWait(), qPrintable(m_quillet->output()));
    }

    void aCopyRightAfterAHungOrDrippingOwnerIsRecorded_data()
    {
        QTest::addColumn<QStringList>("owner");
        QTest::addColumn<QByteArray>("pending");
        QTest::newRow("hung, then closed") << QStringList { "hang" } << QByteArray("request TARGETS");
        QTest::newRow("dripping") << QStringList { "drip", "2500" } << QByteArray("request UTF8_STRING");
    }
    void aCopyRightAfterAHungOrDrippingOwnerIsRecorded()
    {
        QFETCH(QStringList, owner);
        QFETCH(QByteArray, pending);
        test::MisbehavingOwner misbehaving(owner);
        QVERIFY(misbehaving.waitFor(pending));
        if (owner.first() == QLatin1String("hang"))
            misbehaving.close();
        for (const QString &text : { QStringLiteral("first %1").arg(QTest::currentDataTag()),
                 QStringLiteral("second %1").arg(QTest::currentDataTag()) }) {
            test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), text.toUtf8());
            QVERIFY(waitForNewest(text));
        }
    }

    void selectAllDeleteRemovesNothingAndAClearComesBack()
    {
        const QStringList before = titles();
        QCOMPARE(before.size(), 4);
        QCOMPARE(test::runQuillet(m_home.path(), { QStringLiteral("show") }).exitCode, 0);
        // Ctrl+A, Delete takes the search text only; the next Delete, in the
        // empty field, the highlighted (newest) entry.
        QVERIFY(keysTo(QStringLiteral("Quillet"), { "type", "--delay", "30", "first" }));
        QVERIFY(keysTo(QStringLiteral("Quillet"), { "key", "ctrl+a", "Delete", "Delete" }));
        QVERIFY(waitUntil([&] { return titles() == before.mid(1); }));
        // Clear, from the panel's menu, asks first; confirmed, it clears; Ctrl+Z brings all back.
        QVERIFY(keysTo(QStringLiteral("Quillet"), { "key", "Menu", "Down", "Down", "Return" }));
        QVERIFY(keysTo(QStringLiteral("Clear History"), { "key", "alt+c" }));
        QVERIFY(waitUntil([&] { return titles().isEmpty(); }));
        QVERIFY(keysTo(QStringLiteral("Quillet"), { "key", "ctrl+z" }));
        QVERIFY(waitUntil([&] { return titles() == before.mid(1); }));
    }
};

QUILLET_TEST_MAIN(QuilletClipboardSafetyX11Test)
#include "QuilletClipboardSafetyX11Test.moc"
