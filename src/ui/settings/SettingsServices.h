#pragma once

#include "shortcuts/Name.h"
#include "ui/settings/KeyStrokeReader.h"

#include <QCoreApplication>
#include <QString>

namespace quillet {

class AIService;
class ApiKeyStore;
class Clock;
class Defaults;
class ExcludedAppsService;
class KeySynthesizer;
class LaunchAtLoginService;
class PromptLibrary;
class SettingsViewModel;
class SnippetsViewModel;
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

// How the General tab explains pasting: what the synthetic keystroke needs on
// this desktop and what the user can do without it. The defaults speak of
// X11; other desktops say their own.
struct PasteExplanation {
    QString granted = QCoreApplication::translate(
        "PasteExplanation", "Quillet pastes through the X server's XTest extension");
    QString missing = QCoreApplication::translate("PasteExplanation", "Chosen entries are only copied");
    QString requirement = QCoreApplication::translate("PasteExplanation",
        "Pasting an item sends Ctrl+V to the application in front, which "
        "needs the X server's XTest extension.");
    QString helpButton = QCoreApplication::translate("PasteExplanation", "How to Paste...");
    QString helpTitle
        = QCoreApplication::translate("PasteExplanation", "Quillet cannot send keystrokes on this display.");
    QString help = QCoreApplication::translate("PasteExplanation",
        "To paste, Quillet sends Ctrl+V through the XTest extension of the X "
        "server, and this display does not "
        "offer it. Run Quillet in an X11 session with XTest enabled (every "
        "standard X server has it), then come "
        "back here: this section updates by itself.");
    // Said once, on the first run, when pastes cannot be typed.
    QString notice = QCoreApplication::translate("PasteExplanation",
        "Quillet cannot type pastes for you: the X server offers no XTest extension. "
        "Chosen entries are put on the clipboard; paste them with Ctrl+V.");
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
    // The Snippets tab edits them.
    SnippetsViewModel &snippets;
    // Drives the accessibility re-check while the General tab is shown.
    Clock &clock;
    // The AI tab: the preferences it binds, the client for the connection
    // test and the saved prompts.
    Defaults &defaults;
    AIService &ai;
    PromptLibrary &prompts;
    // Where the key is kept (the keyring, else the preferences file).
    ApiKeyStore &apiKey;
    // The platform's reading of key events for the recorders (optional).
    KeyStrokeReader keyStrokeReader = {};
    PasteExplanation pasteExplanation = {};
};

} // namespace quillet
