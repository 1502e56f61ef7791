#include "launcher/AgentRequest.h"

#include <QJsonArray>
#include <QSysInfo>

namespace quillet::agent {

QString operatingSystemName()
{
    // The distribution's pretty name would tell the model less than it seems
    // (it can ask the system itself) and would make the text vary per machine.
    if (QSysInfo::kernelType() == QLatin1String("linux"))
        return QStringLiteral("Linux");
    const QString pretty = QSysInfo::prettyProductName();
    return pretty.isEmpty() ? QSysInfo::kernelType() : pretty;
}

QString systemInstruction(LauncherMode mode)
{
    if (mode == LauncherMode::apps)
        return QString();
    return QStringLiteral(
        "You are a helpful general-purpose assistant running on %1. Answer questions on any "
        "topic concisely. You have access to an execute_command tool to run bash commands on "
        "the user's computer when useful — for example to look up files, check system info, "
        "install software, or accomplish tasks the user requests.")
        .arg(operatingSystemName());
}

const QList<QJsonObject> &tools()
{
    static const QList<QJsonObject> list { QJsonObject {
        { QStringLiteral("functionDeclarations"),
            QJsonArray { QJsonObject {
                { QStringLiteral("name"), toolName },
                { QStringLiteral("description"),
                    QStringLiteral("Execute a bash command on the user's %1 system")
                        .arg(operatingSystemName()) },
                { QStringLiteral("parameters"),
                    QJsonObject {
                        { QStringLiteral("type"), QStringLiteral("object") },
                        { QStringLiteral("properties"),
                            QJsonObject { { QStringLiteral("command"),
                                QJsonObject { { QStringLiteral("type"), QStringLiteral("string") },
                                    { QStringLiteral("description"),
                                        QStringLiteral("The bash command to execute") } } } } },
                        { QStringLiteral("required"), QJsonArray { QStringLiteral("command") } },
                    } },
            } } },
    } };
    return list;
}

QMap<QString, QString> commandResponse(const QString &output, int exitCode)
{
    return { { QStringLiteral("output"), output },
        { QStringLiteral("exitCode"), QString::number(exitCode) } };
}

QString deniedText(const QString &command)
{
    return QStringLiteral("Denied: %1").arg(command);
}

QMap<QString, QString> denialResponse()
{
    return commandResponse(QStringLiteral("User denied command execution"), -1);
}

QMap<QString, QString> interruptedResponse()
{
    return commandResponse(QStringLiteral("Interrupted by the user before the command finished"), -1);
}

QString displayedOutput(const QString &output, int exitCode)
{
    QString text = output.isEmpty() ? noOutputText : output;
    if (exitCode != 0)
        text += QStringLiteral(" (exit code: %1)").arg(exitCode);
    return text;
}

} // namespace quillet::agent
