#pragma once

#include "ui/AppActions.h"

namespace quillet {

class HistoryManager;
class PasteService;
class SnippetsViewModel;

// What the running application shows and the actions its views call: whether
// the floating history panel and the tray popup are shown, which list the
// panel shows, pasting and clearing. The window owners follow this state (the
// floating panel controller shows and closes the panel as isPanelVisible
// changes); nothing here builds windows or services. Main thread only.
class AppState : public AppActions {
    Q_OBJECT
    Q_PROPERTY(bool isPanelVisible READ isPanelVisible NOTIFY isPanelVisibleChanged)
    Q_PROPERTY(
        bool isPopoverVisible READ isPopoverVisible WRITE setPopoverVisible NOTIFY isPopoverVisibleChanged)
public:
    AppState(
        PasteService &paste, HistoryManager &history, SnippetsViewModel &snippets, QObject *parent = nullptr);

    bool isPanelVisible() const { return m_panelVisible; }
    bool isPopoverVisible() const { return m_popoverVisible; }
    void setPopoverVisible(bool visible);

    // Shows the panel, or brings a shown one to the front.
    void showPanel() override;
    void hidePanel() override;
    void togglePanel();

    PanelTab panelTab() const override { return m_panelTab; }
    void setPanelTab(PanelTab tab) override;

    // A paste closes the popup and the panel first; an entry with nothing
    // to paste leaves both open.
    void paste(const ClipboardItem &item) override;
    void pasteSnippet(const Snippet &snippet) override;
    void clearHistory() override;
    void setPinned(const ClipboardItem &item, bool pinned) override;
    void remove(const ClipboardItem &item) override;
    // The new snippet opens in the settings window; the panel and the popup
    // close so they do not cover it.
    void saveAsSnippet(const ClipboardItem &item) override;

    void openSettings() override;
    void quit() override;

Q_SIGNALS:
    void isPanelVisibleChanged();
    void isPopoverVisibleChanged();
    // Every showPanel(), also when the panel is already shown.
    void panelShowRequested();

private:
    void setPanelVisible(bool visible);
    void closePanels();

    PasteService &m_paste;
    HistoryManager &m_history;
    SnippetsViewModel &m_snippets;
    bool m_panelVisible = false;
    bool m_popoverVisible = false;
    PanelTab m_panelTab = PanelTab::history;
};

} // namespace quillet
