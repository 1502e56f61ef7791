#pragma once

#include "shortcuts/Name.h"
#include "ui/settings/KeyStrokeReader.h"

namespace quillet {

class AIService;
class Clock;
class Defaults;
class ExcludedAppsService;
class KeySynthesizer;
class LaunchAtLoginService;
class PromptLibrary;
class SettingsViewModel;
class Store;
class UpdateService;
namespace shortcuts {
class KeyboardShortcuts;
}

// The application's five global shortcuts, as the Shortcuts tab lists them.
struct AppShortcutNames {
    shortcuts::Name togglePanel;
    shortcuts::Name openHistory;
    shortcuts::Name openSnippets;
    shortcuts::Name aiTransform;
    shortcuts::Name openLauncher;
};

// Everything the settings window reads and changes; all must outlive it.
struct SettingsServices {
    SettingsViewModel &viewModel;
    LaunchAtLoginService &launchAtLogin;
    UpdateService &updates;
    // Whether synthetic paste keystrokes are possible.
    KeySynthesizer &keys;
    shortcuts::KeyboardShortcuts &shortcuts;
    AppShortcutNames shortcutNames;
    ExcludedAppsService &excludedApps;
    Store &store;
    // Drives the accessibility re-check while the General tab is shown.
    Clock &clock;
    // The AI tab: the preferences it binds, the client for the connection
    // test and the saved prompts.
    Defaults &defaults;
    AIService &ai;
    PromptLibrary &prompts;
    // The platform's reading of key events for the recorders (optional).
    KeyStrokeReader keyStrokeReader = {};
};

} // namespace quillet
