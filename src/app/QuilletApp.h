#pragma once

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "ai/TextTransformManager.h"
#include "app/AppState.h"
#include "app/CommandServer.h"
#include "app/FloatingPanelController.h"
#include "app/HotkeyManager.h"
#include "app/TrayController.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "clipboard/PasteService.h"
#include "clipboard/SelectionCapture.h"
#include "launcher/AgentLoop.h"
#include "launcher/AppIndexService.h"
#include "launcher/LauncherViewModel.h"
#include "settings/LaunchAtLoginService.h"
#include "settings/SettingsViewModel.h"
#include "settings/UpdateService.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "snippets/SnippetsViewModel.h"
#include "store/Store.h"
#include "ui/settings/KeyStrokeReader.h"
#include "ui/settings/SettingsWindow.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <memory>

namespace quillet {

class Clock;
class Defaults;
class KeySynthesizer;
class LoginItems;
class Pasteboard;
class SecretStore;
class Workspace;
namespace shortcuts {
class DesktopShortcutService;
class HotKeyBackend;
class KeyboardLayout;
} // namespace shortcuts

// The composition root: every long-lived object of the running application,
// built in dependency order (platform → store → services → controllers →
// views) with references handed down. Reading the members top to bottom shows
// how data flows through Quillet; nothing hands a service back up.
class QuilletApp : public QObject {
    Q_OBJECT
public:
    // The desktop the application runs on; it outlives the application.
    struct Platform {
        Pasteboard &pasteboard;
        Workspace &workspace;
        KeySynthesizer &keys;
        LoginItems &loginItems;
        // Global shortcuts and the keyboard layout; absent without a desktop.
        shortcuts::HotKeyBackend *hotKeys;
        shortcuts::KeyboardLayout *keyboardLayout;
        // How the shortcut recorders read key events (optional).
        KeyStrokeReader keyStrokeReader;
        Defaults &defaults;
        Clock &clock;
        // Global shortcuts kept by the desktop (Wayland's portal), instead of
        // hot keys (optional).
        shortcuts::DesktopShortcutService *desktopShortcuts = nullptr;
        // How this desktop's pastes work, in the user's words.
        PasteExplanation pasteExplanation = {};
        // The desktop's keyring, for the API key (optional: without it the
        // key stays in the preferences file).
        SecretStore *secrets = nullptr;
    };

    QuilletApp(const Platform &platform, std::unique_ptr<Store> store, QObject *parent = nullptr);
    ~QuilletApp() override;

    // Starts watching the clipboard and, on the very first run, says when
    // pastes cannot be typed for the user.
    void start();

    AppState &state() { return m_state; }
    Store &store() { return *m_store; }
    ClipboardMonitor &monitor() { return m_monitor; }
    HistoryManager &history() { return m_history; }
    FloatingPanelController &panels() { return m_panels; }
    TextTransformManager &transform() { return m_transform; }
    ApiKeyStore &apiKey() { return m_apiKey; }
    shortcuts::KeyboardShortcuts &shortcuts() { return m_shortcuts; }
    PromptLibrary &prompts() { return m_prompts; }
    LauncherViewModel &launcher() { return m_launcher; }
    TrayController &tray() { return m_tray; }
    CommandServer &commandServer() { return m_commands; }
    SettingsWindow &settingsWindow() { return m_settingsWindow; }
    // Lines for the user about what cannot work in this session.
    const QStringList &notices() const { return m_notices; }

    // At most this long a quit waits for the copies made before it.
    static constexpr std::chrono::milliseconds kQuitWait { 3000 };

Q_SIGNALS:
    // The user asked Quillet to end (the tray, the panel's menu, `quillet
    // quit`), and the copies made before are stored (or kQuitWait has passed).
    void quitRequested();

private:
    void bindHotkeys();
    void bindPromptShortcuts();
    void announceRefusedShortcuts();
    void indexHistoryForSearch();
    void quitOnceCopiesAreStored();
    void quitIfSettled();

    // Platform.
    Platform m_platform;
    // Store.
    std::unique_ptr<Store> m_store;
    // Services.
    shortcuts::KeyboardShortcuts m_shortcuts;
    ExcludedAppsService m_excludedApps;
    LaunchAtLoginService m_launchAtLogin;
    UpdateService m_updates;
    // Before the settings: exports leave the key out.
    ApiKeyStore m_apiKey;
    SettingsViewModel m_settings;
    SnippetsViewModel m_snippets;
    HistoryManager m_history;
    PasteService m_paste;
    ClipboardMonitor m_monitor;
    HotkeyManager m_hotkeys;
    AIService m_ai;
    PromptLibrary m_prompts;
    SelectionCapture m_capture;
    TextTransformManager m_transform;
    AppIndexService m_appIndex;
    AgentLoop m_agent;
    LauncherViewModel m_launcher;

    // Controllers.
    AppState m_state;
    FloatingPanelController m_panels;
    TrayController m_tray;
    CommandServer m_commands;

    // Views.
    SettingsWindow m_settingsWindow;

    QStringList m_notices;
    QSet<shortcuts::Shortcut> m_announcedRefusals;
    bool m_started = false;
    bool m_quitting = false;
    bool m_quitSent = false;
};

} // namespace quillet
