#pragma once

#include "launcher/CommandSandbox.h"
#include "launcher/LauncherMode.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillet {

class Defaults;

// Whether a command the model wants to run must first be approved by the user.
enum class CommandApprovalMode {
    always, // every command waits for approval
    agentDecides, // only what is not known to be harmless waits
    never, // commands run at once
};

QString rawValue(CommandApprovalMode mode);
std::optional<CommandApprovalMode> commandApprovalModeFromRaw(const QString &raw);
QList<CommandApprovalMode> allCommandApprovalModes();

namespace approvalKeys {
inline constexpr auto aiChat = "aiChatApprovalMode";
inline constexpr auto terminal = "terminalApprovalMode";
} // namespace approvalKeys

// The policy stored for a launcher mode, with its default when the stored text
// is absent or not a raw value ("always" for chat, "agentDecides" for the
// terminal). Not meaningful for LauncherMode::apps.
CommandApprovalMode approvalModeFor(LauncherMode mode, const Defaults &defaults);

// How a command the model asks for runs.
enum class CommandRoute {
    ask, // the user decides; an approved command runs as it is
    sandboxed, // at once, confined: it can change no file, reach no network, read no secret
    direct, // at once as it is: the user chose never to be asked
};

// The route of `command` in `mode` when `sandbox` is what confines commands
// here. In agentDecides mode a command runs unasked only when it is
// read-only, not dangerous, and a sandbox exists to run it in; otherwise it
// asks. Never in apps mode, where nothing runs.
CommandRoute routeCommand(
    const QString &command, LauncherMode mode, const Defaults &defaults, SandboxKind sandbox);

// Whether `command` must wait for the user's decision.
bool needsApproval(const QString &command, LauncherMode mode, const Defaults &defaults, SandboxKind sandbox);

// Whether every simple command of `command` runs a program known only to read
// and print (ls, cat, grep, find without actions, git with reading
// subcommands, ...) with none of the arguments that make it write, delete or
// run something else; with no redirection but from files and to /dev/null or
// another descriptor, no assignment, no function definition, no substitution,
// no expansion in a command word and nothing put in the background. Anything
// it cannot read plainly is not read-only. Pure and thread-safe.
bool isReadOnly(const QString &command);

// The local danger check. A command is dangerous when
// - it pipes into a shell, or the first word of one of its parts (split at
//   &&, ||, ;, | and line breaks; leading assignments skipped) names one of
//   the destructive or privileged commands; or, failing closed,
// - it uses command or process substitution, eval/exec/source/., a wrapper
//   that runs another command (env, xargs, nohup, nice, timeout, time,
//   command, builtin, a shell with -c or reading its standard input, find
//   with -exec or -delete, ...), an interpreter given inline code, awk calling
//   out, an assignment to a variable that changes what runs (PATH,
//   LD_PRELOAD, ...), an output redirection to anything but /dev/null, a
//   command word that is quoted, escaped or expanded, or a single & before
//   another command; or it cannot be read plainly (an unterminated quote).
// Pure and thread-safe.
bool isDangerous(const QString &command);

// The command names flagged by the first word of a part.
const QStringList &dangerousCommands();
// Lower-cased substrings that pipe output into a shell.
const QStringList &pipeToShellPatterns();

} // namespace quillet
