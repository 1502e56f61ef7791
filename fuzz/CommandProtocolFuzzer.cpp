#include "app/cli/CommandProtocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quillet::cli;

namespace {

struct Outcome {
    QList<QJsonObject> messages;
    QString error;
};

Outcome read(QByteArrayView stream, qsizetype piece)
{
    // A small limit, so that announced lengths past it are reachable.
    FrameReader reader(1 << 16);
    Outcome outcome;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        reader.append(stream.sliced(at, std::min(piece, stream.size() - at)));
        while (const auto message = reader.takeMessage())
            outcome.messages.append(*message);
    }
    outcome.error = reader.error();
    return outcome;
}

} // namespace

// What the running Quillet does with the bytes a peer sends: cut them into
// frames, however the reads fall, and check each message as a request (and,
// as the command line does, as a reply). A request that passes must survive
// being written out and read back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype piece = 1 + data[0];
    const QByteArrayView stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const Outcome whole = read(stream, std::max<qsizetype>(1, stream.size()));
    const Outcome split = read(stream, piece);
    if (whole.messages != split.messages || whole.error != split.error)
        std::abort();

    for (const QJsonObject &message : whole.messages) {
        QString error;
        if (const auto request = requestFromMessage(message, &error)) {
            const auto again = requestFromMessage(requestMessage(*request), &error);
            if (!again || again->command != request->command || again->values != request->values)
                std::abort();
        } else if (error.isEmpty()) {
            std::abort();
        }
        replyFromMessage(message, &error);
    }
    return 0;
}
