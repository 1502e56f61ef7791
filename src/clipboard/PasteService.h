#pragma once

#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"
#include "store/Store.h"

#include <QObject>

#include <chrono>

namespace quillet {

// Puts history entries and snippets back on the clipboard and pastes them into
// the application that had the focus, and clears or resets the history.
//
// Every write carries Quillet's marker, so the monitor does not record it. The
// paste keystroke follows 0.1 s later, once the caller has closed its panels
// and the previous application has the focus again. With
// "pasteAfterSelection" off the entry is only put on the clipboard. Main
// thread only.
class PasteService : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pasteDelay { 100 };

    PasteService(Store &store, Pasteboard &pasteboard, KeySynthesizer &keys, Defaults &defaults, Clock &clock,
        QObject *parent = nullptr);

    // Puts the entry back on the clipboard and makes it the newest, without
    // the paste keystroke. Does nothing and returns false when the entry has
    // no stored contents.
    bool copy(const ClipboardItem &item);
    // Does nothing and returns false when the entry has no stored contents.
    bool paste(const ClipboardItem &item);
    // Does nothing and returns false when the snippet has no content bytes.
    bool pasteSnippet(const Snippet &snippet);
    // Deletes every unpinned entry.
    void clearHistory();
    // Deletes every entry, pinned ones too; snippets and prompts stay.
    void resetHistory();
    // Posts the paste keystroke when synthetic keys are possible.
    void simulatePaste();

private:
    void schedulePaste();

    Store &m_store;
    Pasteboard &m_pasteboard;
    KeySynthesizer &m_keys;
    Defaults &m_defaults;
    Clock &m_clock;
};

} // namespace quillet
