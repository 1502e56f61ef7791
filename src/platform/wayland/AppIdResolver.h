#pragma once

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntries.h"

#include <QElapsedTimer>
#include <QHash>

namespace quillet::wayland {

// What Wayland compositors name a window's application by: its app id (GTK
// and Qt use the desktop-file ID; Electron and older toolkits a class name or
// the program's name) and, for XWayland windows, the X11 resource name. This
// resolves them to the desktop entry that stands for the application, with
// its name and whether it is a terminal emulator. Main thread only.
class AppIdResolver {
public:
    // The entry an app id stands for (by ID, then by StartupWMClass), else the
    // one the resource name claims; without either, the bare app id.
    RunningApplication applicationFor(const QString &appId, const QString &resourceName = {});

private:
    std::optional<InstalledApplication> entryFor(const QString &appId);

    QList<x11::DesktopEntries::Entry> m_entries;
    QElapsedTimer m_entriesAge;
    QHash<QString, std::optional<InstalledApplication>> m_resolved;
};

} // namespace quillet::wayland
