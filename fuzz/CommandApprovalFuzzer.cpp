#include "launcher/CommandApproval.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString command = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool dangerous = quillet::isDangerous(command);
    // Prefixing a dangerous command with another one never hides it.
    if (dangerous && !quillet::isDangerous(QStringLiteral("ls; ") + command))
        __builtin_trap();
    return 0;
}
