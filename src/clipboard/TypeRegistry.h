#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// Content types are MIME types. This registry holds the named types Quillet
// relies on and the conformances between them (a UTF-8 text conforms to plain
// text, every image/* to image), and decides which offered types are real
// content types rather than X11 atoms or private application formats.
namespace types {
inline const QString html = QStringLiteral("text/html");
inline const QString rtf = QStringLiteral("text/rtf");
inline const QString rtfd = QStringLiteral("com.apple.rtfd");
inline const QString plainText = QStringLiteral("text/plain");
inline const QString utf8PlainText = QStringLiteral("text/plain;charset=utf-8");
inline const QString utf16PlainText = QStringLiteral("text/plain;charset=utf-16");
inline const QString image = QStringLiteral("image/*");
inline const QString png = QStringLiteral("image/png");
inline const QString tiff = QStringLiteral("image/tiff");
inline const QString jpeg = QStringLiteral("image/jpeg");
inline const QString gif = QStringLiteral("image/gif");
inline const QString bmp = QStringLiteral("image/bmp");
inline const QString fileURL = QStringLiteral("text/uri-list");
inline const QString url = QStringLiteral("text/x-moz-url");

// Marks Quillet's own clipboard writes; always written with empty data.
inline const QString selfMarker = QStringLiteral("app.quillet.Quillet.self-marker");
// Password managers offer this target with the value "secret" (a KDE
// convention that other toolkits follow); such copies are never recorded.
inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
} // namespace types

// Lower-cased, without spaces around parameters: "Text/Plain; charset=UTF-8"
// becomes "text/plain;charset=utf-8".
QString normalizedType(const QString &type);

// Whether `type` is `supertype` or descends from it. A type with parameters
// descends from its base ("text/html;charset=utf-8" is HTML).
bool conformsTo(const QString &type, const QString &supertype);

// Whether `type` names a content type at all (a registry type, or one the
// shared MIME database knows).
bool isKnownType(const QString &type);

// The types whose representations are stored, in order of preference.
const QStringList &supportedStorageTypes();

// The first supported storage type `type` conforms to, or an empty string.
QString storageTypeFor(const QString &type);

} // namespace quillet
