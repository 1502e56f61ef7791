#include "platform/wayland/KWinWorkspace.h"

#include "plasma-window-management-client-protocol.h"
#include "platform/x11/DesktopEntries.h"

#include <wayland-client.h>

namespace quillet::wayland {

namespace {

// Windows are announced by uuid from this version on; the numeric ids before
// it are deprecated.
constexpr quint32 kUuidVersion = ORG_KDE_PLASMA_WINDOW_MANAGEMENT_WINDOW_WITH_UUID_SINCE_VERSION;

} // namespace

// One window, its properties as KWin last announced them.
struct KWinWorkspace::Window {
    KWinWorkspace *workspace = nullptr;
    org_kde_plasma_window *handle = nullptr;
    WindowId id = 0;
    QString appId;
    QString resourceName;
    bool active = false;
};

namespace {

using Window = KWinWorkspace::Window;

Window *windowOf(void *data)
{
    return static_cast<Window *>(data);
}

void ignoreString(void *, org_kde_plasma_window *, const char *)
{
}
void ignoreEvent(void *, org_kde_plasma_window *)
{
}

void onAppId(void *data, org_kde_plasma_window *, const char *appId)
{
    windowOf(data)->appId = QString::fromUtf8(appId);
}

void onResourceName(void *data, org_kde_plasma_window *, const char *name)
{
    windowOf(data)->resourceName = QString::fromUtf8(name);
}

void onState(void *data, org_kde_plasma_window *, uint32_t flags)
{
    windowOf(data)->active = flags & ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE;
}

void onUnmapped(void *data, org_kde_plasma_window *)
{
    Window *window = windowOf(data);
    window->workspace->windowUnmapped(window);
}

const org_kde_plasma_window_listener kWindowListener = {
    .title_changed = ignoreString,
    .app_id_changed = onAppId,
    .state_changed = onState,
    .virtual_desktop_changed = [](void *, org_kde_plasma_window *, int32_t) {},
    .themed_icon_name_changed = ignoreString,
    .unmapped = onUnmapped,
    .initial_state = ignoreEvent,
    .parent_window = [](void *, org_kde_plasma_window *, org_kde_plasma_window *) {},
    .geometry = [](void *, org_kde_plasma_window *, int32_t, int32_t, uint32_t, uint32_t) {},
    .icon_changed = ignoreEvent,
    .pid_changed = [](void *, org_kde_plasma_window *, uint32_t) {},
    .virtual_desktop_entered = ignoreString,
    .virtual_desktop_left = ignoreString,
    .application_menu = [](void *, org_kde_plasma_window *, const char *, const char *) {},
    .activity_entered = ignoreString,
    .activity_left = ignoreString,
    .resource_name_changed = onResourceName,
};

const org_kde_plasma_window_management_listener kManagerListener = {
    .show_desktop_changed = [](void *, org_kde_plasma_window_management *, uint32_t) {},
    .window = [](void *, org_kde_plasma_window_management *, uint32_t) {},
    .stacking_order_changed = [](void *, org_kde_plasma_window_management *, wl_array *) {},
    .stacking_order_uuid_changed = [](void *, org_kde_plasma_window_management *, const char *) {},
    .window_with_uuid = [](void *data, org_kde_plasma_window_management *, uint32_t,
                            const char *uuid) { static_cast<KWinWorkspace *>(data)->windowAdded(uuid); },
};

} // namespace

KWinWorkspace::KWinWorkspace(std::shared_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection))
{
    if (!m_connection)
        return;
    m_manager = static_cast<org_kde_plasma_window_management *>(
        m_connection->bind(&org_kde_plasma_window_management_interface, 16));
    if (m_manager && org_kde_plasma_window_management_get_version(m_manager) < kUuidVersion) {
        // A KWin older than Plasma 5.20; not worth a second way of listing windows.
        org_kde_plasma_window_management_destroy(m_manager);
        m_manager = nullptr;
    }
    if (!m_manager)
        return;
    org_kde_plasma_window_management_add_listener(m_manager, &kManagerListener, this);
    // The existing windows are announced at once, their properties right after.
    m_connection->roundtrip();
    m_connection->roundtrip();
    m_connection->pumpFromEventLoop();
}

KWinWorkspace::~KWinWorkspace()
{
    for (Window *window : std::as_const(m_windows)) {
        org_kde_plasma_window_destroy(window->handle);
        delete window;
    }
    if (m_manager) {
        org_kde_plasma_window_management_destroy(m_manager);
        m_connection->flush();
    }
}

void KWinWorkspace::windowAdded(const char *uuid)
{
    auto *window = new Window;
    window->workspace = this;
    window->id = ++m_lastId;
    window->handle = org_kde_plasma_window_management_get_window_by_uuid(m_manager, uuid);
    org_kde_plasma_window_add_listener(window->handle, &kWindowListener, window);
    m_windows.append(window);
}

void KWinWorkspace::windowUnmapped(Window *window)
{
    m_windows.removeOne(window);
    org_kde_plasma_window_destroy(window->handle);
    delete window;
}

KWinWorkspace::Window *KWinWorkspace::find(WindowId id) const
{
    for (Window *window : m_windows) {
        if (window->id == id)
            return window;
    }
    return nullptr;
}

KWinWorkspace::Window *KWinWorkspace::activeWindowState()
{
    if (!m_manager)
        return nullptr;
    // A focus change may have arrived since the event loop last ran.
    m_connection->dispatchPending();
    for (Window *window : std::as_const(m_windows)) {
        if (window->active)
            return window;
    }
    return nullptr;
}

std::optional<RunningApplication> KWinWorkspace::frontmostApplication()
{
    const Window *window = activeWindowState();
    return window ? applicationOf(window->id) : std::nullopt;
}

std::optional<RunningApplication> KWinWorkspace::applicationOf(WindowId id)
{
    const Window *window = find(id);
    if (!window || (window->appId.isEmpty() && window->resourceName.isEmpty()))
        return std::nullopt;
    return m_applications.applicationFor(window->appId, window->resourceName);
}

std::optional<WindowId> KWinWorkspace::activeWindow()
{
    const Window *window = activeWindowState();
    if (!window)
        return std::nullopt;
    return window->id;
}

void KWinWorkspace::activateWindow(WindowId id)
{
    if (const Window *window = find(id)) {
        // What the task manager does when a task is clicked.
        org_kde_plasma_window_set_state(window->handle, ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE,
            ORG_KDE_PLASMA_WINDOW_MANAGEMENT_STATE_ACTIVE);
        m_connection->flush();
    }
}

bool KWinWorkspace::waitUntilActive(WindowId id, int milliseconds)
{
    if (!m_manager)
        return false;
    return m_connection->dispatchUntil(
        [&] {
            const Window *window = find(id);
            return window && window->active;
        },
        milliseconds);
}

QList<InstalledApplication> KWinWorkspace::installedApplications()
{
    return x11::DesktopEntries::visibleApplications();
}

QIcon KWinWorkspace::applicationIcon(const InstalledApplication &application)
{
    return x11::DesktopEntries::icon(application.iconName);
}

bool KWinWorkspace::openApplication(const QString &id, QString *error)
{
    return x11::DesktopEntries::launch(id, error);
}

} // namespace quillet::wayland
