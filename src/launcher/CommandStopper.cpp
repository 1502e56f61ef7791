#include "launcher/CommandStopper.h"

#include <cstdint>

#include <sys/eventfd.h>
#include <unistd.h>

namespace quillet {

CommandStopper::CommandStopper()
    : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CommandStopper::~CommandStopper()
{
    if (m_fd >= 0)
        close(m_fd);
}

void CommandStopper::stop()
{
    if (m_stopped.exchange(true))
        return;
    if (m_fd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_fd, &one, sizeof one);
    }
}

} // namespace quillet
