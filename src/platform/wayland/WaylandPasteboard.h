#pragma once

#include "platform/Pasteboard.h"
#include "platform/wayland/WaylandConnection.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace quillet::wayland {

class WaylandClipboardWorker;

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
class WaylandPasteboard final : public Pasteboard {
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

    qint64 changeCount() const override;
    bool notifiesChanges() const override { return true; }
    QFuture<PasteboardContents> read(ReadPlan plan) override;
    QFuture<std::optional<QString>> readText(Selection selection = Selection::clipboard) override;
    QFuture<void> clear() override;
    QFuture<void> write(const QList<PasteboardItem> &items) override;
    QFuture<void> restore(const QList<PasteboardItem> &items) override;

    // Transfers beyond this many bytes are abandoned.
    void setMaxBytes(qsizetype bytes);
    // How long an owner may take to send the next bytes of one type.
    void setTimeout(int milliseconds);

private:
    template<typename T, typename Fn> QFuture<T> onClipboardThread(Fn function);

    QThread m_thread;
    WaylandClipboardWorker *m_worker = nullptr;
    std::shared_ptr<std::atomic<qint64>> m_changeCount;
    bool m_available = false;
};

} // namespace quillet::wayland
