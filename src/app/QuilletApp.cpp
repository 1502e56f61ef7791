#include "app/QuilletApp.h"

#include "app/AppState.h"
#include "app/HotkeyManager.h"
#include "app/TrayController.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "settings/SettingsViewModel.h"
#include "settings/UpdateService.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/x11/X11HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"
#include "shortcuts/x11/X11KeyboardLayout.h"
#include "snippets/SnippetsViewModel.h"
#include "store/ModelContainer.h"
#include "ui/settings/SettingsWindow.h"

namespace quillet {

QuilletApp::QuilletApp(Defaults &defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_platform(makePlatformServices())
{
    m_notices = m_platform.unavailableFeatures;
    if (Display *display = shortcuts::x11::applicationDisplay()) {
        m_hotKeyBackend = std::make_unique<shortcuts::x11::X11HotKeyBackend>(display);
        m_layout = std::make_unique<shortcuts::x11::X11KeyboardLayout>(display);
    }
    m_shortcuts
        = std::make_unique<shortcuts::KeyboardShortcuts>(defaults, m_hotKeyBackend.get(), m_layout.get());

    // Start-up order: the state and its services, the view models, the store,
    // then the set-up that needs the store.
    m_appState
        = std::make_unique<AppState>(AppState::Platform { *m_platform.pasteboard, *m_platform.workspace,
            *m_platform.keySynthesizer, *m_platform.loginItems, defaults, Clock::system(), *m_shortcuts });
    m_snippets = std::make_unique<SnippetsViewModel>();
    m_settings = std::make_unique<SettingsViewModel>(defaults, storeDirectory());
    // Distributions update Quillet; no updater is configured.
    m_updates = std::make_unique<UpdateService>();
    m_store = makeModelContainer();
    m_snippets->setModelContext(m_store.get());
    connect(m_appState.get(), &AppState::accessibilityUnavailable, this,
        [this](const QString &message) { m_notices.append(message); });
    m_appState->setup(*m_store, *m_snippets);

    KeyStrokeReader readKeys;
    if (Display *display = shortcuts::x11::applicationDisplay())
        readKeys = [display](const QKeyEvent &event) { return shortcuts::x11::keyStrokeFromEvent(event, display); };
    m_settingsWindow = std::make_unique<SettingsWindow>(SettingsServices{
        *m_settings, m_appState->launchAtLoginService(), *m_updates, *m_platform.keySynthesizer, *m_shortcuts,
        AppShortcutNames{HotkeyManager::togglePanel(), HotkeyManager::openHistory(), HotkeyManager::openSnippets(),
                         HotkeyManager::aiTransform(), HotkeyManager::openLauncher()},
        m_appState->excludedAppsService(), *m_store, Clock::system(), readKeys});

    m_tray = std::make_unique<TrayController>(*m_appState, *m_store, *m_snippets, defaults);
    m_tray->setOpenSettings([this] { m_settingsWindow->show(); });
    if (!m_tray->isAvailable())
        m_notices.append(
            QStringLiteral("No system tray: open Quillet with its shortcuts (Super+Shift+V shows "
                           "the history), or run quillet again to show the panel."));
}

QuilletApp::~QuilletApp()
{
    // Views and panels go before the state and the store they read.
    m_tray.reset();
    m_settingsWindow.reset();
    m_appState.reset();
}

} // namespace quillet
