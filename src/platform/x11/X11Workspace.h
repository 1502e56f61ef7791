#pragma once

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntries.h"
#include "platform/x11/X11Connection.h"

#include <QElapsedTimer>
#include <QHash>

#include <memory>

namespace quillet::x11 {

// The desktop session on X11: the active window (EWMH) resolved to its
// desktop entry, and the installed applications from the XDG desktop
// entries. Without a connection (no X11) only the desktop entries work.
class X11Workspace final : public Workspace {
public:
    explicit X11Workspace(std::shared_ptr<X11Connection> connection);

    bool knowsFrontmostApplication() const override { return m_connection != nullptr; }
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<WindowId> activeWindow() override;
    bool selectionBelongsToActiveWindow() override;
    void activateWindow(WindowId window) override;
    void showOnAllDesktops(WindowId window) override;
    QList<InstalledApplication> installedApplications() override;
    void setApplicationsChangedHandler(std::function<void()> changed) override;
    QIcon applicationIcon(const InstalledApplication &application) override;
    bool openApplication(const QString &id, QString *error = nullptr) override;

    // The application a window belongs to, as frontmostApplication() would
    // report it if the window were active.
    std::optional<RunningApplication> applicationOf(WindowId window);

private:
    const QList<DesktopEntries::Entry> &entries();
    std::optional<InstalledApplication> entryForWmClass(const QString &instance, const QString &className);
    std::optional<InstalledApplication> lookUpWmClass(const QString &instance, const QString &className);
    std::optional<InstalledApplication> entryForProcess(quint32 pid);

    std::shared_ptr<X11Connection> m_connection;
    QList<DesktopEntries::Entry> m_entries;
    QElapsedTimer m_entriesAge;
    // Window classes already resolved; dropped with the entries they came from.
    QHash<QString, std::optional<InstalledApplication>> m_wmClasses;
};

} // namespace quillet::x11
