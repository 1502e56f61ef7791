#pragma once

#include "ai/AIStream.h"
#include "ai/StreamEvent.h"

#include <QCoroTask>
#include <QStringList>

#include <memory>

namespace quillet::test {

// A readable form of an event, so that failed comparisons show what came.
inline QString eventText(const StreamEvent &event)
{
    if (const auto *delta = std::get_if<StreamEvent::TextDelta>(&event.value))
        return QStringLiteral("text:") + delta->text;
    if (const auto *call = std::get_if<FunctionCall>(&event.value)) {
        QStringList args;
        for (auto it = call->args.begin(); it != call->args.end(); ++it)
            args.append(it.key() + QLatin1Char('=') + it.value());
        QString text = QStringLiteral("call:") + call->name + QLatin1Char('(') + args.join(QLatin1Char(','))
            + QLatin1Char(')');
        if (!call->thoughtSignature.isEmpty())
            text += QStringLiteral(" sig:") + call->thoughtSignature;
        return text;
    }
    if (const auto *usage = std::get_if<StreamEvent::Usage>(&event.value))
        return QStringLiteral("usage:%1/%2").arg(usage->input).arg(usage->output);
    if (const auto *error = std::get_if<StreamEvent::Error>(&event.value))
        return QStringLiteral("error:") + error->message;
    return QStringLiteral("done");
}

inline QStringList eventTexts(const QList<StreamEvent> &events)
{
    QStringList texts;
    for (const StreamEvent &event : events)
        texts.append(eventText(event));
    return texts;
}

// Everything a stream delivered, and how it ended.
template<typename T> struct Drained {
    QList<T> values;
    std::optional<QString> error;
    QString detail;
    bool ended = false;
};

template<typename T> QCoro::Task<> drainInto(AIStream<T> stream, std::shared_ptr<Drained<T>> out)
{
    while (auto value = co_await stream.next())
        out->values.append(std::move(*value));
    out->error = stream.error();
    out->detail = stream.errorDetail();
    out->ended = true;
}

// Starts reading `stream` to its end; wait on `->ended`.
template<typename T> std::shared_ptr<Drained<T>> drain(AIStream<T> stream)
{
    auto out = std::make_shared<Drained<T>>();
    drainInto(std::move(stream), out);
    return out;
}

} // namespace quillet::test
