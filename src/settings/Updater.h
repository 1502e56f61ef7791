#pragma once

#include <QDateTime>
#include <QObject>

#include <optional>

namespace quillet {

// An update framework that UpdateService can drive: whether a check may start
// now, the automatic-check setting, the last check and a manual check.
// Quillet ships none by default (distributions update it); a build that
// updates itself plugs one in.
class Updater : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start() = 0;
    virtual bool canCheckForUpdates() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
    virtual std::optional<QDateTime> lastUpdateCheckDate() const = 0;
    virtual void checkForUpdates() = 0;

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
};

} // namespace quillet
