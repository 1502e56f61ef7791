#pragma once

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace quillet {

// One item on the pasteboard: its representations, each a type and its bytes,
// in order. Types are unique within an item.
struct PasteboardItem {
    QList<std::pair<QString, QByteArray>> representations;

    friend bool operator==(const PasteboardItem &, const PasteboardItem &) = default;
};

// Which selection a text read looks at: the clipboard, or the text the user
// has selected right now (X11's PRIMARY; where the desktop has no such thing
// it reads as empty).
enum class Selection { clipboard, primary };

// What a read fetches, decided from the offered types alone. Both functions
// run on the pasteboard's own thread while the read is in progress, so they
// must be pure and touch nothing shared.
struct ReadPlan {
    // Given every offered type, as the owner names it, the types to fetch, in
    // the order to fetch them. Types not offered are ignored.
    std::function<QStringList(const QStringList &offered)> choose;
    // Optional: shown each fetched representation in turn; false ends the
    // read there (nothing more is fetched).
    std::function<bool(const QString &type, const QByteArray &data)> proceed;
};

// One read of the whole clipboard.
struct PasteboardContents {
    // The change count when the read began.
    qint64 changeCount = 0;
    // Every offered type, as the owner names it (not filtered: the
    // self-marker and the password-manager hint are found here).
    QStringList types;
    // The fetched representations, item by item, each in the plan's order;
    // types the owner gave no data for are absent.
    QList<PasteboardItem> items;
};

// The system clipboard as Quillet sees it: a change count that moves with
// every change of owner or contents, reads that never block the caller, and
// writes that replace everything at once.
//
// The change count may be read from any thread. Everything else is called
// from the main thread; results come back as futures that finish on the
// pasteboard's own time, and signals arrive on the main thread.
//
// On X11 the CLIPBOARD selection is one item, except that a text/uri-list of
// several URIs is read as one item per URI (the first carries every other
// type), the way a file manager's multi-file copy reads elsewhere.
class Pasteboard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual qint64 changeCount() const = 0;
    // Whether `changed` is emitted on every change; without it the change
    // count must be polled.
    virtual bool notifiesChanges() const = 0;
    // Where changes are not notified: looks whether the clipboard changed
    // since the last look, so that the count moves (and `changed` follows).
    virtual void checkForChanges() { }

    // Reads what `plan` chooses of the current contents.
    virtual QFuture<PasteboardContents> read(ReadPlan plan) = 0;
    // The plain-text reading of a selection, if any.
    virtual QFuture<std::optional<QString>> readText(Selection selection = Selection::clipboard) = 0;

    // Empties the clipboard. The future finishes once the change is in
    // effect (the change count has moved); callers need not wait for it.
    virtual QFuture<void> clear() = 0;
    // Replaces the contents with `items`, in order; finishes like clear().
    virtual QFuture<void> write(const QList<PasteboardItem> &items) = 0;
    // Like write(), for a clipboard whose owner went away (`ownerLost`):
    // does nothing when a newer copy has taken its place meanwhile.
    virtual QFuture<void> restore(const QList<PasteboardItem> &items) = 0;

Q_SIGNALS:
    // The change count moved.
    void changed();
    // The clipboard lost its owner (the application that copied exited) and
    // offers nothing now.
    void ownerLost();
};

} // namespace quillet
