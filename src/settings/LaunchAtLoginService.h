#pragma once

#include "platform/LoginItems.h"

#include <QObject>

namespace quillet {

// Whether Quillet starts when the user logs in, as the settings switch shows
// it. Changing the flag registers or unregisters the login item; when the
// desktop refuses, the failure is printed and the flag snaps back to the real
// state without another attempt. Main thread only.
class LaunchAtLoginService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)
public:
    explicit LaunchAtLoginService(LoginItems &loginItems, QObject *parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

Q_SIGNALS:
    void isEnabledChanged(bool enabled);

private:
    void assign(bool enabled);

    LoginItems &m_loginItems;
    bool m_enabled;
};

} // namespace quillet
