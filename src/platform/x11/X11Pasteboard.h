#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionReader.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace quillet::x11 {

class X11ClipboardWorker;

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
class X11Pasteboard final : public Pasteboard {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultMaxBytes = X11SelectionReader::kDefaultMaxBytes;

    explicit X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override;
    bool notifiesChanges() const override;
    void checkForChanges() override;
    QFuture<PasteboardContents> read(ReadPlan plan) override;
    QFuture<std::optional<QString>> readText(Selection selection = Selection::clipboard) override;
    QFuture<void> clear() override;
    QFuture<void> write(const QList<PasteboardItem> &items) override;
    QFuture<void> restore(const QList<PasteboardItem> &items) override;

    // Transfers announced or grown beyond this many bytes are abandoned.
    void setMaxBytes(qsizetype bytes);
    // How long an owner may take to answer one request or send one chunk.
    void setTimeout(int milliseconds);

    // Whether Quillet owns the clipboard right now.
    QFuture<bool> ownsSelection();
    // Whether Quillet holds CLIPBOARD_MANAGER.
    QFuture<bool> isClipboardManager();

private:
    template<typename T, typename Fn> QFuture<T> onClipboardThread(Fn function);
    static PasteboardItem merged(const QList<PasteboardItem> &items);

    QThread m_thread;
    X11ClipboardWorker *m_worker = nullptr;
    std::shared_ptr<std::atomic<qint64>> m_changeCount;
    bool m_notifies = false;
};

} // namespace quillet::x11
