#include "ai/GeminiStreamParser.h"

#include <cstddef>
#include <cstdint>

using namespace quillet;

namespace {

struct Outcome {
    QList<StreamEvent> events;
    std::optional<QString> error;
};

Outcome read(gemini::StreamReader::Mode mode, QByteArrayView body, qsizetype piece)
{
    gemini::StreamReader reader(mode);
    Outcome outcome;
    for (qsizetype pos = 0; pos < body.size(); pos += piece)
        outcome.events += reader.feed(body.sliced(pos, std::min(piece, body.size() - pos)));
    outcome.events += reader.finish();
    outcome.error = reader.error();
    return outcome;
}

} // namespace

// The first byte picks the mode and how the body is cut into reads; however
// it is cut, the reader must produce exactly what it produces for one read.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const auto mode = (data[0] & 1) ? gemini::StreamReader::Mode::chat : gemini::StreamReader::Mode::text;
    const qsizetype piece = 1 + (data[0] >> 1);
    const QByteArrayView body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const Outcome whole = read(mode, body, std::max<qsizetype>(1, body.size()));
    const Outcome split = read(mode, body, piece);
    if (!(whole.events == split.events) || whole.error != split.error)
        __builtin_trap();
    // Text mode only ever yields text; chat mode ends with Done unless it failed.
    for (const StreamEvent &event : whole.events) {
        if (mode == gemini::StreamReader::Mode::text
            && !std::holds_alternative<StreamEvent::TextDelta>(event.value))
            __builtin_trap();
    }
    if (mode == gemini::StreamReader::Mode::chat && !whole.error
        && (whole.events.isEmpty() || !std::holds_alternative<StreamEvent::Done>(whole.events.last().value)))
        __builtin_trap();

    LineBuffer lines;
    QByteArray joined;
    for (const QByteArray &line : lines.feed(body))
        joined += line;
    if (auto rest = lines.finish())
        joined += *rest;
    if (joined.size() > body.size() || joined.contains('\n'))
        __builtin_trap();
    return 0;
}
