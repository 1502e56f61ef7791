#pragma once

#include <QDateTime>
#include <QObject>

#include <optional>

namespace quillet {

// Software updates as the settings window offers them. Distributions update
// Quillet, so no updater is configured: no check is possible, automatic checks
// read false and writes are ignored, and there is no last check date. The
// service keeps the settings window's shape for a build that ships one.
class UpdateService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
            setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
public:
    using QObject::QObject;

    bool isConfigured() const { return false; }
    bool canCheckForUpdates() const { return false; }
    bool automaticallyChecksForUpdates() const { return false; }
    void setAutomaticallyChecksForUpdates(bool) { }
    std::optional<QDateTime> lastUpdateCheckDate() const { return std::nullopt; }
    void checkForUpdates() { }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void automaticallyChecksForUpdatesChanged(bool enabled);
};

} // namespace quillet
