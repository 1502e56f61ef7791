#pragma once

#include "platform/x11/PlatformServices.h"

#include <QObject>

#include <memory>

namespace quillet {

class AppState;
class Defaults;
class SettingsViewModel;
class SettingsWindow;
class UpdateService;
class SnippetsViewModel;
class Store;
class TrayController;
namespace shortcuts {
class HotKeyBackend;
class KeyboardLayout;
class KeyboardShortcuts;
} // namespace shortcuts

// The composition root: chooses the platform implementations, opens the store
// and creates the long-lived objects in start-up order, then shows the tray.
class QuilletApp : public QObject {
    Q_OBJECT
public:
    explicit QuilletApp(Defaults &defaults, QObject *parent = nullptr);
    ~QuilletApp() override;

    AppState &appState() { return *m_appState; }
    Store &store() { return *m_store; }
    TrayController *tray() const { return m_tray.get(); }
    SettingsWindow &settingsWindow() { return *m_settingsWindow; }
    // Lines for the user about what cannot work in this session.
    const QStringList &notices() const { return m_notices; }

private:
    Defaults &m_defaults;
    PlatformServices m_platform;
    std::unique_ptr<shortcuts::HotKeyBackend> m_hotKeyBackend;
    std::unique_ptr<shortcuts::KeyboardLayout> m_layout;
    std::unique_ptr<shortcuts::KeyboardShortcuts> m_shortcuts;
    std::unique_ptr<AppState> m_appState;
    std::unique_ptr<SnippetsViewModel> m_snippets;
    std::unique_ptr<SettingsViewModel> m_settings;
    std::unique_ptr<UpdateService> m_updates;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<TrayController> m_tray;
    QStringList m_notices;
};

} // namespace quillet
