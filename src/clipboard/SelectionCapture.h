#pragma once

#include "core/Clock.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

#include <QCoroTask>
#include <QObject>

#include <coroutine>
#include <deque>
#include <optional>

namespace quillet {

// Reads the text the user has selected in the application in front.
//
// The selection itself (X11's PRIMARY) is read first; only when it holds no
// text is the application sent its copy keystroke, with the whole clipboard
// saved before and put back after, so the user's clipboard survives. The copy
// is read as soon as the clipboard changes, or given up after kCopyWait.
//
// Copies never overlap: a second one waits for the first, so neither
// restores the other's half-done clipboard. Main thread only.
class SelectionCapture : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kCopyWait { 1000 };

    SelectionCapture(Pasteboard &pasteboard, KeySynthesizer &keys, Clock &clock, QObject *parent = nullptr);

    // The selected text: PRIMARY first, else copySelection(). Nothing when
    // neither gives text.
    QCoro::Task<std::optional<QString>> selectedText();
    // The text of the PRIMARY selection; nothing when it is empty.
    QCoro::Task<std::optional<QString>> readPrimary();
    // Copies the selection through the application's copy keystroke, with
    // the clipboard saved and restored; nothing when no text was copied.
    QCoro::Task<std::optional<QString>> copySelection();

private:
    class Turn;
    class Change;

    void endTurn();

    Pasteboard &m_pasteboard;
    KeySynthesizer &m_keys;
    Clock &m_clock;
    bool m_capturing = false;
    std::deque<std::coroutine_handle<>> m_queue;
};

} // namespace quillet
