#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace quillet {

// One item written to the pasteboard: its representations, each a type and its
// bytes, in order. Types are unique within an item.
struct PasteboardItem {
    QList<std::pair<QString, QByteArray>> representations;

    friend bool operator==(const PasteboardItem &, const PasteboardItem &) = default;
};

// The system clipboard as Quillet sees it: a change count that moves with every
// change of owner or contents, a list of items each offering typed data, and
// writes that replace everything at once.
//
// On X11 the CLIPBOARD selection is one item, except that a text/uri-list of
// several URIs is offered as one item per URI (the first carries every other
// type), the way a file manager's multi-file copy reads elsewhere.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    virtual qint64 changeCount() = 0;

    // Every type offered, as the owner names it (not filtered: the self-marker
    // and the password-manager hint are found here).
    virtual QStringList types() = 0;

    virtual int itemCount() = 0;
    // The types item `index` offers, in the owner's order.
    virtual QStringList itemTypes(int index) = 0;
    // The bytes of one type of one item; nothing when the owner gives none.
    virtual std::optional<QByteArray> data(int index, const QString &type) = 0;

    // The plain-text reading of the pasteboard, if any.
    virtual std::optional<QString> string() = 0;

    // Empties the pasteboard (the change count moves).
    virtual void clear() = 0;

    // Replaces the contents with `items`, in order (the change count moves).
    virtual void write(const QList<PasteboardItem> &items) = 0;
};

} // namespace quillet
