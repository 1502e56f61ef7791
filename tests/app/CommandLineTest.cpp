#include "app/cli/CommandDocs.h"
#include "app/cli/CommandTable.h"
#include "store/HistoryExport.h"
#include "support/QuilletProcess.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace quillet;
using namespace quillet::cli;
using test::runQuillet;

namespace {

// Arguments that `command` accepts, its required arguments filled in.
QStringList validArguments(const CommandSpec &command)
{
    QStringList arguments { command.name };
    for (const Parameter &positional : command.positionals()) {
        if (positional.required)
            arguments.append(positional.kind == ValueKind::file ? QStringLiteral("-") : QStringLiteral("1"));
    }
    if (command.name == QLatin1String("add"))
        arguments.append(QStringLiteral("text"));
    return arguments;
}

QString storePath(const QTemporaryDir &home)
{
    return home.filePath(QStringLiteral("XDG_DATA_HOME/Quillet/Quillet.store"));
}

} // namespace

// `quillet COMMAND` with no Quillet running: what it accepts, what it refuses,
// and what the reading commands find in the store.
class CommandLineTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QTemporaryDir m_empty;

private Q_SLOTS:
    void initTestCase()
    {
        QDir().mkpath(QFileInfo(storePath(m_home)).path());
        QString error;
        auto store = Store::open(storePath(m_home), &error);
        QVERIFY2(store, qPrintable(error));
        test::insertText(*store, QStringLiteral("Older copy"), 120);
        test::insertText(*store, QStringLiteral("Newer copy"), 60);
        test::insertSnippet(
            *store, QStringLiteral("Signature"), QStringLiteral("Best regards"), 0, std::nullopt);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown command") << QStringList { "bogus" } << "unknown command \"bogus\"";
        QTest::newRow("missing position") << QStringList { "get" } << "N is missing (see quillet get --help)";
        QTest::newRow("position 0") << QStringList { "pin", "0" }
                                    << "N must be a whole number from 1, not \"0\"";
        QTest::newRow("position in words") << QStringList { "delete", "two" } << "not \"two\"";
        QTest::newRow("extra argument") << QStringList { "copy", "1", "2" } << "unexpected argument \"2\"";
        QTest::newRow("unknown option") << QStringList { "list", "--all" } << "Unknown option 'all'";
        QTest::newRow("option without value") << QStringList { "list", "--limit" } << "--limit";
        QTest::newRow("limit in words") << QStringList { "list", "--limit", "ten" } << "not \"ten\"";
        QTest::newRow("unknown list")
            << QStringList { "show", "all" } << "\"all\" is not history or snippets";
        QTest::newRow("not a MIME type") << QStringList { "get", "1", "--type", "png" } << "not a MIME type";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const test::CommandResult result = runQuillet(m_home.path(), arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(message.toUtf8()), result.err.constData());
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY(result.out.isEmpty());
    }

    void everyCommandHasHelpAndSaysWhenItNeedsQuillet()
    {
        for (const CommandSpec &command : commandTable()) {
            const test::CommandResult help
                = runQuillet(m_home.path(), { command.name, QStringLiteral("--help") });
            QCOMPARE(help.exitCode, 0);
            QVERIFY2(
                help.out.startsWith(("Usage: " + synopsis(command) + "\n").toUtf8()), help.out.constData());
            if (command.access != Access::instance)
                continue;
            const test::CommandResult result = runQuillet(m_home.path(), validArguments(command));
            QCOMPARE(result.exitCode, 1);
            QCOMPARE(result.err, QByteArray("quillet: Quillet is not running\n"));
        }
    }

    void readingCommandsReadTheStoreWithoutQuillet_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QString error;
        auto store = Store::openReadOnly(storePath(m_home), &error);
        QVERIFY2(store, qPrintable(error));
        QTest::newRow("get") << QStringList { "get", "2" } << QByteArray("Older copy");
        QTest::newRow("get plain text by type")
            << QStringList { "get", "1", "--type", "text/plain" } << QByteArray("Newer copy");
        QTest::newRow("export") << QStringList { "export", "-" } << historyExportDocument(*store).value();
    }
    void readingCommandsReadTheStoreWithoutQuillet()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const test::CommandResult result = runQuillet(m_home.path(), arguments);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, expected);
    }

    void listsNewestFirstWithPositionsOfTheWholeHistory()
    {
        const test::CommandResult table = runQuillet(m_home.path(), { QStringLiteral("list") });
        QCOMPARE(table.exitCode, 0);
        const QList<QByteArray> lines = table.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith("1     text  Newer copy  -  ")
                && lines[1].startsWith("2     text  Older copy"),
            table.out.constData());

        const test::CommandResult json = runQuillet(m_home.path(),
            { QStringLiteral("list"), QStringLiteral("--json"), QStringLiteral("--query"),
                QStringLiteral("OLDER") });
        QCOMPARE(json.exitCode, 0);
        const QJsonArray entries = QJsonDocument::fromJson(json.out).array();
        QCOMPARE(entries.size(), 1);
        const QJsonObject entry = entries.first().toObject();
        QCOMPARE(entry.value(QStringLiteral("position")).toInteger(), 2);
        QCOMPARE(entry.value(QStringLiteral("title")).toString(), QStringLiteral("Older copy"));
        QCOMPARE(
            entry.value(QStringLiteral("lastUsedAt")).toString(), QStringLiteral("2023-11-14T22:11:20.000Z"));
        QVERIFY(!entry.contains(QStringLiteral("data")));

        const test::CommandResult snippets
            = runQuillet(m_home.path(), { QStringLiteral("snippets"), QStringLiteral("--json") });
        QCOMPARE(
            QJsonDocument::fromJson(snippets.out).array().first()[QStringLiteral("textContent")].toString(),
            QStringLiteral("Best regards"));
    }

    void withoutAStoreTheHistoryIsEmpty()
    {
        QCOMPARE(runQuillet(m_empty.path(), { QStringLiteral("list") }).exitCode, 0);
        const test::CommandResult get
            = runQuillet(m_empty.path(), { QStringLiteral("get"), QStringLiteral("1") });
        QCOMPARE(get.exitCode, 1);
        QCOMPARE(get.err, QByteArray("quillet: there is no entry 1: the history is empty\n"));
        QVERIFY(!QFileInfo::exists(storePath(m_empty)));
    }

    void bashCompletesCommandsOptionsAndValues_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("expected");
        QTest::newRow("command") << QStringList { "quillet", "li" } << "list";
        QTest::newRow("option") << QStringList { "quillet", "list", "--l" } << "--limit";
        QTest::newRow("panel list") << QStringList { "quillet", "show", "sn" } << "snippets";
        QTest::newRow("MIME type") << QStringList { "quillet", "get", "1", "--type", "image/p" }
                                   << "image/png";
    }
    void bashCompletesCommandsOptionsAndValues()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, expected);
        const test::CommandResult script = runQuillet(m_home.path(), { QStringLiteral("--bash-completion") });
        QCOMPARE(script.exitCode, 0);
        QProcess bash;
        bash.start(QStringLiteral("bash"),
            { QStringLiteral("-c"),
                QStringLiteral(
                    "eval \"$1\"; COMP_WORDS=(%1); COMP_CWORD=%2; _quillet; echo \"${COMPREPLY[*]}\"")
                    .arg(words.join(QLatin1Char(' ')))
                    .arg(words.size() - 1),
                QStringLiteral("bash"), QString::fromUtf8(script.out) });
        QVERIFY(bash.waitForFinished(10000));
        QCOMPARE(bash.readAllStandardError(), QByteArray());
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(), expected);
    }

    void manualPageFormatsWithoutWarnings()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("groff")).isEmpty())
            QSKIP("groff is not installed");
        QProcess groff;
        groff.start(
            QStringLiteral("groff"), { QStringLiteral("-man"), QStringLiteral("-ww"), QStringLiteral("-z") });
        groff.write(manPage());
        groff.closeWriteChannel();
        QVERIFY(groff.waitForFinished(10000));
        QCOMPARE(groff.exitCode(), 0);
        QCOMPARE(groff.readAllStandardError(), QByteArray());
    }
};

QUILLET_TEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
