#pragma once

#include "defaults/Defaults.h"
#include "platform/Workspace.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

namespace quillet {

// An application the user may exclude from the history.
struct InstalledApp {
    QString id; // desktop-file ID
    QString name; // display name
    QIcon icon;
};

// The applications whose copies are not recorded, kept in step with the
// "excludedAppBundleIDs" preference after every change. Main thread only.
class ExcludedAppsService : public QObject {
    Q_OBJECT
public:
    ExcludedAppsService(Defaults &defaults, Workspace &workspace, QObject *parent = nullptr);

    const QSet<QString> &excludedBundleIDs() const { return m_excluded; }
    bool isExcluded(const QString &bundleID) const { return m_excluded.contains(bundleID); }
    void setExcludedBundleIDs(const QSet<QString> &ids);
    // Both rewrite the stored list, even when the set did not change.
    void addExcluded(const QString &bundleID);
    void removeExcluded(const QString &bundleID);
    // Whether copies carry their source application here at all; without it
    // no exclusion can apply.
    bool canTellSourceApplications() const { return m_workspace.knowsFrontmostApplication(); }

    // The installed applications by name (locale-aware, case-insensitive).
    QList<InstalledApp> installedApps();
    // installedApps() in two halves, so that the slow listing can run on a
    // worker thread: the desktop's listing (touches no GUI object)...
    QList<InstalledApplication> listInstalledApplications();
    // ...and, on the main thread, one entry per ID with its icon, sorted.
    QList<InstalledApp> installedApps(const QList<InstalledApplication> &listing);

Q_SIGNALS:
    void excludedBundleIDsChanged();

private:
    void store();

    Defaults &m_defaults;
    Workspace &m_workspace;
    QSet<QString> m_excluded;
};

} // namespace quillet
