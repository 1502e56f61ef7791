#pragma once

#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "settings/LaunchAtLoginService.h"
#include "ui/common/AppActions.h"

#include <memory>

namespace quillet {

class Clock;
class Defaults;
class FloatingPanelController;
class HotkeyManager;
class KeySynthesizer;
class LoginItems;
class Pasteboard;
class SnippetsViewModel;
class Store;
class Workspace;
namespace shortcuts {
class KeyboardShortcuts;
}

// The hub of the running application: it owns the services, the panels'
// visibility and the panel's tab; hot keys, the clipboard monitor and the
// views reach each other through it. Main thread only.
class AppState : public AppActions {
    Q_OBJECT
    Q_PROPERTY(bool isPanelVisible READ isPanelVisible NOTIFY isPanelVisibleChanged)
    Q_PROPERTY(
        bool isPopoverVisible READ isPopoverVisible WRITE setPopoverVisible NOTIFY isPopoverVisibleChanged)
public:
    // The desktop services the application runs on; they outlive AppState.
    struct Platform {
        Pasteboard &pasteboard;
        Workspace &workspace;
        KeySynthesizer &keys;
        LoginItems &loginItems;
        Defaults &defaults;
        Clock &clock;
        shortcuts::KeyboardShortcuts &shortcuts;
    };

    explicit AppState(const Platform &platform, QObject *parent = nullptr);
    ~AppState() override;

    // Creates the history manager, the panel controller and the clipboard
    // monitor, installs the hot keys and takes the first-run step. Called once.
    void setup(Store &store, SnippetsViewModel &snippets);

    ExcludedAppsService &excludedAppsService() { return *m_excludedApps; }
    LaunchAtLoginService &launchAtLoginService() { return *m_launchAtLogin; }
    HotkeyManager &hotkeyManager() { return *m_hotkeys; }
    HistoryManager *historyManager() const { return m_history.get(); }
    ClipboardMonitor *clipboardMonitor() const { return m_monitor.get(); }
    PasteService *pasteService() const { return m_paste.get(); }
    Store *modelContext() const { return m_store; }
    FloatingPanelController *panelController() const { return m_panelController.get(); }
    const Platform &platform() const { return m_platform; }

    bool isPanelVisible() const { return m_panelVisible; }
    bool isPopoverVisible() const { return m_popoverVisible; }
    // Shown as the tray popup opens over the window active until then (the
    // target of its pastes), hidden as it closes.
    void setPopoverVisible(bool visible);

    void showPanel() override;
    void hidePanel() override;
    void togglePanel();

    PanelTab panelTab() const override { return m_panelTab; }
    void setPanelTab(PanelTab tab) override;

    void paste(const ClipboardItem &item) override;
    void pasteSnippet(const Snippet &snippet) override;
    void clearHistory() override;

    // Whether synthetic key presses can be posted (X11: the XTest extension).
    bool requestAccessibility();

Q_SIGNALS:
    void isPanelVisibleChanged();
    void isPopoverVisibleChanged();
    // Said once, on the first run, when pastes cannot be typed for the user.
    void accessibilityUnavailable(const QString &message);

private:
    void setPanelVisible(bool visible);
    void startMonitoring();
    void setupHotkeys();

    Platform m_platform;
    std::unique_ptr<ExcludedAppsService> m_excludedApps;
    std::unique_ptr<LaunchAtLoginService> m_launchAtLogin;
    std::unique_ptr<HotkeyManager> m_hotkeys;
    Store *m_store = nullptr;
    std::unique_ptr<HistoryManager> m_history;
    std::unique_ptr<PasteService> m_paste;
    std::unique_ptr<FloatingPanelController> m_panelController;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    bool m_panelVisible = false;
    bool m_popoverVisible = false;
    PanelTab m_panelTab = PanelTab::history;
};

} // namespace quillet
