#include "app/cli/ReadCommands.h"

#include "core/Search.h"
#include "store/HistoryExport.h"
#include "store/Store.h"

#include <QHash>
#include <QJsonArray>
#include <QStringDecoder>

namespace quillet::cli {

namespace {

QJsonValue optionalText(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QString isoDate(const QDateTime &date)
{
    return date.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject itemJson(const ClipboardItem &item, qint64 position)
{
    return {
        { QStringLiteral("position"), double(position) },
        { QStringLiteral("id"), item.id.toString(QUuid::WithoutBraces).toUpper() },
        { QStringLiteral("title"), item.title },
        { QStringLiteral("contentType"), item.contentTypeRaw },
        { QStringLiteral("isPinned"), item.isPinned },
        { QStringLiteral("createdAt"), isoDate(item.createdAt) },
        { QStringLiteral("lastUsedAt"), isoDate(item.lastUsedAt) },
        { QStringLiteral("useCount"), double(item.useCount) },
        { QStringLiteral("sourceAppBundleID"), optionalText(item.sourceAppBundleID) },
        { QStringLiteral("sourceAppName"), optionalText(item.sourceAppName) },
        { QStringLiteral("contentHash"), optionalText(item.contentHash) },
    };
}

Reply list(Store &store, const Request &request)
{
    const qint64 limit = request.value(QStringLiteral("limit")).toLongLong();
    const QString query = request.value(QStringLiteral("query")).toString();
    QJsonArray entries;
    // Positions count the whole history, so a filtered list names entries the
    // way the other commands find them.
    const QList<ClipboardItem> items = store.itemsByLastUsed(query.isEmpty() && limit > 0 ? limit : -1);
    for (qint64 index = 0; index < items.size() && (limit <= 0 || entries.size() < limit); ++index) {
        if (matchesSearch(items[index].title, query))
            entries.append(itemJson(items[index], index + 1));
    }
    return Reply::success(entries);
}

QString baseType(const QString &type)
{
    return type.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
}

QString charsetOf(const QString &type)
{
    for (const QString &parameter : type.split(QLatin1Char(';')).mid(1)) {
        const QString trimmed = parameter.trimmed().toLower();
        if (trimmed.startsWith(QLatin1String("charset=")))
            return trimmed.mid(8).remove(QLatin1Char('"'));
    }
    return QString();
}

QString normalized(const QString &type)
{
    QStringList parts = type.toLower().split(QLatin1Char(';'));
    for (QString &part : parts)
        part = part.trimmed();
    return parts.join(QLatin1Char(';'));
}

// The representation to write: the type asked for (exactly, or by its base
// type when no parameters are given), else the plain text, UTF-8 first.
const ClipboardContent *chooseContent(const QList<ClipboardContent> &contents, const QString &wanted)
{
    if (!wanted.isEmpty()) {
        for (const ClipboardContent &content : contents) {
            if (normalized(content.utTypeIdentifier) == normalized(wanted))
                return &content;
        }
        if (wanted.contains(QLatin1Char(';')))
            return nullptr;
    }
    const QString base = wanted.isEmpty() ? QStringLiteral("text/plain") : baseType(wanted);
    const ClipboardContent *chosen = nullptr;
    for (const ClipboardContent &content : contents) {
        if (baseType(content.utTypeIdentifier) != base)
            continue;
        const QString charset = charsetOf(content.utTypeIdentifier);
        if (charset == QLatin1String("utf-8") || charset == QLatin1String("utf8"))
            return &content;
        if (!chosen)
            chosen = &content;
    }
    return chosen;
}

Reply get(Store &store, const Request &request)
{
    QString error;
    const qint64 position = request.value(QStringLiteral("position")).toLongLong();
    const auto item = itemAtPosition(store, position, &error);
    if (!item)
        return Reply::failure(error);
    const QString wanted = request.value(QStringLiteral("type")).toString();
    const QList<ClipboardContent> contents = store.contents(item->id);
    const ClipboardContent *content = chooseContent(contents, wanted);
    if (!content || !content->data) {
        QStringList types;
        for (const ClipboardContent &each : contents)
            types.append(each.utTypeIdentifier);
        const QString what = wanted.isEmpty() ? QStringLiteral("plain text") : wanted;
        return Reply::failure(types.isEmpty() ? QStringLiteral("entry %1 has no stored content").arg(position)
                                              : QStringLiteral("entry %1 has no %2; it has %3")
                                                    .arg(position)
                                                    .arg(what, types.join(QLatin1String(", "))));
    }
    QByteArray data = *content->data;
    QString type = content->utTypeIdentifier;
    // Plain text is written as UTF-8 whatever its stored charset, unless a
    // charset was asked for.
    const QString charset = charsetOf(type);
    if (!wanted.contains(QLatin1Char(';')) && baseType(type) == QLatin1String("text/plain")
        && !charset.isEmpty() && charset != QLatin1String("utf-8") && charset != QLatin1String("utf8")) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid()) {
            data = QString(decoder(data)).toUtf8();
            type = QStringLiteral("text/plain;charset=utf-8");
        }
    }
    return Reply::success(QJsonObject {
        { QStringLiteral("type"), type }, { QStringLiteral("data"), QString::fromLatin1(data.toBase64()) } });
}

Reply snippets(Store &store)
{
    QHash<QUuid, SnippetFolder> folders;
    QList<QUuid> folderOrder;
    for (const SnippetFolder &folder : store.folders()) {
        folders.insert(folder.id, folder);
        folderOrder.append(folder.id);
    }
    QList<Snippet> all = store.allSnippets();
    // By folder (in the folders' order, folderless snippets last), then by their own order.
    std::stable_sort(all.begin(), all.end(), [&](const Snippet &a, const Snippet &b) {
        const auto rank = [&](const Snippet &snippet) {
            const qsizetype index = snippet.folder ? folderOrder.indexOf(*snippet.folder) : -1;
            return index < 0 ? folderOrder.size() : index;
        };
        return rank(a) < rank(b);
    });
    QJsonArray result;
    for (const Snippet &snippet : all) {
        const auto folder = snippet.folder ? folders.constFind(*snippet.folder) : folders.constEnd();
        result.append(QJsonObject {
            { QStringLiteral("id"), snippet.id.toString(QUuid::WithoutBraces).toUpper() },
            { QStringLiteral("title"), snippet.title },
            { QStringLiteral("folder"),
                folder != folders.constEnd() ? QJsonValue(folder->name) : QJsonValue(QJsonValue::Null) },
            { QStringLiteral("sortOrder"), double(snippet.sortOrder) },
            { QStringLiteral("contentType"), snippet.contentUTType },
            { QStringLiteral("textContent"), optionalText(snippet.textContent) },
            { QStringLiteral("createdAt"), isoDate(snippet.createdAt) },
        });
    }
    return Reply::success(result);
}

} // namespace

std::optional<ClipboardItem> itemAtPosition(Store &store, qint64 position, QString *error)
{
    const QList<ClipboardItem> items = store.itemsByLastUsed(position);
    if (position >= 1 && items.size() >= position)
        return items[position - 1];
    *error = items.isEmpty()
        ? QStringLiteral("there is no entry %1: the history is empty").arg(position)
        : QStringLiteral("there is no entry %1: the history holds %2 %3")
              .arg(position)
              .arg(items.size())
              .arg(items.size() == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
    return std::nullopt;
}

Reply executeReadCommand(Store &store, const Request &request, const QStringList &secrets)
{
    // A stand-in reads as empty; an answer from it would pass for an empty history.
    if (!store.isAvailable())
        return Reply::failure(
            QStringLiteral("the history is not available: %1").arg(store.unavailableReason()));
    const QString &name = request.command->name;
    if (name == QLatin1String("list"))
        return list(store, request);
    if (name == QLatin1String("get"))
        return get(store, request);
    if (name == QLatin1String("export")) {
        const std::optional<QByteArray> document = historyExportDocument(store, secrets);
        if (!document)
            return Reply::failure(QStringLiteral("The history could not be read from the store."));
        return Reply::success(QString::fromUtf8(*document));
    }
    if (name == QLatin1String("snippets"))
        return snippets(store);
    return Reply::failure(QStringLiteral("%1 is not a reading command").arg(name));
}

} // namespace quillet::cli
