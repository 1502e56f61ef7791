#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;
class QSocketNotifier;

namespace quillet::wayland {

// The protocols Quillet looks for, by their global interface names.
namespace protocols {
inline constexpr char extDataControl[] = "ext_data_control_manager_v1";
inline constexpr char wlrDataControl[] = "zwlr_data_control_manager_v1";
inline constexpr char foreignToplevel[] = "zwlr_foreign_toplevel_manager_v1";
inline constexpr char virtualKeyboard[] = "zwp_virtual_keyboard_manager_v1";
// KDE Plasma's own, granted to programs whose desktop entry asks for them.
inline constexpr char plasmaWindowManagement[] = "org_kde_plasma_window_management";
inline constexpr char kwinFakeInput[] = "org_kde_kwin_fake_input";
// Offered by KWin alone, to every client: tells KWin apart.
inline constexpr char plasmaVirtualDesktops[] = "org_kde_plasma_virtual_desktop_management";
// GNOME's own shell integration, offered by mutter.
inline constexpr char gtkShell[] = "gtk_shell1";
} // namespace protocols

// A private connection to the Wayland compositor, with the globals it
// announced when it was opened. Each service has its own (as Qt has its
// own), so one service's round trips never dispatch another's events, and the
// clipboard's connection can live on the clipboard thread.
//
// Not thread-safe: use a connection on one thread only.
class WaylandConnection {
public:
    struct Global {
        quint32 name = 0;
        QByteArray interface;
        quint32 version = 0;
    };

    // Connects to `socket` (a name in $XDG_RUNTIME_DIR or an absolute path;
    // empty means $WAYLAND_DISPLAY) and reads the globals. Nothing when no
    // compositor answers.
    static std::unique_ptr<WaylandConnection> open(const QByteArray &socket = {});

    ~WaylandConnection();
    WaylandConnection(const WaylandConnection &) = delete;
    WaylandConnection &operator=(const WaylandConnection &) = delete;

    wl_display *display() const { return m_display; }
    int fileDescriptor() const;

    const QList<Global> &globals() const { return m_globals; }
    bool has(const char *interface) const;
    // Binds the first global of the interface at the highest version both
    // sides know (at most `maxVersion`); null when the compositor offers none.
    void *bind(const wl_interface *interface, quint32 maxVersion);
    // The first seat, bound on first use; null without one.
    wl_seat *seat();

    // Sends what is queued and handles every reply; false once the
    // connection is broken.
    bool roundtrip();
    // Sends what is queued without waiting.
    void flush();
    // Handles the events that arrived by now, without waiting for more.
    bool dispatchPending();
    // Handles events until `done` holds, waiting at most `milliseconds` in
    // all; returns whether `done` holds.
    bool dispatchUntil(const std::function<bool()> &done, int milliseconds);
    // False once the compositor closed the connection or sent a protocol error.
    bool isAlive() const;

    // From now on handles this connection's events from the current thread's
    // Qt event loop as they arrive, so state the compositor announces stays
    // current (and unread events never pile up).
    void pumpFromEventLoop();

private:
    explicit WaylandConnection(wl_display *display);
    bool readAvailable(int timeoutMs);

    wl_display *m_display;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    QList<Global> m_globals;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace quillet::wayland
