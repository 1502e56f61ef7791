#pragma once

#include "ui/common/AppActions.h"

namespace quillet::test {

// Views in screenshots only need a tab to show; their actions do nothing.
class ShotActions final : public AppActions {
public:
    PanelTab panelTab() const override { return m_tab; }
    void setPanelTab(PanelTab tab) override
    {
        if (tab == m_tab)
            return;
        m_tab = tab;
        Q_EMIT panelTabChanged();
    }
    void paste(const ClipboardItem &) override { }
    void pasteSnippet(const Snippet &) override { }
    void clearHistory() override { }
    void showPanel() override { }
    void hidePanel() override { }

private:
    PanelTab m_tab = PanelTab::history;
};

} // namespace quillet::test
