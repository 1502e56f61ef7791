#pragma once

#include "platform/ThreadedPasteboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionReader.h"

#include <memory>

namespace quillet {
namespace x11 {
class X11ClipboardWorker;
}
// Instantiated once, where the worker is defined.
extern template class ThreadedPasteboard<x11::X11ClipboardWorker>;
} // namespace quillet

namespace quillet::x11 {

// The X11 CLIPBOARD (and, for text reads, PRIMARY) spoken directly on a
// connection of its own, serviced by a thread of its own: a selection reader
// for other owners' copies and a selection owner for Quillet's writes. The
// main thread never waits for another X client: it hands requests to the
// clipboard thread and gets the results as futures.
//
// The change count is a counter moved by every XFixes notification about
// CLIPBOARD (new owner, owner window destroyed, owner client gone). Without
// XFixes, checkForChanges() compares the owner window and its timestamp.
// Writing makes Quillet the owner with a fresh server timestamp; clearing
// keeps the selection, offering nothing.
//
// Quillet is also the desktop's clipboard manager when no other one runs: it
// holds CLIPBOARD_MANAGER and, when an exiting application asks it to save
// its clipboard (SAVE_TARGETS), reads every offered type and keeps offering
// it, marked as Quillet's own.
class X11Pasteboard final : public ThreadedPasteboard<X11ClipboardWorker> {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultMaxBytes = X11SelectionReader::kDefaultMaxBytes;

    explicit X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~X11Pasteboard() override;

    bool notifiesChanges() const override;
    void checkForChanges() override;

    // Whether Quillet owns the clipboard right now.
    QFuture<bool> ownsSelection();
    // Whether Quillet holds CLIPBOARD_MANAGER.
    QFuture<bool> isClipboardManager();

private:
    bool m_notifies = false;
};

} // namespace quillet::x11
