#pragma once

#include <QByteArray>
#include <QString>

namespace quillet {

// The outcome of one shell command.
struct CommandResult {
    // The terminal output as text for the model: trimmed, possibly cut with a
    // note, possibly followed by the time-out note. Bytes that are not UTF-8
    // read as replacement characters.
    QString output;
    // The shell's exit status (0-255); -1 when it was ended by a signal, timed
    // out or could not be started.
    int exitCode = 0;
    // The end of the bytes read from the terminal, untrimmed, without any
    // note: all of them, or at most the executor's shown limit, then starting
    // at a line (or, within one long line, at a character).
    QByteArray rawOutput;
    // How many bytes came before rawOutput and were not kept.
    qint64 omittedBytes = 0;

    friend bool operator==(const CommandResult &, const CommandResult &) = default;
};

} // namespace quillet
