#pragma once

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace quillet {

// The handle of one running agent loop. Cancelling is cooperative: the loop
// looks at isCancelled() where it may stop, and a wait that could last long
// (a streamed reply) is ended through the interrupt the loop installs for it.
// Main thread only.
class AgentTask {
public:
    void cancel()
    {
        if (m_cancelled)
            return;
        m_cancelled = true;
        if (auto interrupt = std::exchange(m_interrupt, {}))
            interrupt();
    }
    bool isCancelled() const { return m_cancelled; }

    // Called once by cancel() while set; cleared when the wait is over.
    void setInterrupt(std::function<void()> interrupt) { m_interrupt = std::move(interrupt); }

private:
    bool m_cancelled = false;
    std::function<void()> m_interrupt;
};

// A loop suspended until the user approves or denies a command. It resumes
// once: the first resume() wins, later ones do nothing. The loop continues
// inside resume(), before it returns, so whoever decides sees the loop's
// reaction (the denial recorded, the command started) in the same step.
class ApprovalWaiter {
public:
    void resume(bool approved)
    {
        if (m_decision)
            return;
        m_decision = approved;
        if (auto handle = std::exchange(m_handle, {}))
            handle.resume();
    }
    bool isDecided() const { return m_decision.has_value(); }

    class Awaiter {
    public:
        explicit Awaiter(std::shared_ptr<ApprovalWaiter> waiter)
            : m_waiter(std::move(waiter))
        {
        }
        bool await_ready() const noexcept { return m_waiter->m_decision.has_value(); }
        void await_suspend(std::coroutine_handle<> handle) noexcept { m_waiter->m_handle = handle; }
        bool await_resume() const noexcept { return m_waiter->m_decision.value_or(false); }

    private:
        std::shared_ptr<ApprovalWaiter> m_waiter;
    };

private:
    std::optional<bool> m_decision;
    std::coroutine_handle<> m_handle;
};

// `co_await decisionOf(waiter)` gives the decision.
inline ApprovalWaiter::Awaiter decisionOf(std::shared_ptr<ApprovalWaiter> waiter)
{
    return ApprovalWaiter::Awaiter(std::move(waiter));
}

} // namespace quillet
