#include "clipboard/ExcludedAppsService.h"

#include "defaults/PreferenceKeys.h"

#include <QCollator>

#include <algorithm>

namespace quillet {

ExcludedAppsService::ExcludedAppsService(Defaults &defaults, Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_workspace(workspace)
{
    const auto stored = m_defaults.stringList(keys::excludedAppBundleIDs).value_or(QStringList());
    m_excluded = QSet<QString>(stored.begin(), stored.end());
}

void ExcludedAppsService::setExcludedBundleIDs(const QSet<QString> &ids)
{
    m_excluded = ids;
    store();
    Q_EMIT excludedBundleIDsChanged();
}

void ExcludedAppsService::addExcluded(const QString &bundleID)
{
    m_excluded.insert(bundleID);
    store();
    Q_EMIT excludedBundleIDsChanged();
}

void ExcludedAppsService::removeExcluded(const QString &bundleID)
{
    m_excluded.remove(bundleID);
    store();
    Q_EMIT excludedBundleIDsChanged();
}

void ExcludedAppsService::store()
{
    QStringList list(m_excluded.begin(), m_excluded.end());
    // The order carries no meaning; sorting keeps the file stable between writes.
    list.sort();
    m_defaults.setStringList(keys::excludedAppBundleIDs, list);
}

QList<InstalledApp> ExcludedAppsService::installedApps()
{
    return installedApps(listInstalledApplications());
}

QList<InstalledApplication> ExcludedAppsService::listInstalledApplications()
{
    return m_workspace.installedApplications();
}

QList<InstalledApp> ExcludedAppsService::installedApps(const QList<InstalledApplication> &listing)
{
    QList<InstalledApp> apps;
    QSet<QString> seen;
    for (const InstalledApplication &application : listing) {
        if (application.id.isEmpty() || seen.contains(application.id))
            continue;
        seen.insert(application.id);
        apps.append({ application.id, application.name, m_workspace.applicationIcon(application) });
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(),
        [&](const InstalledApp &a, const InstalledApp &b) { return collator.compare(a.name, b.name) < 0; });
    return apps;
}

} // namespace quillet
