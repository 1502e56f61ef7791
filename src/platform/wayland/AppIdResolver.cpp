#include "platform/wayland/AppIdResolver.h"

#include <QFileInfo>

namespace quillet::wayland {

namespace {

// As on X11: entries are re-read at most this often when app ids are looked
// up, so an application installed during the run is recognised soon enough.
constexpr qint64 kEntriesMaxAgeMs = 30000;

} // namespace

RunningApplication AppIdResolver::applicationFor(const QString &appId, const QString &resourceName)
{
    for (const QString &name : { appId, resourceName }) {
        if (name.isEmpty())
            continue;
        if (const auto entry = entryFor(name)) {
            return RunningApplication { entry->id, entry->name,
                entry->categories.contains(QLatin1String("TerminalEmulator")) };
        }
    }
    const QString id = appId.isEmpty() ? resourceName : appId;
    return RunningApplication { id, id };
}

std::optional<InstalledApplication> AppIdResolver::entryFor(const QString &appId)
{
    if (!m_entriesAge.isValid() || m_entriesAge.hasExpired(kEntriesMaxAgeMs)) {
        m_entries.clear();
        m_resolved.clear();
        m_entriesAge.start();
    }
    auto cached = m_resolved.constFind(appId);
    if (cached != m_resolved.constEnd())
        return *cached;

    // GTK and Qt applications use their desktop-file ID as the app id; others
    // (Electron, older toolkits) a class name their entry claims with
    // StartupWMClass, or the lower-case program name.
    std::optional<InstalledApplication> found;
    QString id = QFileInfo(appId).fileName();
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    for (const QString &candidate : { id, id.toLower() }) {
        if (!found && !candidate.isEmpty())
            found = x11::DesktopEntries::find(candidate);
    }
    if (!found) {
        if (m_entries.isEmpty())
            m_entries = x11::DesktopEntries::allEntries();
        for (const Qt::CaseSensitivity sensitivity : { Qt::CaseSensitive, Qt::CaseInsensitive }) {
            for (const x11::DesktopEntries::Entry &entry : std::as_const(m_entries)) {
                if (!found && !entry.startupWmClass.isEmpty()
                    && entry.startupWmClass.compare(appId, sensitivity) == 0)
                    found = entry.application;
            }
        }
    }
    m_resolved.insert(appId, found);
    return found;
}

} // namespace quillet::wayland
