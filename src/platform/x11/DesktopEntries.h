#pragma once

#include "platform/Workspace.h"

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace quillet::x11 {

// The XDG desktop entries, read and launched through GIO's GDesktopAppInfo
// (the implementation desktop launchers use): precedence over
// $XDG_DATA_HOME/applications and each $XDG_DATA_DIRS/applications, Hidden
// entries dropped, localized names, Terminal=true and field codes honoured.
namespace DesktopEntries {

// What identifies an entry's running windows.
struct Entry {
    InstalledApplication application;
    QString startupWmClass;
    QString executable; // base name of the program Exec runs
    bool visible = false;
};

// Entries shown in launchers (no NoDisplay, OnlyShowIn/NotShowIn respected),
// in precedence order; an ID found again later is shadowed.
QList<InstalledApplication> visibleApplications();

// Every entry, visible or not (a window may belong to a NoDisplay entry).
QList<Entry> allEntries();

// The entry with this desktop-file ID (".desktop" optional), if installed.
std::optional<InstalledApplication> find(const QString &id);

// `changed` runs on the main thread whenever GIO notices a change in any
// applications folder; an empty function stops the calls. Call it on the main
// thread, whose event loop runs GLib's default main context (Qt's does).
void setChangedHandler(std::function<void()> changed);

// Starts the entry; on failure returns false with a readable reason.
bool launch(const QString &id, QString *error);

// The icon of an Icon= value: an absolute file, a theme name, or a generic
// application icon when neither gives one.
QIcon icon(const QString &iconName);

} // namespace DesktopEntries

} // namespace quillet::x11
