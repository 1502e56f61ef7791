#include "launcher/TerminalOutput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const quillet::TerminalText runs = quillet::attributedOutput(bytes);
    if (quillet::plainText(runs).size() > qsizetype(size))
        __builtin_trap();
    for (qsizetype i = 0; i < runs.size(); ++i) {
        if (runs[i].text.isEmpty() || runs[i].text.contains(u'\x1b') || runs[i].text.contains(u'\r')
            || (i > 0 && runs[i - 1].style == runs[i].style))
            __builtin_trap();
    }
    return 0;
}
