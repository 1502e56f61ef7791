// Runs one command the way Quillet does, for tests that kill the host:
// sandboxed_command_host bubblewrap|landlock|approved COMMAND
#include "launcher/PtyExecutor.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QByteArray kind = argv[1];
    quillet::PtyOptions options;
    options.timeout = std::chrono::minutes(5);
    if (kind == "bubblewrap")
        options.sandbox = quillet::SandboxKind::bubblewrap;
    else if (kind == "landlock")
        options.sandbox = quillet::SandboxKind::landlock;
    return quillet::runCommand(QString::fromLocal8Bit(argv[2]), options).exitCode;
}
