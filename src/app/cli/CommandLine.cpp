#include "app/cli/CommandLine.h"

#include "app/cli/CommandDocs.h"
#include "app/cli/CommandSocket.h"
#include "app/cli/ReadCommands.h"
#include "core/Graphemes.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "platform/keyring/KeyringSecretStore.h"
#include "store/ContentType.h"
#include "store/HistoryExport.h"
#include "store/Store.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCoroTask>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace quillet::cli {

using namespace std::chrono_literals;

namespace {

constexpr auto kAnswerTime = 1000ms;
constexpr qsizetype kTitleWidth = 60;

enum ExitStatus { success = 0, failure = 1, usage = 2 };

void write(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void print(const QString &text)
{
    write(stdout, text.toUtf8());
}

int fail(const QString &message)
{
    write(stderr, QStringLiteral("quillet: %1\n").arg(message).toUtf8());
    return failure;
}

int usageError(const QString &message, const QString &helpCommand = QStringLiteral("quillet"))
{
    write(stderr, QStringLiteral("quillet: %1 (see %2 --help)\n").arg(message, helpCommand).toUtf8());
    return usage;
}

QString kindName(const QString &raw)
{
    switch (contentTypeFromRaw(raw).value_or(ContentType::generic)) {
    case ContentType::plainText:
        return QStringLiteral("text");
    case ContentType::richText:
        return QStringLiteral("rich text");
    case ContentType::html:
        return QStringLiteral("html");
    case ContentType::image:
        return QStringLiteral("image");
    case ContentType::fileURL:
        return QStringLiteral("file");
    case ContentType::color:
        return QStringLiteral("color");
    case ContentType::generic:
        break;
    }
    return QStringLiteral("data");
}

QString relativeTime(const QDateTime &then, const QDateTime &now)
{
    const qint64 seconds = qMax<qint64>(0, then.secsTo(now));
    if (seconds < 60)
        return QStringLiteral("just now");
    if (seconds < 3600)
        return QStringLiteral("%1 min ago").arg(seconds / 60);
    if (seconds < 86400)
        return QStringLiteral("%1 h ago").arg(seconds / 3600);
    const qint64 days = seconds / 86400;
    if (days < 7)
        return days == 1 ? QStringLiteral("yesterday") : QStringLiteral("%1 days ago").arg(days);
    return then.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
}

// One line of at most `width` characters, ending in "…" when cut.
QString oneLine(const QString &text, qsizetype width)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    line = line.simplified();
    if (graphemeCount(line) > width)
        line = leftGraphemes(line, width - 1) + QChar(0x2026);
    return line;
}

QString padded(const QString &text, qsizetype width)
{
    return text + QString(qMax<qsizetype>(0, width - graphemeCount(text)), QLatin1Char(' '));
}

// Rows of cells as aligned columns; the last column is not padded.
QString table(const QList<QStringList> &rows, const QList<bool> &alignRight = {})
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (widths.size() <= column)
                widths.append(0);
            widths[column] = qMax(widths[column], graphemeCount(row[column]));
        }
    }
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const bool last = column == row.size() - 1;
            if (alignRight.value(column))
                cells.append(row[column].rightJustified(widths[column]));
            else
                cells.append(last ? row[column] : padded(row[column], widths[column]));
        }
        text += cells.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}

QString historyTable(const QJsonArray &entries)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QStringList> rows;
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        rows.append({ QString::number(entry.value(QStringLiteral("position")).toInteger()),
            entry.value(QStringLiteral("isPinned")).toBool() ? QStringLiteral("*") : QStringLiteral(" "),
            kindName(entry.value(QStringLiteral("contentType")).toString()),
            oneLine(entry.value(QStringLiteral("title")).toString(), kTitleWidth),
            oneLine(entry.value(QStringLiteral("sourceAppName")).toString(QStringLiteral("-")), 24),
            relativeTime(QDateTime::fromString(
                             entry.value(QStringLiteral("lastUsedAt")).toString(), Qt::ISODateWithMs),
                now) });
    }
    return table(rows, { true });
}

QString snippetTable(const QJsonArray &snippets)
{
    QList<QStringList> rows;
    for (const QJsonValue &value : snippets) {
        const QJsonObject snippet = value.toObject();
        rows.append({ oneLine(snippet.value(QStringLiteral("folder")).toString(QStringLiteral("-")), 24),
            oneLine(snippet.value(QStringLiteral("title")).toString(), 40),
            oneLine(snippet.value(QStringLiteral("textContent")).toString(), kTitleWidth) });
    }
    return table(rows);
}

// The user's store, as the running Quillet opens it, without creating anything.
QString userStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Quillet/Quillet.store");
}

// The API key wherever Quillet keeps it, for an export made while Quillet is
// not running to leave out. Read without creating the preferences file.
QStringList storedApiKeys()
{
    QStringList found;
    if (QFile::exists(Defaults::standardPath())) {
        const QString inFile
            = QSettings(Defaults::standardPath(), QSettings::IniFormat).value(keys::geminiAPIKey).toString();
        if (!inFile.isEmpty())
            found << inFile;
    }
    KeyringSecretStore keyring(KeyringSecretStore::quilletFolder);
    const SecretResult inKeyring = QCoro::waitFor(keyring.read(keys::geminiAPIKey));
    if (inKeyring.ok() && !inKeyring.value.isEmpty())
        found << inKeyring.value;
    return found;
}

std::optional<Reply> readStore(const Request &request, QString *error)
{
    const QString path = userStorePath();
    // Without a store yet, the history is empty: answer from an empty one.
    std::unique_ptr<Store> store = QFile::exists(path) ? Store::openReadOnly(path, error)
                                                       : Store::open(QStringLiteral(":memory:"), error);
    if (!store) {
        *error = QStringLiteral("cannot read the history in %1: %2").arg(path, *error);
        return std::nullopt;
    }
    return executeReadCommand(
        *store, request, request.command->name == QLatin1String("export") ? storedApiKeys() : QStringList());
}

// All of standard input, to its end: a pipe hands it over a buffer at a time.
std::optional<QByteArray> readStandardInput(QString *error)
{
    constexpr qint64 kChunk = 1024 * 1024;
    QByteArray data;
    for (;;) {
        const qint64 room = kMaxContentBytes + 1 - data.size();
        const qsizetype before = data.size();
        data.resize(before + qsizetype(qMin(kChunk, room)));
        const ssize_t got = ::read(STDIN_FILENO, data.data() + before, size_t(data.size() - before));
        if (got < 0 && errno == EINTR) {
            data.resize(before);
            continue;
        }
        if (got < 0) {
            *error = QStringLiteral("cannot read standard input: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
        data.resize(before + got);
        if (data.size() > kMaxContentBytes) {
            *error = QStringLiteral("the content is larger than %1 MiB; nothing was added")
                         .arg(kMaxContentBytes / 1024 / 1024);
            return std::nullopt;
        }
        if (got == 0)
            return data;
    }
}

class CommandLine {
public:
    int run(const QStringList &arguments);

private:
    int runCommand(const CommandSpec &command, const QStringList &arguments);
    int execute(const Request &request, const QVariantHash &local);
    int present(const Request &request, const QVariantHash &local, const Reply &reply);
};

int CommandLine::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version(QStringLiteral("version"));
    // Written at build time into the manual page and the completion script.
    const QCommandLineOption manual(QStringLiteral("man-page"));
    const QCommandLineOption completion(QStringLiteral("bash-completion"));
    parser.addOptions({ help, version, manual, completion });
    parser.addPositionalArgument(QStringLiteral("command"), QString());
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        print(mainHelp());
        return success;
    }
    if (parser.isSet(version)) {
        print(QStringLiteral("quillet %1\n").arg(QStringLiteral(QUILLET_VERSION)));
        return success;
    }
    if (parser.isSet(manual)) {
        write(stdout, manPage());
        return success;
    }
    if (parser.isSet(completion)) {
        write(stdout, bashCompletion());
        return success;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const CommandSpec *command = findCommand(words.first());
    if (!command)
        return usageError(QStringLiteral("unknown command \"%1\"").arg(words.first()));
    return runCommand(*command, words.mid(1));
}

int CommandLine::runCommand(const CommandSpec &command, const QStringList &arguments)
{
    const QString name = QStringLiteral("quillet ") + command.name;
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") });
    parser.addOption(help);
    const QList<Parameter> options = command.options();
    QList<QCommandLineOption> parsed;
    for (const Parameter &option : options) {
        parsed.append(option.valueName.isEmpty()
                ? QCommandLineOption(option.name)
                : QCommandLineOption(option.name, option.description, option.valueName));
        parser.addOption(parsed.last());
    }
    if (!parser.parse(QStringList { name } + arguments))
        return usageError(parser.errorText(), name);
    if (parser.isSet(help)) {
        print(commandHelp(command));
        return success;
    }

    Request request { &command, {} };
    // Values the command line uses itself rather than sending them.
    QVariantHash local;
    QString error;
    const auto take = [&](const Parameter &parameter, const QString &text) {
        const std::optional<QVariant> value = valueFromText(parameter, text, &error);
        if (value)
            (parameter.clientOnly ? local : request.values).insert(parameter.name, *value);
        return value.has_value();
    };
    const QList<Parameter> positionals = command.positionals();
    const QStringList given = parser.positionalArguments();
    if (given.size() > positionals.size())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(given.at(positionals.size())), name);
    for (qsizetype index = 0; index < positionals.size(); ++index) {
        if (index >= given.size()) {
            if (positionals[index].required)
                return usageError(QStringLiteral("%1 is missing").arg(positionals[index].valueName), name);
            continue;
        }
        if (!take(positionals[index], given[index]))
            return usageError(error, name);
    }
    for (qsizetype index = 0; index < options.size(); ++index) {
        if (parser.isSet(parsed[index]) && !take(options[index], parser.value(parsed[index])))
            return usageError(error, name);
    }

    if (command.name == QLatin1String("add")) {
        std::optional<QByteArray> data;
        if (local.contains(QStringLiteral("text")))
            data = local.value(QStringLiteral("text")).toString().toUtf8();
        else if (!(data = readStandardInput(&error)))
            return fail(error);
        if (data->isEmpty())
            return fail(QStringLiteral("there is nothing to add"));
        request.values.insert(QStringLiteral("data"), *data);
    }
    return execute(request, local);
}

int CommandLine::execute(const Request &request, const QVariantHash &local)
{
    QString error;
    std::optional<Reply> reply;
    InstanceConnection connection(runningInstanceSocket());
    switch (connection.status()) {
    case InstanceConnection::Status::connected:
        reply = connection.exchange(requestMessage(request), kAnswerTime, &error);
        break;
    case InstanceConnection::Status::notRunning:
        if (request.command->access != Access::reading)
            return fail(QStringLiteral("Quillet is not running"));
        reply = readStore(request, &error);
        break;
    case InstanceConnection::Status::failed:
        return fail(connection.error());
    }
    if (!reply)
        return fail(error);
    if (!reply->ok())
        return fail(*reply->error);
    return present(request, local, *reply);
}

int CommandLine::present(const Request &request, const QVariantHash &local, const Reply &reply)
{
    const QString &name = request.command->name;
    const bool json = request.value(QStringLiteral("json")).toBool();
    if (name == QLatin1String("list") || name == QLatin1String("snippets")) {
        const QJsonArray rows = reply.result.toArray();
        if (json)
            write(stdout, QJsonDocument(rows).toJson(QJsonDocument::Indented));
        else
            print(name == QLatin1String("list") ? historyTable(rows) : snippetTable(rows));
    } else if (name == QLatin1String("get")) {
        write(stdout, QByteArray::fromBase64(reply.result[QStringLiteral("data")].toString().toLatin1()));
    } else if (name == QLatin1String("export")) {
        const QByteArray document = reply.result.toString().toUtf8();
        const QString file = local.value(QStringLiteral("file")).toString();
        if (file == QLatin1String("-")) {
            write(stdout, document);
        } else {
            if (const auto error = writeHistoryExport(document, file))
                return fail(QStringLiteral("cannot write %1: %2").arg(file, *error));
        }
    }
    if (std::fflush(stdout) != 0)
        return fail(QStringLiteral("cannot write to standard output"));
    return success;
}

} // namespace

int runCommandLine(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    // Messages for the user are this program's own one-liners; the store's
    // and Qt's diagnostics would only repeat them.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false\nquillet.*=false"));
    return CommandLine().run(QCoreApplication::arguments());
}

ShowOutcome showRunningInstance(QString *error)
{
    InstanceConnection connection(commandSocketPath());
    if (connection.status() == InstanceConnection::Status::notRunning)
        return ShowOutcome::notRunning;
    const std::optional<Reply> reply = connection.exchange(
        requestMessage({ findCommand(QStringLiteral("show")), {} }), kAnswerTime, error);
    if (reply && !reply->ok())
        *error = *reply->error;
    return reply && reply->ok() ? ShowOutcome::shown : ShowOutcome::failed;
}

} // namespace quillet::cli
