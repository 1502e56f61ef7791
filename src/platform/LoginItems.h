#pragma once

#include <QString>

namespace quillet {

// Starting Quillet when the user logs in.
class LoginItems {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    virtual ~LoginItems() = default;

    virtual Status status() = 0;
    // On failure return false and describe why in `error`.
    virtual bool registerApp(QString *error) = 0;
    virtual bool unregisterApp(QString *error) = 0;
};

} // namespace quillet
