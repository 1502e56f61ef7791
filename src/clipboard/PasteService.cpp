#include "clipboard/PasteService.h"

#include "clipboard/PasteboardTransfer.h"
#include "defaults/PreferenceKeys.h"

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

bool PasteService::copy(const ClipboardItem &item)
{
    const QList<ClipboardContent> contents = m_store.contents(item.id);
    if (contents.isEmpty())
        return false;
    // The caller's copy may be stale; refresh what the store holds.
    ClipboardItem current = m_store.item(item.id).value_or(item);
    current.lastUsedAt = m_clock.now();
    current.useCount += 1;
    m_store.updateItem(current);

    writeContents(contents, true, m_pasteboard);
    return true;
}

bool PasteService::paste(const ClipboardItem &item)
{
    if (!copy(item))
        return false;
    schedulePaste();
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
    writeContents({ content }, true, m_pasteboard);
    schedulePaste();
    return true;
}

void PasteService::schedulePaste()
{
    // Off: the entry stays on the clipboard for the user to paste by hand.
    if (!m_defaults.boolean(keys::pasteAfterSelection).value_or(true))
        return;
    m_clock.schedule(pasteDelay, this, [this] { simulatePaste(); });
}

void PasteService::clearHistory()
{
    m_store.deleteUnpinnedItems();
}

void PasteService::resetHistory()
{
    m_store.deleteAllItems();
}

void PasteService::simulatePaste()
{
    if (!m_keys.isTrusted())
        return;
    m_keys.postPaste();
}

} // namespace quillet
