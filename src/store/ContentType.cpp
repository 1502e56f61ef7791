#include "store/ContentType.h"

namespace quillet {

QString rawValue(ContentType type)
{
    switch (type) {
    case ContentType::plainText:
        return QStringLiteral("plainText");
    case ContentType::richText:
        return QStringLiteral("richText");
    case ContentType::html:
        return QStringLiteral("html");
    case ContentType::image:
        return QStringLiteral("image");
    case ContentType::fileURL:
        return QStringLiteral("fileURL");
    case ContentType::color:
        return QStringLiteral("color");
    case ContentType::generic:
        return QStringLiteral("generic");
    }
    return QStringLiteral("generic");
}

std::optional<ContentType> contentTypeFromRaw(const QString &raw)
{
    for (ContentType type : allContentTypes()) {
        if (rawValue(type) == raw)
            return type;
    }
    return std::nullopt;
}

const QList<ContentType> &allContentTypes()
{
    static const QList<ContentType> all { ContentType::plainText, ContentType::richText, ContentType::html,
        ContentType::image, ContentType::fileURL, ContentType::color, ContentType::generic };
    return all;
}

} // namespace quillet
