#pragma once

#include "launcher/LauncherMode.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

namespace quillet::agent {

// The fixed content of the launcher's model requests.

// The model of chat and terminal turns when "geminiModel" is empty.
inline const QString defaultModel = QStringLiteral("gemini-2.5-flash");
// Titles always use this one, whatever is stored.
inline const QString titleModel = QStringLiteral("gemini-3.1-flash-lite");
inline const QString titleInstruction = QStringLiteral(
    "Generate a very short title (3-6 words, no quotes) for a conversation that starts with this message:");

inline const QString toolName = QStringLiteral("execute_command");

// The longest chat or terminal answer kept, in characters.
inline constexpr qsizetype maxAnswerLength = 256 * 1024;
inline const QString answerCutMessage = QStringLiteral("The answer was too long and was cut off.");
inline const QString missingKeyMessage = QStringLiteral("Please set your Gemini API key in Settings → AI");
// What the conversation keeps of a command the user denied: "Denied: rm x".
QString deniedText(const QString &command);
inline const QString noOutputText = QStringLiteral("(no output)");

// The name the model is told it runs on: "Linux" on Linux.
QString operatingSystemName();

// The instruction of chat and terminal conversations; empty for apps mode.
QString systemInstruction(LauncherMode mode);

// The one tool the model may call, in the shape of the request's tools array.
const QList<QJsonObject> &tools();

// The function response for a command that ran, with its exit code in decimal.
QMap<QString, QString> commandResponse(const QString &output, int exitCode);
// The function response for a command the user denied.
QMap<QString, QString> denialResponse();
// The function response for a call whose loop was stopped and replaced before
// the command finished: its result never reaches the model.
QMap<QString, QString> interruptedResponse();

// What the conversation shows for a command's result: the output, or
// "(no output)", with the exit code noted when it is not 0.
QString displayedOutput(const QString &output, int exitCode);

} // namespace quillet::agent
