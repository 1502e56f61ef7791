#pragma once

#include <QString>

namespace quillet::cli {

// `quillet COMMAND [ARGUMENTS]`: parses the command line, asks the running
// Quillet (or, for the commands that only read, the store itself when
// Quillet is not running), prints the answer and returns the exit status:
// 0 on success, 1 on a failure, 2 on a usage error. Builds no GUI: a
// QCoreApplication is all it needs.
int runCommandLine(int argc, char **argv);

enum class ShowOutcome { shown, notRunning, failed };
// What `quillet` without a command does first: ask the Quillet running on
// this display to show its panel.
ShowOutcome showRunningInstance(QString *error);

} // namespace quillet::cli
