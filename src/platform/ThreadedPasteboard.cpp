#include "platform/ThreadedPasteboard.h"

#include <algorithm>

namespace quillet {

PasteboardItem mergedItem(const QList<PasteboardItem> &items)
{
    const QString uriList = QStringLiteral("text/uri-list");
    PasteboardItem merged;
    for (const PasteboardItem &item : items) {
        for (const auto &representation : item.representations) {
            const QString &type = representation.first;
            const QByteArray &data = representation.second;
            auto existing = std::find_if(merged.representations.begin(), merged.representations.end(),
                [&](const auto &pair) { return pair.first == type; });
            if (existing == merged.representations.end()) {
                merged.representations.append({ type, data });
            } else if (type == uriList && !data.isEmpty()) {
                QByteArray &list = existing->second;
                if (!list.isEmpty() && !list.endsWith('\n'))
                    list.append("\r\n");
                list.append(data);
            }
        }
    }
    return merged;
}

QList<QByteArray> splitUriList(const QByteArray &list)
{
    QList<QByteArray> uris;
    for (QByteArray line : list.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty() && !line.startsWith('#'))
            uris.append(line);
    }
    return uris;
}

} // namespace quillet
