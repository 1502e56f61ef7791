#pragma once

#include "platform/Workspace.h"
#include "platform/wayland/AppIdResolver.h"
#include "platform/wayland/WaylandConnection.h"

#include <memory>

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace quillet::wayland {

// The desktop session on Wayland. Clients are not told which window is in
// front, except through the wlroots foreign-toplevel protocol (sway, Hyprland,
// labwc…): where the compositor offers it, the activated toplevel's
// app id is resolved to its desktop entry, and windows can be activated again
// (pastes go back to where they came from). Elsewhere the active application
// is unknown. Installed applications come from the XDG desktop entries either
// way. Main thread only.
class WaylandWorkspace final : public Workspace {
public:
    // Watches the toplevels through `connection` (which it keeps pumping from
    // the event loop); without a connection only the desktop entries work.
    explicit WaylandWorkspace(std::shared_ptr<WaylandConnection> connection);
    ~WaylandWorkspace() override;

    bool knowsFrontmostApplication() const override { return m_manager != nullptr; }
    std::optional<RunningApplication> frontmostApplication() override;
    // An id of Quillet's own making for the activated toplevel; it stays
    // valid until that window closes.
    std::optional<WindowId> activeWindow() override;
    void activateWindow(WindowId window) override;
    // Wayland leaves desktops to the compositor: nothing to do.
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override;
    void setApplicationsChangedHandler(std::function<void()> changed) override;
    QIcon applicationIcon(const InstalledApplication &application) override;
    bool openApplication(const QString &id, QString *error = nullptr) override;

    // Handles the compositor's news until `window` is the active one, within
    // `milliseconds`; whether it is.
    bool waitUntilActive(WindowId window, int milliseconds);
    // The application of one of the toplevels; nothing once it has closed.
    std::optional<RunningApplication> applicationOf(WindowId window);

    // The toplevels' events, as the protocol delivers them.
    struct Toplevel;
    void toplevelAdded(zwlr_foreign_toplevel_handle_v1 *handle);
    void toplevelClosed(Toplevel *toplevel);
    void managerFinished();

private:
    const Toplevel *activeToplevel();

    std::shared_ptr<WaylandConnection> m_connection;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    QList<Toplevel *> m_toplevels;
    WindowId m_lastId = 0;
    AppIdResolver m_applications;
};

} // namespace quillet::wayland
