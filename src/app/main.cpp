#include "app/cli/CommandLine.h"

#include <QByteArray>

#include <cstdio>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

// The directory of this executable.
std::string executableDirectory()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return ".";
    const std::string executable(path, size_t(length));
    return executable.substr(0, executable.rfind('/'));
}

// Loads the application itself (the GUI and the platform services) and runs
// it. It lives in a module of its own so that `quillet COMMAND` starts without
// loading any of it: beside the executable in the build tree, under the
// library directory once installed.
int startQuillet(int argc, char **argv)
{
    const std::string directory = executableDirectory();
    std::string errors;
    for (const std::string &candidate : { directory + "/quillet-desktop.so",
             directory + "/" QUILLET_MODULE_DIRECTORY "/quillet-desktop.so" }) {
        if (::access(candidate.c_str(), R_OK) != 0)
            continue;
        void *module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            errors = ::dlerror();
            break;
        }
        using Main = int (*)(int, char **);
        if (auto run = reinterpret_cast<Main>(::dlsym(module, "quilletDesktopMain")))
            return run(argc, argv);
        errors = ::dlerror();
        break;
    }
    std::fprintf(stderr, "quillet: cannot load the application: %s\n",
        errors.empty() ? "quillet-desktop.so is missing" : errors.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1)
        return quillet::cli::runCommandLine(argc, argv);

    // Without a command: show the running Quillet's panel, or become Quillet.
    QString error;
    switch (quillet::cli::showRunningInstance(&error)) {
    case quillet::cli::ShowOutcome::shown:
        std::fputs("Quillet is already running; its panel is shown.\n", stdout);
        return 0;
    case quillet::cli::ShowOutcome::failed:
        std::fprintf(stderr, "quillet: %s\n", error.toLocal8Bit().constData());
        return 1;
    case quillet::cli::ShowOutcome::notRunning:
        break;
    }
    return startQuillet(argc, argv);
}
