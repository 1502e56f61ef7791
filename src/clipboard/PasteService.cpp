#include "clipboard/PasteService.h"

#include "clipboard/PasteboardTransfer.h"
#include "defaults/PreferenceKeys.h"

#include <QFutureWatcher>

namespace quillet {

void simulatePasteWhenWritten(QObject *context, Clock &clock, std::chrono::milliseconds delay,
    KeySynthesizer &keys, const QFuture<void> &written, std::optional<WindowId> target)
{
    const auto post = [&keys, target] {
        if (keys.isTrusted())
            keys.postPaste(target);
    };
    clock.schedule(delay, context, [context, written, post] {
        if (written.isFinished()) {
            post();
            return;
        }
        auto *watcher = new QFutureWatcher<void>(context);
        QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, post] {
            watcher->deleteLater();
            post();
        });
        watcher->setFuture(written);
    });
}

PasteService::PasteService(Store &store, Pasteboard &pasteboard, KeySynthesizer &keys, Defaults &defaults,
    Clock &clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_pasteboard(pasteboard)
    , m_keys(keys)
    , m_defaults(defaults)
    , m_clock(clock)
{
}

std::optional<QFuture<void>> PasteService::copy(const ClipboardItem &item)
{
    const QList<ClipboardContent> contents = m_store.contents(item.id);
    if (contents.isEmpty())
        return std::nullopt;
    // The caller's copy may be stale; refresh what the store holds.
    ClipboardItem current = m_store.item(item.id).value_or(item);
    current.lastUsedAt = m_clock.now();
    current.useCount += 1;
    m_store.updateItem(current);

    return writeContents(contents, true, m_pasteboard);
}

bool PasteService::paste(const ClipboardItem &item)
{
    const std::optional<QFuture<void>> written = copy(item);
    if (!written)
        return false;
    schedulePaste(*written);
    return true;
}

bool PasteService::pasteSnippet(const Snippet &snippet)
{
    const std::optional<QByteArray> data = m_store.snippetContentData(snippet.id);
    if (!data)
        return false;
    ClipboardContent content;
    content.id = QUuid::createUuid();
    content.utTypeIdentifier = snippet.contentUTType;
    content.data = data;
    content.dataSize = data->size();
    schedulePaste(writeContents({ content }, true, m_pasteboard));
    return true;
}

bool PasteService::pastesAfterSelection() const
{
    return m_defaults.boolean(keys::pasteAfterSelection).value_or(true);
}

void PasteService::schedulePaste(const QFuture<void> &written)
{
    // The caller closes its panels next, which forgets the target.
    const std::optional<WindowId> target = m_pasteTarget;
    // Without a target or with the preference off, the entry stays on the
    // clipboard for the user to paste by hand.
    if (!target || !pastesAfterSelection())
        return;
    simulatePasteWhenWritten(this, m_clock, pasteDelay, m_keys, written, target);
}

void PasteService::offerNewestEntry()
{
    const QList<ClipboardItem> newest = m_store.itemsByLastUsed(1);
    if (newest.isEmpty())
        return;
    const QList<ClipboardContent> contents = m_store.contents(newest.first().id);
    if (!contents.isEmpty())
        m_pasteboard.restore({ pasteboardItemOf(contents, true) });
}

void PasteService::clearHistory()
{
    m_store.deleteUnpinnedItems();
}

void PasteService::resetHistory()
{
    m_store.deleteAllItems();
}

} // namespace quillet
