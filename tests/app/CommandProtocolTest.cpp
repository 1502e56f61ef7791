#include "app/cli/CommandProtocol.h"
#include "app/cli/CommandSocket.h"
#include "app/cli/ReadCommands.h"
#include "store/Store.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtEndian>

using namespace quillet::cli;

namespace {

QByteArray frame(const QByteArray &json)
{
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(quint32(json.size()), header.data());
    return header + json;
}

QByteArray lengthOnly(quint32 length)
{
    QByteArray header(4, Qt::Uninitialized);
    qToBigEndian(length, header.data());
    return header;
}

} // namespace

class CommandProtocolTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneInstanceHoldsTheLockAtATime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.lock"));
        QString error;
        auto first = std::make_unique<InstanceLock>();
        QCOMPARE(first->acquire(path, &error), InstanceLock::Outcome::acquired);
        InstanceLock second;
        QCOMPARE(second.acquire(path, &error), InstanceLock::Outcome::heldByAnother);
        first.reset();
        QCOMPARE(second.acquire(path, &error), InstanceLock::Outcome::acquired);
    }

    void framesAreCutFromTheStream_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("messages");
        QTest::addColumn<QString>("error");
        const QByteArray one = frame(R"({"a":1})");
        QTest::newRow("whole") << one << 1024 << 1 << QString();
        QTest::newRow("byte by byte") << one << 1 << 1 << QString();
        QTest::newRow("two in one read") << one + frame(R"({"b":[2]})") << 1024 << 2 << QString();
        QTest::newRow("incomplete") << one.chopped(1) << 1024 << 0 << QString();
        QTest::newRow("empty") << lengthOnly(0) << 1024 << 0 << "the message is empty";
        QTest::newRow("too large, refused before its body")
            << lengthOnly(quint32(kMaxFrameBytes) + 1) << 1 << 0 << "more than the";
        QTest::newRow("not JSON") << frame("{nope") << 1024 << 0 << "not valid JSON";
        QTest::newRow("not an object") << frame("[1,2]") << 1024 << 0 << "not a JSON object";
        QTest::newRow("a bad frame after a good one") << one + frame("x") << 3 << 1 << "not valid JSON";
    }
    void framesAreCutFromTheStream()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, chunk);
        QFETCH(int, messages);
        QFETCH(QString, error);
        FrameReader reader;
        int taken = 0;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            reader.append(stream.mid(at, chunk));
            while (reader.takeMessage())
                ++taken;
        }
        QCOMPARE(taken, messages);
        QCOMPARE(reader.error().isEmpty(), error.isEmpty());
        QVERIFY2(reader.error().contains(error), qPrintable(reader.error()));
        if (!error.isEmpty())
            QCOMPARE(reader.pendingBytes(), 0);
    }

    void requestsAreCheckedAgainstTheirCommand_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::newRow("valid") << QByteArray(R"({"version":1,"command":"pin","arguments":{"position":2}})")
                               << QString();
        QTest::newRow("content as base64")
            << QByteArray(R"({"version":1,"command":"add","arguments":{"data":"aGk=","no-copy":true}})")
            << QString();
        QTest::newRow("no version") << QByteArray(R"({"command":"quit"})") << "names no protocol version";
        QTest::newRow("another version")
            << QByteArray(R"({"version":2,"command":"quit"})") << "protocol version 2 is not spoken here";
        QTest::newRow("unknown command")
            << QByteArray(R"({"version":1,"command":"format-disk"})") << "unknown command \"format-disk\"";
        QTest::newRow("missing argument")
            << QByteArray(R"({"version":1,"command":"delete"})") << "\"position\" is missing";
        QTest::newRow("position as text")
            << QByteArray(R"({"version":1,"command":"delete","arguments":{"position":"1"}})")
            << "must be a number";
        QTest::newRow("fractional position")
            << QByteArray(R"({"version":1,"command":"delete","arguments":{"position":1.5}})")
            << "whole number from 1";
        QTest::newRow("position 0") << QByteArray(
            R"({"version":1,"command":"copy","arguments":{"position":0}})")
                                    << "whole number from 1";
        QTest::newRow("unexpected argument")
            << QByteArray(R"({"version":1,"command":"export","arguments":{"file":"/etc/passwd"}})")
            << "export takes no argument \"file\"";
        QTest::newRow("bad base64") << QByteArray(R"({"version":1,"command":"add","arguments":{"data":"*"}})")
                                    << "must be base64 text";
        QTest::newRow("arguments not an object")
            << QByteArray(R"({"version":1,"command":"list","arguments":[1]})") << "not a JSON object";
    }
    void requestsAreCheckedAgainstTheirCommand()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QString why;
        const auto request = requestFromMessage(QJsonDocument::fromJson(json).object(), &why);
        QCOMPARE(request.has_value(), error.isEmpty());
        QVERIFY2(why.contains(error), qPrintable(why));
    }

    void requestsRoundTrip()
    {
        const QByteArray content("\x00\xff binary", 9);
        Request add { findCommand(QStringLiteral("add")), {} };
        add.values = { { QStringLiteral("data"), content },
            { QStringLiteral("type"), QStringLiteral("image/png") } };
        QString error;
        const auto read = requestFromMessage(requestMessage(add), &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->command, add.command);
        QCOMPARE(read->value(QStringLiteral("data")).toByteArray(), content);
        QCOMPARE(read->value(QStringLiteral("type")).toString(), QStringLiteral("image/png"));
    }

    // While the history cannot be read (being converted, unreadable), every
    // reading command fails with the reason rather than answering as if empty.
    void readingAnUnavailableHistoryFails()
    {
        auto store = quillet::Store::openUnavailable(
            QStringLiteral("/nonexistent/Quillet.store"), QStringLiteral("the disk is on fire"));
        for (const char *name : { "list", "get", "export", "snippets" }) {
            const Reply reply = executeReadCommand(*store, { findCommand(QLatin1String(name)), {} }, {});
            QCOMPARE(reply.error,
                std::optional(QStringLiteral("the history is not available: the disk is on fire")));
        }
    }
};

QUILLET_TEST_MAIN(CommandProtocolTest)
#include "CommandProtocolTest.moc"
