#include "clipboard/TypeRegistry.h"

#include <QHash>
#include <QMimeDatabase>

namespace quillet {

namespace {

QString baseOf(const QString &normalized)
{
    const qsizetype semicolon = normalized.indexOf(QLatin1Char(';'));
    return semicolon < 0 ? normalized : normalized.left(semicolon);
}

// Direct parents in the type hierarchy; conformance follows them transitively.
QStringList parentsOf(const QString &type)
{
    const QString base = baseOf(type);
    // A type with parameters (a charset, a format) is a variant of its base.
    if (type != base)
        return { base };
    if (base == QLatin1String("application/rtf") && type == base)
        return { types::rtf };
    if (base.startsWith(QLatin1String("image/")) && type != types::image)
        return { types::image };
    if (type == types::fileURL)
        return { types::url };
    return {};
}

} // namespace

QString normalizedType(const QString &type)
{
    QString out;
    out.reserve(type.size());
    for (QChar c : type) {
        if (!c.isSpace())
            out.append(c.toLower());
    }
    return out;
}

bool conformsTo(const QString &type, const QString &supertype)
{
    const QString target = normalizedType(supertype);
    QString current = normalizedType(type);
    // The hierarchy is at most a few levels deep and has no cycles.
    for (int depth = 0; depth < 8; ++depth) {
        if (current == target)
            return true;
        const QStringList parents = parentsOf(current);
        if (parents.isEmpty())
            return false;
        current = parents.first();
    }
    return false;
}

bool isKnownType(const QString &type)
{
    static const QStringList registry { types::html, types::rtf, types::rtfd, types::plainText,
        types::utf8PlainText, types::utf16PlainText, types::png, types::tiff, types::jpeg, types::gif,
        types::bmp, types::fileURL, types::url, QStringLiteral("application/rtf") };
    const QString normalized = normalizedType(type);
    if (registry.contains(normalized))
        return true;
    const QString base = baseOf(normalized);
    if (!base.contains(QLatin1Char('/')))
        return false; // X11 atoms such as TARGETS or UTF8_STRING
    static thread_local QHash<QString, bool> cache;
    auto it = cache.constFind(base);
    if (it == cache.constEnd())
        it = cache.insert(base, QMimeDatabase().mimeTypeForName(base).isValid());
    return *it;
}

const QStringList &supportedStorageTypes()
{
    static const QStringList list { types::png, types::tiff, types::jpeg, types::gif, types::bmp, types::rtfd,
        types::rtf, types::html, types::utf8PlainText, types::plainText, types::fileURL, types::url };
    return list;
}

QString storageTypeFor(const QString &type)
{
    for (const QString &candidate : supportedStorageTypes()) {
        if (conformsTo(type, candidate))
            return candidate;
    }
    return {};
}

} // namespace quillet
