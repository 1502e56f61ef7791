#include "app/cli/CommandProtocol.h"
#include "support/QuilletProcess.h"
#include "support/TestEnvironment.h"

#include "../platform/x11/X11TestTools.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

using namespace quillet;
using test::CommandResult;
using test::waitUntil;

namespace {

QString sha256(const QByteArray &data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QByteArray frame(const QByteArray &json)
{
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(quint32(json.size()), header.data());
    return header + json;
}

QByteArray pngPicture()
{
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

} // namespace

// `quillet COMMAND` against a Quillet running under Xvfb + openbox, with xclip
// copying as another application and a test window receiving pastes.
class CommandLineX11Test : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    std::unique_ptr<test::QuilletInstance> m_quillet;

    CommandResult quillet(const QStringList &arguments, const QByteArray &input = {})
    {
        return test::runQuillet(m_home.path(), arguments, input);
    }
    QJsonArray entries()
    {
        return QJsonDocument::fromJson(quillet({ QStringLiteral("list"), QStringLiteral("--json") }).out)
            .array();
    }
    QStringList titles()
    {
        QStringList titles;
        for (const QJsonValue &entry : entries())
            titles.append(entry[QStringLiteral("title")].toString());
        return titles;
    }
    // Waits until the newest entry holds exactly `data` (its content hash).
    bool waitForNewest(const QByteArray &data)
    {
        return waitUntil(
            [&] { return entries().first()[QStringLiteral("contentHash")].toString() == sha256(data); });
    }
    // The error Quillet answers `bytes`, sent by hand, with.
    QString sendByHand(const QByteArray &bytes)
    {
        QLocalSocket socket;
        socket.connectToServer(test::quilletSocket(m_home.path()));
        if (!socket.waitForConnected(5000))
            return QStringLiteral("not connected");
        socket.write(bytes);
        cli::FrameReader reader;
        std::optional<QJsonObject> message;
        while (!message && socket.waitForReadyRead(5000)) {
            reader.append(socket.readAll());
            message = reader.takeMessage();
        }
        QString error = QStringLiteral("no reply");
        const auto reply = message ? cli::replyFromMessage(*message, &error) : std::nullopt;
        return reply ? reply->error.value_or(QStringLiteral("success")) : error;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_quillet = std::make_unique<test::QuilletInstance>(m_home.path());
        QVERIFY2(m_quillet->startAndWait(), qPrintable(m_quillet->output()));
    }

    void listShowsCopiesNewestFirst()
    {
        {
            test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "first copy");
            QVERIFY(waitForNewest("first copy"));
        }
        test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "second copy");
        QVERIFY(waitForNewest("second copy"));
        const QJsonArray list = entries();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0][QStringLiteral("title")].toString(), QStringLiteral("second copy"));
        QCOMPARE(list[1][QStringLiteral("title")].toString(), QStringLiteral("first copy"));
        QCOMPARE(list[1][QStringLiteral("position")].toInt(), 2);
        QVERIFY(QDateTime::fromString(list[0][QStringLiteral("createdAt")].toString(), Qt::ISODateWithMs)
                    .isValid());
    }

    void getWritesTheContentByteForByte_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("text") << "UTF8_STRING" << QByteArray("naïve café ☕\n\ttabbed") << QStringList();
        QByteArray large(1024 * 1024, 'x');
        for (int i = 0; i < large.size(); i += 97)
            large[i] = char('a' + i % 26);
        QTest::newRow("1 MB of text") << "UTF8_STRING" << large << QStringList();
        QTest::newRow("PNG") << "image/png" << pngPicture() << QStringList { "--type", "image/png" };
    }
    void getWritesTheContentByteForByte()
    {
        QFETCH(QString, target);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, options);
        test::ClipboardOwner copy(target, data);
        QVERIFY(waitForNewest(data));
        const CommandResult result
            = quillet(QStringList { QStringLiteral("get"), QStringLiteral("1") } + options);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out.size(), data.size());
        QVERIFY(result.out == data);
    }

    void addTakesStandardInputIntoTheHistoryAndOntoTheClipboard()
    {
        const QByteArray text("added through a pipe\n");
        const CommandResult added = quillet({ QStringLiteral("add") }, text);
        QCOMPARE(added.err, QByteArray());
        QCOMPARE(added.exitCode, 0);
        QVERIFY(waitForNewest(text));
        QCOMPARE(test::readClipboard(QStringLiteral("UTF8_STRING")), std::optional<QByteArray>(text));
    }

    void copyPutsAnEntryBackOnTheClipboardAsTheNewest()
    {
        const QByteArray fourth = quillet({ QStringLiteral("get"), QStringLiteral("4") }).out;
        QCOMPARE(quillet({ QStringLiteral("copy"), QStringLiteral("4") }).exitCode, 0);
        QCOMPARE(test::readClipboard(QStringLiteral("UTF8_STRING")), std::optional<QByteArray>(fourth));
        QCOMPARE(quillet({ QStringLiteral("get"), QStringLiteral("1") }).out, fourth);
    }

    void aPinnedEntrySurvivesClearAndDeleteRemovesIt()
    {
        const QString pinned = titles().value(1);
        QCOMPARE(quillet({ QStringLiteral("pin"), QStringLiteral("2") }).exitCode, 0);
        QVERIFY(entries()[1][QStringLiteral("isPinned")].toBool());
        QCOMPARE(quillet({ QStringLiteral("clear") }).exitCode, 0);
        QCOMPARE(titles(), QStringList { pinned });
        QCOMPARE(quillet({ QStringLiteral("delete"), QStringLiteral("1") }).exitCode, 0);
        QCOMPARE(titles(), QStringList());
    }

    void pasteTypesIntoTheActiveWindow()
    {
        QCOMPARE(quillet({ QStringLiteral("add"), QStringLiteral("pasted by quillet") }).exitCode, 0);
        test::TestWindow window(
            { QStringLiteral("--class"), QStringLiteral("editor"), QStringLiteral("Editor") });
        QVERIFY(window.waitForWindow() != 0);
        QCOMPARE(quillet({ QStringLiteral("paste"), QStringLiteral("1") }).exitCode, 0);
        QVERIFY2(window.waitForText(QStringLiteral("pasted by quillet")),
            qPrintable(window.texts().join(QLatin1Char('|'))));
    }

    void failuresChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("byHand");
        QTest::addColumn<QString>("error");
        QTest::newRow("position out of range")
            << QStringList { "pin", "9" } << QByteArray() << "there is no entry 9: the history holds 1 entry";
        QTest::newRow("type the entry lacks") << QStringList { "get", "1", "--type",
            "image/png" } << QByteArray() << "entry 1 has no image/png; it has text/plain;charset=utf-8";
        QTest::newRow("type Quillet does not keep") << QStringList { "add", "--type", "x-foo/bar",
            "x" } << QByteArray() << "Quillet does not keep x-foo/bar content";
        QTest::newRow("malformed JSON") << QStringList() << frame("{\"version\":1,") << "not valid JSON";
        QTest::newRow("oversized") << QStringList() << QByteArray("\x7f\xff\xff\xff", 4) << "more than the";
        QTest::newRow("the single-instance message of old")
            << QStringList() << QByteArray("show-panel\n") << "more than the";
        QTest::newRow("unknown command")
            << QStringList() << frame(R"({"version":1,"command":"rm","arguments":{}})")
            << "unknown command \"rm\"";
        QTest::newRow("another version")
            << QStringList() << frame(R"({"version":7,"command":"clear"})") << "protocol version 7";
        QTest::newRow("bad position by hand")
            << QStringList() << frame(R"({"version":1,"command":"delete","arguments":{"position":-1}})")
            << "whole number from 1";
    }
    void failuresChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, byHand);
        QFETCH(QString, error);
        const QJsonArray before = entries();
        QCOMPARE(before.size(), 1);
        if (byHand.isEmpty()) {
            const CommandResult result = quillet(arguments);
            QCOMPARE(result.exitCode, 1);
            QCOMPARE(QString::fromUtf8(result.err), QStringLiteral("quillet: %1\n").arg(error));
        } else {
            const QString reply = sendByHand(byHand);
            QVERIFY2(reply.contains(error), qPrintable(reply));
        }
        QVERIFY(m_quillet->isRunning());
        QCOMPARE(entries(), before);
    }

    // A copy made right before the quit is in the history after it, and the
    // store was closed cleanly: SQLite removes the log with the last connection.
    void quitEndsQuillet()
    {
        const QByteArray last = "copied right before quitting";
        test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), last);
        QVERIFY(waitUntil([&] { return test::readClipboard(QStringLiteral("UTF8_STRING")) == last; }));
        const CommandResult result = quillet({ QStringLiteral("quit") });
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(m_quillet->waitForExit(), 0);
        const QString store = m_home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet/Quillet.store"));
        QVERIFY(QFile::exists(store));
        QVERIFY(!QFile::exists(store + QStringLiteral("-wal")));
        QCOMPARE(entries().first()[QStringLiteral("contentHash")].toString(), sha256(last));
        const CommandResult after = quillet({ QStringLiteral("toggle") });
        QCOMPARE(after.exitCode, 1);
        QCOMPARE(after.err, QByteArray("quillet: Quillet is not running\n"));
    }

    void cleanupTestCase() { m_quillet.reset(); }
};

QUILLET_TEST_MAIN(CommandLineX11Test)
#include "CommandLineX11Test.moc"
