#pragma once

#include "store/Store.h"
#include "ui/AppActions.h"

#include <QStringList>

namespace quillet::test {

// Records what the views ask for. Pasting, pinning, removing and clearing
// also change the real store as the application does, so the lists can be
// seen to follow it.
class RecordingActions final : public AppActions {
public:
    explicit RecordingActions(Store &store)
        : m_store(store)
    {
    }
    PanelTab panelTab() const override { return m_tab; }
    void setPanelTab(PanelTab tab) override
    {
        if (tab == m_tab)
            return;
        m_tab = tab;
        Q_EMIT panelTabChanged();
    }
    void paste(const ClipboardItem &item) override
    {
        log.append(QStringLiteral("paste ") + item.title);
        if (auto used = m_store.item(item.id)) {
            used->lastUsedAt = QDateTime::currentDateTimeUtc();
            used->useCount += 1;
            m_store.updateItem(*used);
        }
    }
    void pasteSnippet(const Snippet &snippet) override
    {
        log.append(QStringLiteral("snippet ") + snippet.title);
    }
    void clearHistory() override
    {
        log.append(QStringLiteral("clear"));
        m_store.deleteUnpinnedItems();
    }
    ClearCounts clearCounts() override
    {
        const qint64 unpinned = m_store.unpinnedItemsByLastUsed().size();
        return { unpinned, m_store.itemCount() - unpinned };
    }
    bool undoRemoval() override
    {
        log.append(QStringLiteral("undo"));
        return true;
    }
    void setPinned(const ClipboardItem &item, bool pinned) override
    {
        log.append((pinned ? QStringLiteral("pin ") : QStringLiteral("unpin ")) + item.title);
        if (auto stored = m_store.item(item.id)) {
            stored->isPinned = pinned;
            m_store.updateItem(*stored);
        }
    }
    void remove(const ClipboardItem &item) override
    {
        log.append(QStringLiteral("remove ") + item.title);
        m_store.deleteItems({ item.id });
    }
    void saveAsSnippet(const ClipboardItem &item) override
    {
        log.append(QStringLiteral("save as snippet ") + item.title);
    }
    void showPanel() override { log.append(QStringLiteral("show")); }
    void hidePanel() override { log.append(QStringLiteral("hide")); }
    void openSettings() override { log.append(QStringLiteral("settings")); }
    void quit() override { log.append(QStringLiteral("quit")); }

    QStringList log;

private:
    Store &m_store;
    PanelTab m_tab = PanelTab::history;
};

} // namespace quillet::test
