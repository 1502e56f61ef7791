#pragma once

#include "settings/Updater.h"

namespace quillet::test {

// An update framework that does nothing but remember what it was asked.
class FakeUpdater final : public Updater {
public:
    void start() override { ++starts; }
    bool canCheckForUpdates() const override { return canCheck; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool enabled) override { automatic = enabled; }
    std::optional<QDateTime> lastUpdateCheckDate() const override { return lastCheck; }
    void checkForUpdates() override { ++checks; }

    void setCanCheck(bool value)
    {
        canCheck = value;
        Q_EMIT canCheckForUpdatesChanged(value);
    }

    bool canCheck = true;
    bool automatic = true;
    std::optional<QDateTime> lastCheck;
    int starts = 0;
    int checks = 0;
};

} // namespace quillet::test
