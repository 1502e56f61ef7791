#pragma once

#include "store/Store.h"
#include "ui/common/AppActions.h"

#include <QStringList>

namespace quillet::test {

// Records what the views ask for; clearing goes to the real store so the
// lists can be seen to follow it.
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
    void paste(const ClipboardItem &item) override { log.append(QStringLiteral("paste ") + item.title); }
    void pasteSnippet(const Snippet &snippet) override
    {
        log.append(QStringLiteral("snippet ") + snippet.title);
    }
    void clearHistory() override
    {
        log.append(QStringLiteral("clear"));
        m_store.deleteUnpinnedItems();
    }
    void showPanel() override { log.append(QStringLiteral("show")); }
    void hidePanel() override { log.append(QStringLiteral("hide")); }

    QStringList log;

private:
    Store &m_store;
    PanelTab m_tab = PanelTab::history;
};

// Fills a store with `count` text entries titled "Entry 1" (oldest) … "Entry n" (newest).
inline void fillHistory(Store &store, int count, int firstNumber = 1)
{
    for (int n = firstNumber; n < firstNumber + count; ++n) {
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.createdAt = item.lastUsedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000 + n, Qt::UTC);
        item.title = QStringLiteral("Entry %1").arg(n);
        item.contentTypeRaw = QStringLiteral("plainText");
        store.insertItem(item, std::nullopt, {});
    }
}

} // namespace quillet::test
