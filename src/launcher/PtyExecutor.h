#pragma once

#include "launcher/CommandResult.h"
#include "launcher/CommandSandbox.h"
#include "launcher/CommandStopper.h"

#include <QFuture>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace quillet {

struct PtyOptions {
    // After this every process of the command gets SIGTERM, and the result
    // carries the time-out note and exit code -1.
    std::chrono::milliseconds timeout { 30'000 };
    // SIGKILL follows SIGTERM after this; a second later reading ends too,
    // even if something still holds the terminal open.
    std::chrono::milliseconds killGrace { 2'000 };
    // How long the terminal is still read after the shell has exited while a
    // background process keeps it open.
    std::chrono::milliseconds exitLinger { 2'000 };
    // UTF-8 bytes of text handed to the model; longer text is cut with a note.
    qsizetype textLimit = 100 * 1024;
    // Bytes of the end of the output kept for the view. Only this and the
    // beginning the model is sent stay in memory; the middle of a long output
    // is read and dropped.
    qsizetype shownLimit = 256 * 1024;
    // Runs on a pipe instead of a pseudo-terminal (what happens when no
    // terminal can be had).
    bool forcePipe = false;
    // Confines the command (one that runs without the user's approval); the
    // command does not run when the sandbox cannot be made.
    std::optional<SandboxKind> sandbox;
    // Further files and folders the sandbox hides.
    QStringList sandboxSecrets;
    // Ends the command early, like the time-out but with the note
    // "(command stopped)".
    std::shared_ptr<CommandStopper> stopper;
};

// Runs `command` with `bash -c` (or `sh -c` without bash) in a new 24 x 80
// pseudo-terminal, in its own session and process group, under a supervisor
// that ends whatever the command leaves behind when it ends (even what left
// the group), and that goes with Quillet; with TERM,
// PAGER, GIT_PAGER and GIT_TERMINAL_PROMPT fixed and the rest of the
// environment inherited. Nothing is written to the terminal. The work runs on
// a worker thread; the future finishes exactly once, with the result, and can
// be awaited from a coroutine with QCoro. If no terminal can be had, the
// command runs with its output on a pipe under the same time-out and limits.
QFuture<CommandResult> executeCommandWithPTY(const QString &command, const PtyOptions &options = {});

// The same work on the calling thread, blocking until the result is known.
CommandResult runCommand(const QString &command, const PtyOptions &options = {});

// "\n(command timed out after 30s)" for the given time-out.
QString timeoutNote(std::chrono::milliseconds timeout);

} // namespace quillet
