#pragma once

#include "app/cli/CommandTable.h"

#include <QByteArray>
#include <QString>

namespace quillet::cli {

// Everything that describes the command line is written from the command
// table, so the help, the manual page and the shell completion cannot drift
// from what the parser accepts.

// `quillet --help`.
QString mainHelp();
// `quillet COMMAND --help`.
QString commandHelp(const CommandSpec &command);
// "quillet get N [--type MIME]".
QString synopsis(const CommandSpec &command);
// quillet(1) in roff.
QByteArray manPage();
// A bash completion script for `quillet`.
QByteArray bashCompletion();

} // namespace quillet::cli
