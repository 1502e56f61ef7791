#include "platform/x11/XdgAutostart.h"

#include <glib.h>

#include <cstddef>
#include <cstdint>

// Whatever the program path, the Exec= line written for it must read back,
// through the same parsers a session uses (GKeyFile, then the shell-like
// argument splitting), as exactly that one argument.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString program = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (program.isEmpty() || program.contains(QChar(0)))
        return 0;
    const QByteArray file
        = "[Desktop Entry]\nExec=" + quillet::x11::XdgAutostart::execValue(program).toUtf8() + "\n";

    GKeyFile *keyFile = g_key_file_new();
    if (!g_key_file_load_from_data(keyFile, file.constData(), gsize(file.size()), G_KEY_FILE_NONE, nullptr))
        __builtin_trap();
    gchar *exec = g_key_file_get_string(keyFile, "Desktop Entry", "Exec", nullptr);
    if (!exec)
        __builtin_trap();
    gint argc = 0;
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(exec, &argc, &argv, nullptr) || argc != 1)
        __builtin_trap();
    // Field codes come last: "%%" stands for "%".
    const QString parsed = QString::fromUtf8(argv[0]).replace(QLatin1String("%%"), QLatin1String("%"));
    if (parsed != program)
        __builtin_trap();
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(keyFile);
    return 0;
}
