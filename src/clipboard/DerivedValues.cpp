#include "clipboard/DerivedValues.h"

#include "clipboard/RtfReader.h"
#include "clipboard/TypeRegistry.h"
#include "core/Graphemes.h"
#include "core/Search.h"
#include "core/Text.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>
#include <QStringDecoder>
#include <QUrl>

#include <openssl/evp.h>

#include <cmath>
#include <memory>

namespace quillet {

namespace {

bool isNewline(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// The first non-empty line, cut to the title length, then trimmed.
QString firstLineTitle(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && isNewline(text[start]))
        ++start;
    qsizetype end = start;
    while (end < text.size() && !isNewline(text[end]))
        ++end;
    return trimmedSpaces(leftGraphemes(text.mid(start, end - start), kMaxTitleCharacters)).toString();
}

bool isTextType(const QString &type)
{
    return conformsTo(type, types::plainText) || conformsTo(type, types::utf8PlainText)
        || conformsTo(type, types::utf16PlainText);
}

bool isRichTextType(const QString &type)
{
    return conformsTo(type, types::rtf) || conformsTo(type, types::rtfd);
}

} // namespace

ContentType classifyContentType(const QStringList &typeList)
{
    QList<ContentType> mapped;
    for (const QString &type : typeList) {
        if (conformsTo(type, types::html))
            mapped.append(ContentType::html);
        else if (isRichTextType(type))
            mapped.append(ContentType::richText);
        else if (conformsTo(type, types::plainText) || conformsTo(type, types::utf8PlainText))
            mapped.append(ContentType::plainText);
        else if (conformsTo(type, types::image))
            mapped.append(ContentType::image);
        else if (conformsTo(type, types::fileURL))
            mapped.append(ContentType::fileURL);
        else
            mapped.append(ContentType::generic);
    }
    static const ContentType priority[] = { ContentType::image, ContentType::richText, ContentType::html,
        ContentType::fileURL, ContentType::color, ContentType::plainText, ContentType::generic };
    for (ContentType candidate : priority) {
        if (mapped.contains(candidate))
            return candidate;
    }
    return ContentType::generic;
}

QString makeTitle(const PasteboardSnapshot &snapshot, ContentType type)
{
    switch (type) {
    case ContentType::plainText:
    case ContentType::richText:
    case ContentType::html: {
        if (snapshot.contents.isEmpty())
            return QCoreApplication::translate("DerivedValues", "Text");
        for (const TypedContent &content : snapshot.contents) {
            if (!isRichTextType(content.utType))
                continue;
            if (const auto text = rtfToPlainText(content.data))
                return firstLineTitle(*text);
        }
        for (const TypedContent &content : snapshot.contents) {
            if (isTextType(content.utType) || conformsTo(content.utType, types::html))
                return firstLineTitle(decodedText(content.data, content.utType));
        }
        return QCoreApplication::translate("DerivedValues", "Text");
    }
    case ContentType::image:
        return QCoreApplication::translate("DerivedValues", "Image");
    case ContentType::fileURL:
        for (const TypedContent &content : snapshot.contents) {
            if (!conformsTo(content.utType, types::fileURL))
                continue;
            const auto text = decodeStrictUtf8(content.data);
            if (!text)
                continue;
            const QUrl url(text->trimmed(), QUrl::StrictMode);
            if (!url.isValid() || url.isEmpty())
                continue;
            QString path = url.path(QUrl::FullyDecoded);
            while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
                path.chop(1);
            const QString name = path == QLatin1String("/") ? path : path.section(QLatin1Char('/'), -1);
            if (!name.isEmpty())
                return name;
        }
        return QCoreApplication::translate("DerivedValues", "File");
    case ContentType::color:
        return QCoreApplication::translate("DerivedValues", "Color");
    case ContentType::generic:
        return QCoreApplication::translate("DerivedValues", "Clipboard Content");
    }
    return QCoreApplication::translate("DerivedValues", "Clipboard Content");
}

QString makeSearchText(const PasteboardSnapshot &snapshot, ContentType type)
{
    if (type != ContentType::plainText && type != ContentType::richText && type != ContentType::html)
        return {};
    // The representation the title comes from, read in full.
    std::optional<QString> text;
    for (const TypedContent &content : snapshot.contents) {
        if (isRichTextType(content.utType) && (text = rtfToPlainText(content.data)))
            break;
    }
    for (const TypedContent &content : snapshot.contents) {
        if (text)
            break;
        if (isTextType(content.utType) || conformsTo(content.utType, types::html))
            text = decodedText(content.data, content.utType);
    }
    return text ? foldForSearch(text->left(kMaxSearchTextCharacters)) : QString();
}

QString decodedText(const QByteArray &data, const QString &type)
{
    if (conformsTo(type, types::utf16PlainText))
        return QStringDecoder(QStringDecoder::Utf16, QStringDecoder::Flag::Stateless).decode(data);
    return decodeUtf8ForDisplay(data);
}

std::optional<QString> makeTextPreview(const QByteArray &data, const QString &type)
{
    const bool richText = isRichTextType(type);
    if (!richText && !isTextType(type) && !conformsTo(type, types::html))
        return std::nullopt;
    if (richText) {
        if (const auto text = rtfToPlainText(data))
            return leftGraphemes(*text, kMaxPreviewCharacters);
    }
    return leftGraphemes(decodedText(data, type), kMaxPreviewCharacters);
}

std::optional<QByteArray> makeThumbnail(const QByteArray &imageData)
{
    QBuffer source;
    source.setData(imageData);
    QImageReader reader(&source);
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;

    const double w = image.width();
    const double h = image.height();
    const double aspect = w / h;
    const int width = h >= w ? qMax(1, int(std::lround(kThumbnailSide * aspect))) : kThumbnailSide;
    const int height = h >= w ? kThumbnailSide : qMax(1, int(std::lround(kThumbnailSide / aspect)));
    const QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return std::nullopt;

    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!scaled.save(&out, "PNG") || png.isEmpty())
        return std::nullopt;
    return png;
}

QString contentHashOf(const PasteboardSnapshot &snapshot)
{
    // OpenSSL uses the CPU's SHA instructions: a 10 MB image hashes an order
    // of magnitude faster than with a portable implementation, and hashing
    // runs on the main thread with every new copy.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    for (const TypedContent &content : snapshot.contents) {
        if (ok && !content.data.isEmpty())
            ok = EVP_DigestUpdate(context.get(), content.data.constData(), size_t(content.data.size())) == 1;
    }
    ok = ok && EVP_DigestFinal_ex(context.get(), digest, &length) == 1;
    if (!ok) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const TypedContent &content : snapshot.contents)
            hash.addData(content.data);
        return QString::fromLatin1(hash.result().toHex());
    }
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

} // namespace quillet
