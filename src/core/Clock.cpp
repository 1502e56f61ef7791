#include "core/Clock.h"

#include <QTimer>

namespace quillet {

namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }

    void schedule(std::chrono::milliseconds delay, QObject *context, std::function<void()> action) override
    {
        QTimer::singleShot(delay, context, std::move(action));
    }
};

} // namespace

Clock &Clock::system()
{
    static SystemClock clock;
    return clock;
}

} // namespace quillet
