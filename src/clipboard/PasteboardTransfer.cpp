#include "clipboard/PasteboardTransfer.h"

#include "clipboard/TypeRegistry.h"

namespace quillet {

namespace {

// The image type to read from an item, or an empty string if it has none.
QString chosenImageType(const QStringList &itemTypes)
{
    QString firstImage;
    for (const QString &type : itemTypes) {
        if (!conformsTo(type, types::image))
            continue;
        if (normalizedType(type) == types::png)
            return type;
        if (firstImage.isEmpty() && !storageTypeFor(type).isEmpty())
            firstImage = type;
    }
    if (firstImage.isEmpty()) {
        // No storable format: keep the first, so the copy still reads as an image.
        for (const QString &type : itemTypes) {
            if (conformsTo(type, types::image))
                return type;
        }
    }
    return firstImage;
}

} // namespace

PasteboardSnapshot capture(Pasteboard &pasteboard, Workspace &workspace)
{
    PasteboardSnapshot snapshot;
    const QStringList offered = pasteboard.types();
    snapshot.hasSelfMarker = offered.contains(types::selfMarker);
    if (offered.contains(types::passwordManagerHint)) {
        const auto hint = pasteboard.data(0, types::passwordManagerHint);
        snapshot.isSecret = hint && hint->trimmed() == "secret";
    }

    if (const auto front = workspace.frontmostApplication()) {
        snapshot.sourceAppBundleID = front->id;
        snapshot.sourceAppName = front->name;
    }

    if (!snapshot.hasSelfMarker && !snapshot.isSecret) {
        const int items = pasteboard.itemCount();
        for (int index = 0; index < items; ++index) {
            const QStringList itemTypes = pasteboard.itemTypes(index);
            const QString imageType = chosenImageType(itemTypes);
            for (const QString &type : itemTypes) {
                if (!isKnownType(type))
                    continue;
                if (conformsTo(type, types::image) && type != imageType)
                    continue;
                const auto data = pasteboard.data(index, type);
                if (!data || data->size() > kMaxRepresentationBytes)
                    continue;
                snapshot.contents.append({ type, *data });
            }
        }
    }

    snapshot.changeCount = pasteboard.changeCount();
    return snapshot;
}

void writeContents(const QList<ClipboardContent> &contents, bool withMarker, Pasteboard &pasteboard)
{
    pasteboard.clear();

    PasteboardItem item;
    auto &representations = item.representations;
    for (const ClipboardContent &content : contents) {
        if (!content.data)
            continue;
        const QString &type = content.utTypeIdentifier;
        auto existing = std::find_if(representations.begin(), representations.end(),
            [&](const auto &pair) { return pair.first == type; });
        if (existing == representations.end()) {
            representations.append({ type, *content.data });
        } else if (normalizedType(type) == types::fileURL) {
            QByteArray &list = existing->second;
            if (!list.isEmpty() && !list.endsWith('\n'))
                list.append("\r\n");
            list.append(*content.data);
        } else {
            existing->second = *content.data;
        }
    }
    if (withMarker)
        representations.append({ types::selfMarker, QByteArray() });

    pasteboard.write({ item });
}

} // namespace quillet
