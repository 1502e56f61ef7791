#pragma once

#include "platform/Workspace.h"
#include "platform/wayland/AppIdResolver.h"
#include "platform/wayland/WaylandConnection.h"

#include <memory>

struct org_kde_plasma_window_management;
struct org_kde_plasma_window;

namespace quillet::wayland {

// The desktop session on KDE Plasma's Wayland compositor (KWin), which offers
// no wlroots foreign-toplevel protocol but its own window management
// (org_kde_plasma_window_management, the protocol Plasma's task manager
// uses). KWin hands it only to programs whose desktop entry asks for it in
// X-KDE-Wayland-Interfaces. Through it the active window's app id (or, for
// an XWayland window, its resource name) is resolved to its desktop entry,
// and windows are activated again (pastes go back to where they came from).
// Installed applications come from the XDG desktop entries. Main thread only.
class KWinWorkspace final : public Workspace {
public:
    // Watches the windows through `connection` (which it keeps pumping from
    // the event loop); without a connection or the protocol only the desktop
    // entries work.
    explicit KWinWorkspace(std::shared_ptr<WaylandConnection> connection);
    ~KWinWorkspace() override;

    bool knowsFrontmostApplication() const override { return m_manager != nullptr; }
    std::optional<RunningApplication> frontmostApplication() override;
    // An id of Quillet's own making for the active window; it stays valid
    // until that window closes.
    std::optional<WindowId> activeWindow() override;
    void activateWindow(WindowId window) override;
    // KWin keeps Quillet's own windows where they are opened: nothing to do.
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override;
    QIcon applicationIcon(const InstalledApplication &application) override;
    bool openApplication(const QString &id, QString *error = nullptr) override;

    // Handles the compositor's news until `window` is the active one, within
    // `milliseconds`; whether it is.
    bool waitUntilActive(WindowId window, int milliseconds);
    // The application of one of the windows; nothing once it has closed.
    std::optional<RunningApplication> applicationOf(WindowId window);

    // The windows' events, as the protocol delivers them.
    struct Window;
    void windowAdded(const char *uuid);
    void windowUnmapped(Window *window);

private:
    Window *find(WindowId id) const;
    Window *activeWindowState();

    std::shared_ptr<WaylandConnection> m_connection;
    org_kde_plasma_window_management *m_manager = nullptr;
    QList<Window *> m_windows;
    WindowId m_lastId = 0;
    AppIdResolver m_applications;
};

} // namespace quillet::wayland
