#pragma once

#include "core/Clock.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

#include <QCoroTask>

#include <QHash>
#include <QObject>
#include <QStringList>

#include <coroutine>
#include <deque>
#include <optional>

namespace quillet {

// A copy of one clipboard item, kept while the selection is being copied.
struct SavedPasteboardItem {
    QStringList types;
    QHash<QString, QByteArray> dataByType;

    friend bool operator==(const SavedPasteboardItem &, const SavedPasteboardItem &) = default;
};

// Reads the text the user has selected in the application in front by
// sending that application its copy keystroke, with the whole clipboard saved
// before and put back after, so the user's clipboard survives the capture.
//
// Captures never overlap: a second one waits for the first, so neither
// restores the other's half-done clipboard. Main thread only.
class SelectionCapture : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kCopyWait { 200 };

    SelectionCapture(Pasteboard &pasteboard, KeySynthesizer &keys, Clock &clock, QObject *parent = nullptr);

    // The copied text, or nothing when the application copied no text.
    QCoro::Task<std::optional<QString>> copySelection();

private:
    class Turn;

    void endTurn();

    Pasteboard &m_pasteboard;
    KeySynthesizer &m_keys;
    Clock &m_clock;
    bool m_capturing = false;
    std::deque<std::coroutine_handle<>> m_queue;
};

} // namespace quillet
