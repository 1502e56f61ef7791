#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quillet {

// What kind of content a history entry holds; stored by its raw string.
enum class ContentType { plainText, richText, html, image, fileURL, color, generic };

QString rawValue(ContentType type);
// Nothing when `raw` is none of the seven raw values.
std::optional<ContentType> contentTypeFromRaw(const QString &raw);
// The cases in declaration order.
const QList<ContentType> &allContentTypes();

} // namespace quillet
