#include "platform/wayland/WaylandConnection.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <wayland-client.h>

Q_LOGGING_CATEGORY(lcWayland, "quillet.wayland")

namespace quillet::wayland {

namespace {

void onGlobal(void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version)
{
    auto *globals = static_cast<QList<WaylandConnection::Global> *>(data);
    globals->append({ name, QByteArray(interface), version });
}

void onGlobalRemove(void *data, wl_registry *, uint32_t name)
{
    auto *globals = static_cast<QList<WaylandConnection::Global> *>(data);
    globals->removeIf([name](const WaylandConnection::Global &global) { return global.name == name; });
}

const wl_registry_listener kRegistryListener = { onGlobal, onGlobalRemove };

} // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::open(const QByteArray &socket)
{
    wl_display *display = wl_display_connect(socket.isEmpty() ? nullptr : socket.constData());
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    connection->m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(connection->m_registry, &kRegistryListener, &connection->m_globals);
    if (!connection->roundtrip()) {
        qCWarning(lcWayland) << "The Wayland compositor closed the connection while listing its globals";
        return nullptr;
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display *display)
    : m_display(display)
{
}

WaylandConnection::~WaylandConnection()
{
    delete m_notifier;
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

int WaylandConnection::fileDescriptor() const
{
    return wl_display_get_fd(m_display);
}

bool WaylandConnection::has(const char *interface) const
{
    return std::any_of(m_globals.begin(), m_globals.end(),
        [interface](const Global &global) { return global.interface == interface; });
}

void *WaylandConnection::bind(const wl_interface *interface, quint32 maxVersion)
{
    for (const Global &global : std::as_const(m_globals)) {
        if (global.interface != interface->name)
            continue;
        const quint32 version = std::min({ global.version, maxVersion, quint32(interface->version) });
        return wl_registry_bind(m_registry, global.name, interface, version);
    }
    return nullptr;
}

wl_seat *WaylandConnection::seat()
{
    if (!m_seat)
        m_seat = static_cast<wl_seat *>(bind(&wl_seat_interface, 1));
    return m_seat;
}

bool WaylandConnection::roundtrip()
{
    return wl_display_roundtrip(m_display) >= 0;
}

void WaylandConnection::flush()
{
    wl_display_flush(m_display);
}

bool WaylandConnection::dispatchPending()
{
    return readAvailable(0);
}

bool WaylandConnection::isAlive() const
{
    return wl_display_get_error(m_display) == 0;
}

bool WaylandConnection::readAvailable(int timeoutMs)
{
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
    }
    wl_display_flush(m_display);
    pollfd descriptor { wl_display_get_fd(m_display), POLLIN, 0 };
    const int ready = poll(&descriptor, 1, timeoutMs);
    if (ready <= 0) {
        wl_display_cancel_read(m_display);
        return ready == 0 || errno == EINTR;
    }
    if (wl_display_read_events(m_display) < 0)
        return false;
    return wl_display_dispatch_pending(m_display) >= 0;
}

bool WaylandConnection::dispatchUntil(const std::function<bool()> &done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired() || !readAvailable(int(deadline.remainingTime())))
            return done();
    }
    return true;
}

void WaylandConnection::pumpFromEventLoop()
{
    if (m_notifier)
        return;
    m_notifier = new QSocketNotifier(qintptr(fileDescriptor()), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] {
        if (!readAvailable(0)) {
            // A dead connection stays readable; stop listening to it.
            qCWarning(lcWayland) << "Lost the connection to the Wayland compositor";
            m_notifier->setEnabled(false);
        }
    });
}

} // namespace quillet::wayland
