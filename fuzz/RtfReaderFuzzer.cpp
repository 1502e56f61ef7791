#include "clipboard/RtfReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto text = quillet::rtfToPlainText(input)) {
        // The text can never outgrow the document: each input byte yields at
        // most one character or a short fixed text.
        if (text->size() > qsizetype(size) * 2 + 8)
            __builtin_trap();
    }
    return 0;
}
