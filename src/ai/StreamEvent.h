#pragma once

#include "ai/ChatMessage.h"

#include <QString>

#include <variant>

namespace quillet {

// One element of a streamed chat reply.
struct StreamEvent {
    // The next piece of answer text.
    struct TextDelta {
        QString text;
        friend bool operator==(const TextDelta &, const TextDelta &) = default;
    };
    // Token counts the service reported for one chunk.
    struct Usage {
        qint64 input = 0;
        qint64 output = 0;
        friend bool operator==(const Usage &, const Usage &) = default;
    };
    // Carried for consumers that merge failures into their own event lists;
    // the client itself ends a stream with an error instead.
    struct Error {
        QString message;
        friend bool operator==(const Error &, const Error &) = default;
    };
    // The reply ended normally.
    struct Done {
        friend bool operator==(const Done &, const Done &) = default;
    };

    std::variant<TextDelta, FunctionCall, Usage, Error, Done> value;

    friend bool operator==(const StreamEvent &, const StreamEvent &) = default;
};

} // namespace quillet
