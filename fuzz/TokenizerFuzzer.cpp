#include "ai/ResultDiff.h"

#include <cstddef>
#include <cstdint>

using namespace quillet;

namespace {

QString join(const QList<DiffChunk> &chunks, DiffChunk::Kind skipped)
{
    QString text;
    for (const DiffChunk &chunk : chunks) {
        if (chunk.kind != skipped)
            text += chunk.text;
    }
    return text;
}

} // namespace

// Tokens cover the text exactly and are never empty; a diff of two halves of
// the input gives both halves back, with the table and with the linear-space
// search alike. Equal chunks carry the old text's spelling of a token, so the
// new half comes back up to canonical equivalence.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList tokens = ResultDiff::tokenize(text);
    QString rebuilt;
    for (const QString &token : tokens) {
        if (token.isEmpty())
            __builtin_trap();
        rebuilt += token;
    }
    if (rebuilt != text)
        __builtin_trap();

    const qsizetype half = text.size() / 2;
    const QString oldText = text.left(half);
    const QString newText = text.mid(half);
    for (const LcsLimits &limits : { LcsLimits {}, LcsLimits { 0, 8, 0.25 }, LcsLimits { 0, 0, 0.0 } }) {
        const QList<DiffChunk> chunks = ResultDiff::diff(oldText, newText, limits);
        if (join(chunks, DiffChunk::Kind::added) != oldText
            || join(chunks, DiffChunk::Kind::removed).normalized(QString::NormalizationForm_C)
                != newText.normalized(QString::NormalizationForm_C))
            __builtin_trap();
    }
    return 0;
}
