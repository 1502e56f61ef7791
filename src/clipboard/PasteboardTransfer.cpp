#include "clipboard/PasteboardTransfer.h"

#include "clipboard/TypeRegistry.h"

#include <QCoroFuture>

namespace quillet {

namespace {

// The image type to read from an offer, or an empty string if it has none.
QString chosenImageType(const QStringList &offered)
{
    QString firstImage;
    for (const QString &type : offered) {
        if (!conformsTo(type, types::image))
            continue;
        if (normalizedType(type) == types::png)
            return type;
        if (firstImage.isEmpty() && !storageTypeFor(type).isEmpty())
            firstImage = type;
    }
    if (firstImage.isEmpty()) {
        // No storable format: keep the first, so the copy still reads as an image.
        for (const QString &type : offered) {
            if (conformsTo(type, types::image))
                return type;
        }
    }
    return firstImage;
}

bool isSecretHint(const QByteArray &value)
{
    return value.trimmed() == "secret";
}

} // namespace

ReadPlan capturePlan()
{
    ReadPlan plan;
    plan.choose = [](const QStringList &offered) {
        QStringList chosen;
        if (offered.contains(types::selfMarker))
            return chosen;
        if (offered.contains(types::passwordManagerHint))
            chosen.append(types::passwordManagerHint);
        const QString imageType = chosenImageType(offered);
        for (const QString &type : offered) {
            if (!isKnownType(type) || chosen.contains(type))
                continue;
            if (conformsTo(type, types::image) && type != imageType)
                continue;
            chosen.append(type);
        }
        return chosen;
    };
    plan.proceed = [](const QString &type, const QByteArray &data) {
        return type != types::passwordManagerHint || !isSecretHint(data);
    };
    return plan;
}

PasteboardSnapshot snapshotOf(
    const PasteboardContents &contents, const std::optional<RunningApplication> &source)
{
    PasteboardSnapshot snapshot;
    snapshot.changeCount = contents.changeCount;
    snapshot.hasSelfMarker = contents.types.contains(types::selfMarker);
    if (source) {
        snapshot.sourceAppBundleID = source->id;
        snapshot.sourceAppName = source->name;
    }
    for (const PasteboardItem &item : contents.items) {
        for (const auto &[type, data] : item.representations) {
            if (type == types::passwordManagerHint)
                snapshot.isSecret = snapshot.isSecret || isSecretHint(data);
        }
    }
    if (snapshot.hasSelfMarker || snapshot.isSecret)
        return snapshot;
    for (const PasteboardItem &item : contents.items) {
        for (const auto &[type, data] : item.representations) {
            if (type == types::passwordManagerHint || !isKnownType(type)
                || data.size() > kMaxRepresentationBytes)
                continue;
            snapshot.contents.append({ type, data });
        }
    }
    return snapshot;
}

QCoro::Task<PasteboardSnapshot> capture(Pasteboard &pasteboard, Workspace &workspace)
{
    const std::optional<RunningApplication> source = workspace.frontmostApplication();
    const PasteboardContents contents = co_await pasteboard.read(capturePlan());
    co_return snapshotOf(contents, source);
}

QFuture<void> writeContents(const QList<ClipboardContent> &contents, bool withMarker, Pasteboard &pasteboard)
{
    return pasteboard.write({ pasteboardItemOf(contents, withMarker) });
}

PasteboardItem pasteboardItemOf(const QList<ClipboardContent> &contents, bool withMarker)
{
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
    return item;
}

} // namespace quillet
