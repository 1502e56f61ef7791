#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace quillet::bench {

// Runs the event loop until `done` holds (false after 10 s).
inline bool spinUntil(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace quillet::bench
