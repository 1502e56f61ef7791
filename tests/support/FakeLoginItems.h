#pragma once

#include "platform/LoginItems.h"

namespace quillet::test {

class FakeLoginItems final : public LoginItems {
public:
    Status status() override { return current; }
    bool registerApp(QString *error) override
    {
        ++registerCalls;
        if (!failure.isEmpty()) {
            if (error)
                *error = failure;
            return false;
        }
        current = Status::enabled;
        return true;
    }
    bool unregisterApp(QString *error) override
    {
        ++unregisterCalls;
        if (!failure.isEmpty()) {
            if (error)
                *error = failure;
            return false;
        }
        current = Status::notRegistered;
        return true;
    }

    Status current = Status::notRegistered;
    QString failure; // non-empty: every call fails with this text
    int registerCalls = 0;
    int unregisterCalls = 0;
};

} // namespace quillet::test
