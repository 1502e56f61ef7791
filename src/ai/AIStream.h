#pragma once

#include <QCoreApplication>
#include <QString>

#include <coroutine>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace quillet {

// An ordered, unbounded stream of values from one producer to one consumer
// that ends exactly once, normally or with an error text.
//
// The consumer reads
//     while (auto value = co_await stream.next()) { ... }
//     if (auto failure = stream.error()) { ... }
// and the producer calls push() for each value, then finish() or fail();
// anything after the end is ignored. Copies share one stream.
//
// A consumer that no longer wants the rest calls cancel(): the producer's
// cancel handler ends the work behind the stream (the request), and the
// values already buffered stay readable through tryNext().
//
// A waiting consumer is resumed from the event loop, never from inside push(),
// so the producer is never re-entered by its consumer and the interface can
// redraw between two values. The event loop of the application must run.
template<typename T> class AIStream {
    struct State {
        std::deque<T> values;
        bool ended = false;
        std::optional<QString> error;
        QString errorDetail;
        bool cancelled = false;
        std::function<void()> onCancel;
        std::coroutine_handle<> waiter;
    };

public:
    AIStream()
        : m_state(std::make_shared<State>())
    {
    }

    void push(T value)
    {
        if (m_state->ended)
            return;
        m_state->values.push_back(std::move(value));
        wake();
    }
    void finish() { end(std::nullopt); }
    // `detail` is what lies behind the message (the raw error body, say),
    // shown only on request.
    void fail(QString message, QString detail = {})
    {
        if (!m_state->ended)
            m_state->errorDetail = std::move(detail);
        end(std::move(message));
    }

    // The producer: what ends its work when the consumer cancels. Runs at
    // once when the stream was cancelled already.
    void setCancelHandler(std::function<void()> handler)
    {
        if (m_state->cancelled) {
            if (handler)
                handler();
            return;
        }
        m_state->onCancel = std::move(handler);
    }

    // The consumer: ends the stream normally and the producer's work with it.
    void cancel()
    {
        if (m_state->cancelled)
            return;
        m_state->cancelled = true;
        end(std::nullopt);
        if (auto handler = std::exchange(m_state->onCancel, {}))
            handler();
    }
    bool isCancelled() const { return m_state->cancelled; }

    class NextAwaiter {
    public:
        explicit NextAwaiter(std::shared_ptr<State> state)
            : m_state(std::move(state))
        {
        }
        bool await_ready() const noexcept { return !m_state->values.empty() || m_state->ended; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { m_state->waiter = handle; }
        std::optional<T> await_resume()
        {
            if (m_state->values.empty())
                return std::nullopt;
            T value = std::move(m_state->values.front());
            m_state->values.pop_front();
            return value;
        }

    private:
        std::shared_ptr<State> m_state;
    };

    // The next value, or nothing once the stream has ended and every value
    // was taken.
    NextAwaiter next() const { return NextAwaiter(m_state); }

    // The next value if one is buffered, without waiting.
    std::optional<T> tryNext()
    {
        if (m_state->values.empty())
            return std::nullopt;
        T value = std::move(m_state->values.front());
        m_state->values.pop_front();
        return value;
    }

    // The producer has ended the stream (values may still be buffered).
    bool hasEnded() const { return m_state->ended; }
    // Why the stream ended, when it failed.
    std::optional<QString> error() const { return m_state->error; }
    // The detail behind error(), possibly empty.
    QString errorDetail() const { return m_state->errorDetail; }

private:
    void end(std::optional<QString> error)
    {
        if (m_state->ended)
            return;
        m_state->ended = true;
        m_state->error = std::move(error);
        wake();
    }

    void wake()
    {
        if (!m_state->waiter)
            return;
        const std::coroutine_handle<> handle = std::exchange(m_state->waiter, {});
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
    }

    std::shared_ptr<State> m_state;
};

} // namespace quillet
