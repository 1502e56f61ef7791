#pragma once

#include "clipboard/PasteboardSnapshot.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "store/ClipboardContent.h"

#include <QCoroTask>

namespace quillet {

// A single representation larger than this is not read into the history: a
// huge copy must not exhaust memory or stall the history.
inline constexpr qsizetype kMaxRepresentationBytes = 100 * 1024 * 1024;

// What a capture reads of an offer (pure; runs on the pasteboard's thread).
//
// Only content types are read (X11 atoms and private formats are not). Owners
// offer one picture in every format they can convert to, so of the image
// types only image/png is read, or the first supported image type when PNG is
// not offered. A self-marked clipboard is not read at all; a clipboard with
// the password-manager hint has the hint read first, and nothing more when it
// says "secret".
ReadPlan capturePlan();

// The snapshot of what a capture plan read, as copied in `source`.
PasteboardSnapshot snapshotOf(
    const PasteboardContents &contents, const std::optional<RunningApplication> &source);

// Reads the whole clipboard into a snapshot; the source application is the
// one in front when the read starts.
QCoro::Task<PasteboardSnapshot> capture(Pasteboard &pasteboard, Workspace &workspace);

// Puts `contents` back on the clipboard as one item, optionally marked as
// Quillet's own write. Several file URIs (text/uri-list) are joined into one
// list so that every file comes back; other repeated types keep the last value.
// The future finishes once the clipboard holds them.
QFuture<void> writeContents(const QList<ClipboardContent> &contents, bool withMarker, Pasteboard &pasteboard);
// The one item writeContents() puts on the clipboard.
PasteboardItem pasteboardItemOf(const QList<ClipboardContent> &contents, bool withMarker);

} // namespace quillet
