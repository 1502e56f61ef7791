#include "settings/LaunchAtLoginService.h"

#include <cstdio>

namespace quillet {

LaunchAtLoginService::LaunchAtLoginService(LoginItems &loginItems, QObject *parent)
    : QObject(parent)
    , m_loginItems(loginItems)
    , m_enabled(loginItems.status() == LoginItems::Status::enabled)
{
}

void LaunchAtLoginService::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    assign(enabled);

    QString error;
    const bool ok = enabled ? m_loginItems.registerApp(&error) : m_loginItems.unregisterApp(&error);
    if (ok)
        return;
    const QByteArray line = QStringLiteral("Failed to update launch at login: %1\n").arg(error).toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
    assign(m_loginItems.status() == LoginItems::Status::enabled);
}

void LaunchAtLoginService::assign(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT isEnabledChanged(enabled);
}

} // namespace quillet
