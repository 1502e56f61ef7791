#include "platform/wayland/WaylandWorkspace.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include "platform/x11/DesktopEntries.h"

namespace quillet::wayland {

// One toplevel window. Its properties are double-buffered: they change
// together on `done`.
struct WaylandWorkspace::Toplevel {
    WaylandWorkspace *workspace = nullptr;
    zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
    WindowId id = 0;
    QString appId;
    bool activated = false;
    QString pendingAppId;
    bool pendingActivated = false;
};

namespace {

using Toplevel = WaylandWorkspace::Toplevel;

void onTitle(void *, zwlr_foreign_toplevel_handle_v1 *, const char *)
{
}

void onAppId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId)
{
    static_cast<Toplevel *>(data)->pendingAppId = QString::fromUtf8(appId);
}

void onOutput(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *)
{
}

void onState(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
{
    auto *toplevel = static_cast<Toplevel *>(data);
    toplevel->pendingActivated = false;
    const auto *state = static_cast<const uint32_t *>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
        if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
            toplevel->pendingActivated = true;
    }
}

void onDone(void *data, zwlr_foreign_toplevel_handle_v1 *)
{
    auto *toplevel = static_cast<Toplevel *>(data);
    toplevel->appId = toplevel->pendingAppId;
    toplevel->activated = toplevel->pendingActivated;
}

void onClosed(void *data, zwlr_foreign_toplevel_handle_v1 *)
{
    auto *toplevel = static_cast<Toplevel *>(data);
    toplevel->workspace->toplevelClosed(toplevel);
}

void onParent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *)
{
}

const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener
    = { onTitle, onAppId, onOutput, onOutput, onState, onDone, onClosed, onParent };

void onToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
{
    static_cast<WaylandWorkspace *>(data)->toplevelAdded(handle);
}

void onFinished(void *data, zwlr_foreign_toplevel_manager_v1 *)
{
    static_cast<WaylandWorkspace *>(data)->managerFinished();
}

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = { onToplevel, onFinished };

} // namespace

WaylandWorkspace::WaylandWorkspace(std::shared_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection))
{
    if (!m_connection)
        return;
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
        m_connection->bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!m_manager)
        return;
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &kManagerListener, this);
    // The existing toplevels are announced at once, their state right after.
    m_connection->roundtrip();
    m_connection->roundtrip();
    m_connection->pumpFromEventLoop();
}

WaylandWorkspace::~WaylandWorkspace()
{
    for (Toplevel *toplevel : std::as_const(m_toplevels)) {
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        delete toplevel;
    }
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager);
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
        m_connection->flush();
    }
}

void WaylandWorkspace::toplevelAdded(zwlr_foreign_toplevel_handle_v1 *handle)
{
    auto *toplevel = new Toplevel;
    toplevel->workspace = this;
    toplevel->handle = handle;
    toplevel->id = ++m_lastId;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, toplevel);
    m_toplevels.append(toplevel);
}

void WaylandWorkspace::toplevelClosed(Toplevel *toplevel)
{
    m_toplevels.removeOne(toplevel);
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    delete toplevel;
}

void WaylandWorkspace::managerFinished()
{
    // The compositor sends nothing more; what is known stays known.
    zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
}

const WaylandWorkspace::Toplevel *WaylandWorkspace::activeToplevel()
{
    if (!m_manager)
        return nullptr;
    // A focus change may have arrived since the event loop last ran.
    m_connection->dispatchPending();
    for (const Toplevel *toplevel : std::as_const(m_toplevels)) {
        if (toplevel->activated)
            return toplevel;
    }
    return nullptr;
}

std::optional<RunningApplication> WaylandWorkspace::frontmostApplication()
{
    const Toplevel *toplevel = activeToplevel();
    return toplevel ? applicationOf(toplevel->id) : std::nullopt;
}

std::optional<RunningApplication> WaylandWorkspace::applicationOf(WindowId window)
{
    for (const Toplevel *toplevel : std::as_const(m_toplevels)) {
        if (toplevel->id == window && !toplevel->appId.isEmpty())
            return m_applications.applicationFor(toplevel->appId);
    }
    return std::nullopt;
}

std::optional<WindowId> WaylandWorkspace::activeWindow()
{
    const Toplevel *toplevel = activeToplevel();
    if (!toplevel)
        return std::nullopt;
    return toplevel->id;
}

void WaylandWorkspace::activateWindow(WindowId window)
{
    wl_seat *seat = m_manager ? m_connection->seat() : nullptr;
    if (!seat)
        return;
    for (const Toplevel *toplevel : std::as_const(m_toplevels)) {
        if (toplevel->id == window) {
            zwlr_foreign_toplevel_handle_v1_activate(toplevel->handle, seat);
            m_connection->flush();
            return;
        }
    }
}

bool WaylandWorkspace::waitUntilActive(WindowId window, int milliseconds)
{
    if (!m_manager)
        return false;
    return m_connection->dispatchUntil(
        [&] {
            return std::any_of(m_toplevels.cbegin(), m_toplevels.cend(),
                [&](const Toplevel *toplevel) { return toplevel->id == window && toplevel->activated; });
        },
        milliseconds);
}

QList<InstalledApplication> WaylandWorkspace::installedApplications()
{
    return x11::DesktopEntries::visibleApplications();
}

void WaylandWorkspace::setApplicationsChangedHandler(std::function<void()> changed)
{
    x11::DesktopEntries::setChangedHandler(std::move(changed));
}

QIcon WaylandWorkspace::applicationIcon(const InstalledApplication &application)
{
    return x11::DesktopEntries::icon(application.iconName);
}

bool WaylandWorkspace::openApplication(const QString &id, QString *error)
{
    return x11::DesktopEntries::launch(id, error);
}

} // namespace quillet::wayland
