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

void readItems(PasteboardContents &contents, const ReadPlan &plan,
    const std::function<std::optional<QByteArray>(const QString &type)> &fetch)
{
    const QString uriList = QStringLiteral("text/uri-list");
    const QStringList chosen = plan.choose ? plan.choose(contents.types) : contents.types;
    PasteboardItem first;
    QList<PasteboardItem> more;
    for (const QString &type : chosen) {
        if (!contents.types.contains(type))
            continue;
        const std::optional<QByteArray> data = fetch(type);
        if (!data)
            continue;
        const QList<QByteArray> uris = type == uriList ? splitUriList(*data) : QList<QByteArray>();
        if (uris.size() > 1) {
            first.representations.append({ type, uris.first() });
            for (qsizetype i = 1; i < uris.size(); ++i)
                more.append(PasteboardItem { { { type, uris.at(i) } } });
        } else {
            first.representations.append({ type, *data });
        }
        if (plan.proceed && !plan.proceed(type, *data))
            break;
    }
    if (!first.representations.isEmpty() || !more.isEmpty())
        contents.items = QList<PasteboardItem> { first } + more;
}

} // namespace quillet
