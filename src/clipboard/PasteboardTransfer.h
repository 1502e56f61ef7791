#pragma once

#include "clipboard/PasteboardSnapshot.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"
#include "store/ClipboardContent.h"

namespace quillet {

// A single representation larger than this is not read into the history: a
// huge copy must not exhaust memory or stall the history.
inline constexpr qsizetype kMaxRepresentationBytes = 100 * 1024 * 1024;

// Reads the whole clipboard into a snapshot.
//
// Only content types are kept (X11 atoms and private formats are dropped).
// Owners offer one picture in every format they can convert to, so of an
// item's image types only image/png is read, or the first supported image
// type when PNG is not offered. A self-marked or secret clipboard is not read
// beyond its type list: nothing of it will be stored.
PasteboardSnapshot capture(Pasteboard &pasteboard, Workspace &workspace);

// Puts `contents` back on the clipboard as one item, optionally marked as
// Quillet's own write. Several file URIs (text/uri-list) are joined into one
// list so that every file comes back; other repeated types keep the last value.
void writeContents(const QList<ClipboardContent> &contents, bool withMarker, Pasteboard &pasteboard);

} // namespace quillet
