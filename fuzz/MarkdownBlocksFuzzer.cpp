#include "launcher/MarkdownBlocks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<quillet::MarkdownBlock> blocks = quillet::parseBlocks(text);
    // Every block consumes at least one line.
    if (blocks.size() > text.count(u'\n') + 1)
        __builtin_trap();
    for (const quillet::MarkdownBlock &block : blocks) {
        if (block.kind == quillet::MarkdownBlock::Kind::table) {
            for (const QStringList &row : block.displayRows()) {
                if (row.size() != block.headers.size())
                    __builtin_trap();
            }
        }
    }
    return 0;
}
