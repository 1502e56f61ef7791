#include "clipboard/PasteService.h"

#include "clipboard/PasteboardTransfer.h"
#include "defaults/PreferenceKeys.h"

#include <QFutureWatcher>

namespace quillet {

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

void PasteService::setCloseHandlers(std::function<void()> closePopover, std::function<void()> hidePanel)
{
    m_closePopover = std::move(closePopover);
    m_hidePanel = std::move(hidePanel);
}

void PasteService::paste(const ClipboardItem &item)
{
    const QList<ClipboardContent> contents = m_store.contents(item.id);
    if (contents.isEmpty())
        return;
    // The caller's copy may be stale; refresh what the store holds.
    ClipboardItem current = m_store.item(item.id).value_or(item);
    current.lastUsedAt = m_clock.now();
    current.useCount += 1;
    m_store.updateItem(current);

    closePanelsAndPaste(writeContents(contents, true, m_pasteboard));
}

void PasteService::pasteSnippet(const Snippet &snippet)
{
    const std::optional<QByteArray> data = m_store.snippetContentData(snippet.id);
    if (!data)
        return;
    ClipboardContent content;
    content.id = QUuid::createUuid();
    content.utTypeIdentifier = snippet.contentUTType;
    content.data = data;
    content.dataSize = data->size();
    closePanelsAndPaste(writeContents({ content }, true, m_pasteboard));
}

void PasteService::closePanelsAndPaste(const QFuture<void> &written)
{
    // Closing the panels forgets the target.
    const std::optional<WindowId> target = m_pasteTarget;
    if (m_closePopover)
        m_closePopover();
    if (m_hidePanel)
        m_hidePanel();
    // Without a target or with the preference off, the entry stays on the
    // clipboard for the user to paste by hand.
    if (!target || !m_defaults.boolean(keys::pasteAfterSelection).value_or(true))
        return;
    m_clock.schedule(pasteDelay, this, [this, written, target] {
        if (written.isFinished()) {
            simulatePaste(target);
            return;
        }
        auto *watcher = new QFutureWatcher<void>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, target] {
            watcher->deleteLater();
            simulatePaste(target);
        });
        watcher->setFuture(written);
    });
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

void PasteService::simulatePaste(std::optional<WindowId> target)
{
    if (!m_keys.isTrusted())
        return;
    m_keys.postPaste(target);
}

} // namespace quillet
