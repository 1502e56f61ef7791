#pragma once

#include "clipboard/PasteboardSnapshot.h"
#include "store/ContentType.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillet {

// The values computed once when a history entry is created. Each has a
// fallback, so none of them can stop an entry from being recorded.

inline constexpr qsizetype kMaxTitleCharacters = 200;
inline constexpr qsizetype kMaxPreviewCharacters = 500;
inline constexpr int kThumbnailSide = 200;

// The one kind of content a list of types stands for (images win over text).
ContentType classifyContentType(const QStringList &types);

// The entry's title (at most 200 characters): the first line of its text,
// "Image", the file name, or a fallback such as "Text" or "File".
QString makeTitle(const PasteboardSnapshot &snapshot, ContentType type);

// The whole plain text of a text entry (plain, rich or HTML text), folded for
// search (core/Search.h), at most the first million characters; empty for
// other entries. Search matches any line of it.
inline constexpr qsizetype kMaxSearchTextCharacters = 1'000'000;
QString makeSearchText(const PasteboardSnapshot &snapshot, ContentType type);

// The text of a text representation of `type`: UTF-16 where the type says so,
// else UTF-8. Bytes that do not decode read as replacement characters, so
// text in another encoding still shows (its stored bytes stay as they are).
QString decodedText(const QByteArray &data, const QString &type);

// The first 500 characters of a text representation; nothing for other types.
std::optional<QString> makeTextPreview(const QByteArray &data, const QString &type);

// A PNG whose longer side is 200 pixels, aspect kept (small images scale up);
// nothing when the bytes are not a readable image.
std::optional<QByteArray> makeThumbnail(const QByteArray &imageData);

// SHA-256 of the concatenated representation bytes, as 64 lower-case hex digits.
QString contentHashOf(const PasteboardSnapshot &snapshot);

} // namespace quillet
