#pragma once

#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"
#include "store/Store.h"

#include <QFuture>
#include <QObject>

#include <chrono>

namespace quillet {

// Puts history entries and snippets back on the clipboard and pastes them into
// the window they were chosen for, and clears or resets the history.
//
// Every write carries Quillet's marker, so the monitor does not record it. The
// caller closes its panels; the paste keystroke follows 0.1 s later (and never
// before the clipboard holds the entry), once the target window has the focus
// again. The target is the window that was active when the panel or popup
// opened; without one, or with "pasteAfterSelection" off, the entry is only
// put on the clipboard. Main thread only.
// Posts the paste keystroke to `target` (when synthetic keys are possible)
// `delay` from now, and never before `written` has put the entry on the
// clipboard. Nothing happens once `context` is gone.
void simulatePasteWhenWritten(QObject *context, Clock &clock, std::chrono::milliseconds delay,
    KeySynthesizer &keys, const QFuture<void> &written, std::optional<WindowId> target);

class PasteService : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pasteDelay { 100 };

    PasteService(Store &store, Pasteboard &pasteboard, KeySynthesizer &keys, Defaults &defaults, Clock &clock,
        QObject *parent = nullptr);

    // The window a paste goes to: recorded when a panel or popup opens (or a
    // hot key is pressed), cleared when it closes.
    void setPasteTarget(std::optional<WindowId> window) { m_pasteTarget = window; }
    std::optional<WindowId> pasteTarget() const { return m_pasteTarget; }

    // Puts the entry back on the clipboard and makes it the newest, without
    // the paste keystroke. Nothing, and nothing done, when the entry has no
    // stored contents; else a future that finishes once the clipboard holds it.
    std::optional<QFuture<void>> copy(const ClipboardItem &item);
    // Does nothing and returns false when the entry has no stored contents.
    bool paste(const ClipboardItem &item);
    // Does nothing and returns false when the snippet has no content bytes.
    bool pasteSnippet(const Snippet &snippet);
    // Whether a chosen entry is pasted, not only put on the clipboard (the
    // "pasteAfterSelection" preference).
    bool pastesAfterSelection() const;
    // Deletes every unpinned entry.
    void clearHistory();
    // Deletes every entry, pinned ones too; snippets and prompts stay.
    void resetHistory();

    // Offers the newest history entry again, marked; for a clipboard whose
    // owner went away with its copy.
    void offerNewestEntry();

private:
    void schedulePaste(const QFuture<void> &written);

    Store &m_store;
    Pasteboard &m_pasteboard;
    KeySynthesizer &m_keys;
    Defaults &m_defaults;
    Clock &m_clock;
    std::optional<WindowId> m_pasteTarget;
};

} // namespace quillet
