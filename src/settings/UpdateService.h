#pragma once

#include "settings/Updater.h"

#include <QDateTime>
#include <QObject>

#include <memory>
#include <optional>

namespace quillet {

// Software updates as the settings window offers them. Without an updater
// the service is unconfigured and inert: no check is possible, automatic
// checks read false and writes are ignored, and there is no last check date.
// Main thread only.
class UpdateService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
            setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
public:
    // Takes the updater (if any) and starts it.
    explicit UpdateService(std::unique_ptr<Updater> updater = nullptr, QObject *parent = nullptr);
    ~UpdateService() override;

    bool isConfigured() const { return m_updater != nullptr; }
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);
    std::optional<QDateTime> lastUpdateCheckDate() const;
    void checkForUpdates();

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void automaticallyChecksForUpdatesChanged(bool enabled);

private:
    void setCanCheckForUpdates(bool canCheck);

    std::unique_ptr<Updater> m_updater;
    bool m_canCheckForUpdates = false;
};

} // namespace quillet
