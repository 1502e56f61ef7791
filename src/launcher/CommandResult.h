#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// The outcome of one shell command.
struct CommandResult {
    // The terminal output as text for the model: trimmed, possibly cut with a
    // note, possibly followed by the time-out note. Empty when the bytes are
    // not valid UTF-8.
    QString output;
    // The shell's exit status (0-255); -1 when it was ended by a signal, timed
    // out or could not be started.
    int exitCode = 0;
    // The bytes read from the terminal, untrimmed, without any note; at most
    // the executor's raw limit.
    QByteArray rawOutput;

    friend bool operator==(const CommandResult &, const CommandResult &) = default;
};

} // namespace quillet
