#pragma once

#include <QDateTime>
#include <QObject>

#include <coroutine>

#include <chrono>
#include <functional>

namespace quillet {

// The time source and main-thread timer of every service that waits or stamps
// records. Production code uses Clock::system(); tests pass a manual clock so
// that delays and orderings are exact without sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    virtual QDateTime now() const = 0;

    // Runs `action` on the main thread after `delay`, unless `context` has been
    // destroyed by then.
    virtual void schedule(std::chrono::milliseconds delay, QObject *context, std::function<void()> action)
        = 0;

    // `co_await clock.sleep(d)` suspends the calling coroutine for `d`; it is
    // resumed from the scheduled action, so a manual clock drives it exactly.
    struct SleepAwaiter {
        Clock &clock;
        std::chrono::milliseconds delay;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            clock.schedule(delay, nullptr, [handle] { handle.resume(); });
        }
        void await_resume() const noexcept { }
    };
    SleepAwaiter sleep(std::chrono::milliseconds delay) { return { *this, delay }; }

    static Clock &system();
};

} // namespace quillet
