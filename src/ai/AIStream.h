#pragma once

#include <QCoreApplication>
#include <QString>

#include <coroutine>
#include <deque>
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
// A waiting consumer is resumed from the event loop, never from inside push(),
// so the producer is never re-entered by its consumer and the interface can
// redraw between two values. The event loop of the application must run.
template<typename T> class AIStream {
    struct State {
        std::deque<T> values;
        bool ended = false;
        std::optional<QString> error;
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
    void fail(QString message) { end(std::move(message)); }

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
