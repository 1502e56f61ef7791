#pragma once

#include "platform/ThreadedPasteboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace quillet {
namespace wayland {
class WaylandClipboardWorker;
}
// Instantiated once, where the worker is defined.
extern template class ThreadedPasteboard<wayland::WaylandClipboardWorker>;
} // namespace quillet

namespace quillet::wayland {

// The Wayland clipboard through a data-control protocol (ext-data-control-v1,
// else wlroots' zwlr_data_control_manager_v1): the protocols clipboard
// managers use to see and set the selection without the keyboard focus,
// which ordinary Wayland clients never have in the background.
//
// Like X11's, it lives on a connection of its own serviced by a clipboard
// thread: offers are read there (another client writes into a pipe, which may
// take its time), Quillet's writes are served from there, and the main thread
// only hands requests over and gets futures back.
//
// The change count moves with every new selection the compositor announces,
// Quillet's own included (so a write has moved it when it is done). When the
// client that copied exits, the compositor clears the selection: that is
// `ownerLost`, and restore() offers the entry again unless a newer copy came
// first. Clearing offers a selection with no types, so it is never mistaken
// for a lost owner. PRIMARY is the compositor's primary selection, where the
// protocol version has it.
class WaylandPasteboard final : public ThreadedPasteboard<WaylandClipboardWorker> {
    Q_OBJECT
public:
    // The capture skips a representation larger than this, so a larger
    // transfer is not worth finishing.
    static constexpr qsizetype kDefaultMaxBytes = 100 * 1024 * 1024;

    // Takes over `connection` (its own) for the clipboard thread. Check
    // isAvailable() afterwards: without a data-control protocol it is inert.
    explicit WaylandPasteboard(std::unique_ptr<WaylandConnection> connection, QObject *parent = nullptr);
    ~WaylandPasteboard() override;

    // Whether the compositor offers a data-control protocol.
    bool isAvailable() const { return m_available; }

    bool notifiesChanges() const override { return true; }

private:
    bool m_available = false;
};

} // namespace quillet::wayland
