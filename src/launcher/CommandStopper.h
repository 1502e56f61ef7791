#pragma once

#include <atomic>

namespace quillet {

// Tells a running command to end early (the stop button, a deleted
// conversation, quitting). Any thread may call stop(); the executor waits on
// descriptor() and then ends the command's whole process tree. Stopping
// before the command starts ends it as soon as it does.
class CommandStopper {
public:
    CommandStopper();
    ~CommandStopper();
    CommandStopper(const CommandStopper &) = delete;
    CommandStopper &operator=(const CommandStopper &) = delete;

    void stop();
    bool isStopped() const { return m_stopped.load(); }
    // Readable once stopped; -1 if no descriptor could be had (the executor
    // then looks at isStopped() now and then).
    int descriptor() const { return m_fd; }

private:
    std::atomic<bool> m_stopped { false };
    int m_fd = -1;
};

} // namespace quillet
