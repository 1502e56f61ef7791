#include "settings/UpdateService.h"

namespace quillet {

UpdateService::UpdateService(std::unique_ptr<Updater> updater, QObject *parent)
    : QObject(parent)
    , m_updater(std::move(updater))
{
    if (!m_updater)
        return;
    connect(
        m_updater.get(), &Updater::canCheckForUpdatesChanged, this, &UpdateService::setCanCheckForUpdates);
    // The current value at once, before any change arrives.
    setCanCheckForUpdates(m_updater->canCheckForUpdates());
    m_updater->start();
}

UpdateService::~UpdateService() = default;

bool UpdateService::automaticallyChecksForUpdates() const
{
    return m_updater && m_updater->automaticallyChecksForUpdates();
}

void UpdateService::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (!m_updater)
        return;
    const bool before = m_updater->automaticallyChecksForUpdates();
    m_updater->setAutomaticallyChecksForUpdates(enabled);
    const bool after = m_updater->automaticallyChecksForUpdates();
    if (after != before)
        Q_EMIT automaticallyChecksForUpdatesChanged(after);
}

std::optional<QDateTime> UpdateService::lastUpdateCheckDate() const
{
    return m_updater ? m_updater->lastUpdateCheckDate() : std::nullopt;
}

void UpdateService::checkForUpdates()
{
    if (m_updater)
        m_updater->checkForUpdates();
}

void UpdateService::setCanCheckForUpdates(bool canCheck)
{
    if (canCheck == m_canCheckForUpdates)
        return;
    m_canCheckForUpdates = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}

} // namespace quillet
