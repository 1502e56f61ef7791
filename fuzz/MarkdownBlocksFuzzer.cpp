#include "launcher/MarkdownBlocks.h"

#include <cstddef>
#include <cstdint>

namespace {

// Runs are never empty and never split where the style stays the same; table
// rows hold one cell per column.
void check(const QList<quillet::MarkdownBlock> &blocks)
{
    for (const quillet::MarkdownBlock &block : blocks) {
        for (qsizetype i = 0; i < block.text.size(); ++i) {
            if (block.text[i].text.isEmpty() || (i > 0 && block.text[i - 1].style == block.text[i].style))
                __builtin_trap();
        }
        for (const auto &row : block.rows) {
            if (row.size() != block.alignments.size())
                __builtin_trap();
        }
        check(block.children);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    check(quillet::parseMarkdown(text));
    return 0;
}
