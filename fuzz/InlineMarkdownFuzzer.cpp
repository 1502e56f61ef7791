#include "launcher/InlineMarkdown.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const quillet::InlineText runs = quillet::renderInline(text);
    // Markup is only ever removed, never invented.
    if (quillet::plainText(runs).size() > text.size())
        __builtin_trap();
    for (qsizetype i = 0; i < runs.size(); ++i) {
        if (runs[i].text.isEmpty() || (i > 0 && runs[i - 1].style == runs[i].style))
            __builtin_trap();
    }
    return 0;
}
