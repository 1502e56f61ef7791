#include "app/QuilletApp.h"

#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcApp, "quillet.app")

namespace quillet {

QuilletApp::QuilletApp(const Platform &platform, std::unique_ptr<Store> store, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_store(std::move(store))
    , m_shortcuts(platform.defaults, platform.hotKeys, platform.keyboardLayout, platform.desktopShortcuts)
    , m_excludedApps(platform.defaults, platform.workspace)
    , m_launchAtLogin(platform.loginItems)
    , m_apiKey(platform.defaults, platform.secrets)
    , m_settings(platform.defaults, QFileInfo(m_store->path()).absolutePath(), &m_apiKey)
    , m_snippets(*m_store)
    // Copies flow: clipboard → monitor → history manager → store → lists.
    , m_history(*m_store, m_excludedApps, platform.defaults, platform.clock)
    , m_paste(*m_store, platform.pasteboard, platform.keys, platform.defaults, platform.clock)
    , m_monitor(platform.pasteboard, platform.workspace, platform.defaults, platform.clock,
          [this](const PasteboardSnapshot &snapshot) { m_history.addSnapshot(snapshot); })
    , m_hotkeys(m_shortcuts, platform.defaults)
    // The AI transform: one Gemini client, the saved prompts.
    , m_ai(AIService::baseUrlFrom(platform.defaults))
    , m_prompts(*m_store, platform.clock)
    , m_capture(platform.pasteboard, platform.keys, platform.clock)
    , m_transform(platform.pasteboard, m_capture, platform.keys, platform.workspace, platform.defaults,
          m_apiKey, platform.clock, m_ai)
    // The launcher: installed applications, and conversations whose agent
    // runs commands under the approval policy.
    , m_appIndex(platform.workspace)
    , m_agent(m_ai, platform.defaults, m_apiKey)
    , m_launcher(m_appIndex, platform.workspace, m_agent, platform.clock)
    // Hot keys, the tray and the views act on the state; the panel controller
    // follows it.
    , m_state(m_paste, m_history, m_snippets, m_transform, platform.workspace)
    , m_panels(m_state, m_snippets, *m_store, platform.workspace, { m_transform, m_prompts, platform.clock },
          { m_launcher,
              [this] {
                  const auto shortcut = m_shortcuts.shortcut(HotkeyManager::openLauncher());
                  return shortcut ? m_shortcuts.description(*shortcut) : QString();
              } })
    , m_tray(m_state, *m_store, m_snippets, platform.defaults, m_launcher, m_panels)
    // `quillet COMMAND` acts through the same state and services as the views.
    , m_commands(m_state, m_history, m_paste, *m_store, platform.pasteboard, platform.workspace, m_apiKey)
    , m_settingsWindow(SettingsServices { m_settings, m_launchAtLogin, m_updates, platform.keys, m_shortcuts,
          AppShortcutNames { HotkeyManager::togglePanel(), HotkeyManager::openHistory(),
              HotkeyManager::openSnippets(), HotkeyManager::aiTransform(), HotkeyManager::openLauncher() },
          m_excludedApps, *m_store, m_snippets, platform.clock, platform.defaults, m_ai, m_prompts, m_apiKey,
          platform.keyStrokeReader, platform.pasteExplanation })
{
    // An application that exits takes its copy with it; the newest entry
    // takes its place, so the clipboard never goes empty under the user.
    connect(&platform.pasteboard, &Pasteboard::ownerLost, &m_paste, &PasteService::offerNewestEntry);
    connect(&m_state, &AppState::settingsRequested, &m_settingsWindow, &SettingsWindow::show);
    connect(&m_state, &AppState::snippetEditRequested, &m_settingsWindow, &SettingsWindow::showSnippet);
    connect(&m_state, &AppState::quitRequested, this, &QuilletApp::quitOnceCopiesAreStored);
    connect(&m_history, &HistoryManager::problemChanged, this,
        [this] { m_tray.setStoreProblem(m_history.problem()); });
    m_panels.setCopiesOnly(!platform.keys.isTrusted());
    bindHotkeys();
    if (!m_tray.isAvailable()) {
        const auto toggle = m_shortcuts.shortcut(HotkeyManager::togglePanel());
        const QString press
            = toggle ? QStringLiteral("press %1 or ").arg(m_shortcuts.description(*toggle)) : QString();
        m_notices.append(QStringLiteral("No system tray: %1run quillet toggle to show the history panel; its "
                                        "menu holds Settings, Clear and Quit.")
                             .arg(press));
    }
}

QuilletApp::~QuilletApp() = default;

void QuilletApp::bindHotkeys()
{
    m_hotkeys.setOnTogglePanel([this] { m_state.togglePanel(); });
    m_hotkeys.setOnOpenHistory([this] {
        m_state.setPanelTab(PanelTab::history);
        m_state.showPanel();
    });
    m_hotkeys.setOnOpenSnippets([this] {
        m_state.setPanelTab(PanelTab::snippets);
        m_state.showPanel();
    });
    m_hotkeys.setOnAITransform([this] { m_state.triggerAITransform(); });
    m_hotkeys.setOnOpenLauncher([this] { m_state.toggleLauncher(); });
    m_hotkeys.registerShortcuts();
    bindPromptShortcuts();
}

void QuilletApp::bindPromptShortcuts()
{
    m_hotkeys.registerBuiltInPromptShortcuts([this](const TextPrompt &prompt) {
        m_state.runPrompt(prompt.name, prompt.systemPrompt, TransformMode::replace);
    });
    // Saved prompts run as they are stored when their shortcut fires.
    const auto runSaved = [this](const QUuid &id) {
        if (const std::optional<SavedPrompt> prompt = m_prompts.prompt(id))
            m_state.runPrompt(prompt->name, prompt->systemPrompt, mode(*prompt));
    };
    for (const SavedPrompt &prompt : m_prompts.prompts())
        m_hotkeys.registerSavedPromptShortcut(prompt, runSaved);
    connect(&m_prompts, &PromptLibrary::promptCreated, this, [this, runSaved](const SavedPrompt &prompt) {
        m_hotkeys.registerSavedPromptShortcut(prompt, runSaved);
    });
    connect(&m_prompts, &PromptLibrary::promptDeleted, this,
        [this](const SavedPrompt &prompt) { m_hotkeys.forgetSavedPromptShortcut(prompt); });
}

void QuilletApp::start()
{
    m_monitor.start();
    m_tray.setStoreProblem(m_history.problem());
    m_store->convertToIncrementalVacuum();
    announceRefusedShortcuts();
    connect(&m_shortcuts, &shortcuts::KeyboardShortcuts::grabRefusalsChanged, this,
        &QuilletApp::announceRefusedShortcuts);
    // Off the main thread: the launcher opens at once even while this runs.
    m_appIndex.buildIndex();
    indexHistoryForSearch();
    // A store that comes back (converted to its current layout, or reopened)
    // may hold entries still to index.
    connect(m_store.get(), &Store::availabilityChanged, this, &QuilletApp::indexHistoryForSearch);
    // Answers later: the AI features wait for it, nothing else does.
    m_apiKey.load();

    Defaults &defaults = m_platform.defaults;
    if (!defaults.boolean(keys::hasCompletedOnboarding).value_or(false)) {
        // Linux desktops have no permission to ask for: synthetic keys work
        // wherever the desktop offers them, so the first run only says when
        // it does not.
        if (!m_platform.keys.isTrusted())
            m_notices.append(m_platform.pasteExplanation.notice);
        defaults.setBool(keys::hasCompletedOnboarding, true);
    }
    m_started = true;
}

// Each combination another program holds is announced once: by the tray,
// and at start-up also among the notices (without a tray, the only place the
// user may look besides the Shortcuts tab).
void QuilletApp::announceRefusedShortcuts()
{
    QStringList refused;
    for (const shortcuts::Name &name : m_shortcuts.namesWithRefusedGrabs()) {
        const auto shortcut = m_shortcuts.shortcut(name);
        if (!shortcut || m_announcedRefusals.contains(*shortcut))
            continue;
        m_announcedRefusals.insert(*shortcut);
        refused.append(QStringLiteral("%1 (%2)").arg(m_shortcuts.description(*shortcut),
            name.description.isEmpty() ? name.rawValue : name.description));
    }
    if (refused.isEmpty())
        return;
    const QString message
        = tr("%1 is used by another application, so Quillet cannot react to it. Choose other keys in "
             "Settings → Shortcuts.",
            nullptr, int(refused.size()))
              .arg(refused.join(QStringLiteral(", ")));
    if (!m_tray.isAvailable() && !m_started)
        m_notices.append(message);
    m_tray.notify(
        tr("Shortcut(s) taken", nullptr, int(refused.size())), message, [this] { m_state.openSettings(); });
}

// A copy made just before quitting is kept: its read, hashing and write are
// finished first, as is the keyring's write of a key set just before. That
// takes milliseconds, and nothing when nothing is on its way; a store that
// refuses writes or a keyring that does not answer holds the quit up no
// longer than kQuitWait.
void QuilletApp::quitOnceCopiesAreStored()
{
    if (m_quitting)
        return;
    m_quitting = true;
    // A change that waits for the monitor's short coalescing is read now.
    if (m_monitor.isRunning())
        m_monitor.check();
    connect(&m_monitor, &ClipboardMonitor::caughtUp, this, &QuilletApp::quitIfSettled);
    connect(&m_history, &HistoryManager::settled, this, &QuilletApp::quitIfSettled);
    connect(&m_apiKey, &ApiKeyStore::written, this, &QuilletApp::quitIfSettled);
    m_platform.clock.schedule(kQuitWait, this, [this] {
        if (m_quitSent)
            return;
        const bool keyOnItsWay = m_apiKey.isWriting();
        if (keyOnItsWay) {
            m_apiKey.keepUnwrittenKeyInFile();
            qCWarning(lcApp) << "the keyring did not answer before the quit; the API key is kept in the "
                                "preferences file until the next start";
        }
        if (!keyOnItsWay || m_history.isBusy())
            qCWarning(lcApp) << "quitting before the last copies could be stored";
        m_quitSent = true;
        Q_EMIT quitRequested();
    });
    quitIfSettled();
}

void QuilletApp::quitIfSettled()
{
    if (m_quitSent || (m_monitor.isRunning() && m_monitor.hasUnreadChanges()) || m_history.isBusy()
        || m_apiKey.isWriting())
        return;
    m_quitSent = true;
    Q_EMIT quitRequested();
}

void QuilletApp::indexHistoryForSearch()
{
    // Entries from before search reached the whole text, a batch per turn of
    // the event loop, so start-up and the panel stay responsive.
    if (m_history.indexForSearch(100) > 0)
        QTimer::singleShot(0, this, &QuilletApp::indexHistoryForSearch);
}

} // namespace quillet
