#include "app/HotkeyManager.h"

#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QPointer>

namespace quillet {

using shortcuts::Name;
using shortcuts::Shortcut;

namespace {

const QString kLauncherInitialized = QStringLiteral("launcherShortcutInitialized");
// Set once the old Alt+Space launcher default has been moved to Ctrl+Alt+Space.
const QString kLauncherMovedOffAltSpace = QStringLiteral("launcherShortcutMovedOffAltSpace");

} // namespace

const Name &HotkeyManager::togglePanel()
{
    static const Name name(QStringLiteral("togglePanel"),
        Shortcut(shortcuts::keys::v, shortcuts::command | shortcuts::shift),
        tr("Show or hide the clipboard history panel"));
    return name;
}

const Name &HotkeyManager::openHistory()
{
    static const Name name(QStringLiteral("openHistory"),
        Shortcut(shortcuts::keys::c, shortcuts::command | shortcuts::shift),
        tr("Open the clipboard history"));
    return name;
}

const Name &HotkeyManager::openSnippets()
{
    static const Name name(QStringLiteral("openSnippets"),
        Shortcut(shortcuts::keys::s, shortcuts::command | shortcuts::shift), tr("Open the snippets"));
    return name;
}

const Name &HotkeyManager::aiTransform()
{
    static const Name name(QStringLiteral("aiTransform"),
        Shortcut(shortcuts::keys::a, shortcuts::command | shortcuts::shift),
        tr("Transform the selected text with AI"));
    return name;
}

const Name &HotkeyManager::openLauncher()
{
    // Alt+Space is the window menu (GNOME, Xfce, Cinnamon, MATE, Openbox) or
    // KRunner (KDE) on Linux desktops.
    static const Name name(QStringLiteral("openLauncher"),
        Shortcut(shortcuts::keys::space, shortcuts::control | shortcuts::option), tr("Open the launcher"));
    return name;
}

const QList<Name> &HotkeyManager::names()
{
    static const QList<Name> all { togglePanel(), openHistory(), openSnippets(), aiTransform(),
        openLauncher() };
    return all;
}

Name HotkeyManager::promptName(const SavedPrompt &prompt)
{
    return Name(shortcutName(prompt), std::nullopt, tr("Run the AI prompt “%1”").arg(prompt.name));
}

Name HotkeyManager::promptName(const TextPrompt &builtIn)
{
    return Name(shortcutName(builtIn), std::nullopt, tr("Run the AI prompt “%1”").arg(builtIn.name));
}

HotkeyManager::HotkeyManager(shortcuts::KeyboardShortcuts &library, Defaults &defaults, QObject *parent)
    : QObject(parent)
    , m_library(library)
    , m_defaults(defaults)
{
}

void HotkeyManager::registerShortcuts(const QList<Name> &bound)
{
    if (!m_defaults.boolean(kLauncherInitialized).value_or(false)) {
        m_library.reset({ openLauncher() });
        m_defaults.setBool(kLauncherInitialized, true);
    }
    // Users still on the old factory Alt+Space get the new default once; a
    // combination they chose themselves stays.
    if (!m_defaults.boolean(kLauncherMovedOffAltSpace).value_or(false)) {
        if (m_library.shortcut(openLauncher()) == Shortcut(shortcuts::keys::space, shortcuts::option))
            m_library.reset({ openLauncher() });
        m_defaults.setBool(kLauncherMovedOffAltSpace, true);
    }
    const std::pair<const Name &, Callback HotkeyManager::*> bindings[] = {
        { togglePanel(), &HotkeyManager::m_onTogglePanel },
        { openHistory(), &HotkeyManager::m_onOpenHistory },
        { openSnippets(), &HotkeyManager::m_onOpenSnippets },
        { aiTransform(), &HotkeyManager::m_onAITransform },
        { openLauncher(), &HotkeyManager::m_onOpenLauncher },
    };
    for (const auto &binding : bindings) {
        if (!bound.contains(binding.first))
            continue;
        onRelease(binding.first, [callback = binding.second](HotkeyManager &manager) {
            // Read when the shortcut fires: callbacks may be set later.
            if (const Callback &action = manager.*callback)
                action();
        });
    }
}

void HotkeyManager::registerSavedPromptShortcut(
    const SavedPrompt &prompt, std::function<void(const QUuid &)> handler)
{
    const Name name = promptName(prompt);
    m_library.removeHandler(name);
    onRelease(name, [id = prompt.id, handler](HotkeyManager &) {
        if (handler)
            handler(id);
    });
}

void HotkeyManager::forgetSavedPromptShortcut(const SavedPrompt &prompt)
{
    const Name name = promptName(prompt);
    m_library.removeHandler(name);
    m_library.reset({ name });
}

void HotkeyManager::registerBuiltInPromptShortcuts(std::function<void(const TextPrompt &)> handler)
{
    for (const TextPrompt &prompt : builtInPrompts()) {
        onRelease(promptName(prompt), [prompt, handler](HotkeyManager &) {
            if (handler)
                handler(prompt);
        });
    }
}

// The handler holds the manager weakly and leaves the key event before acting:
// the task is queued on the main thread and dropped if the manager is gone by
// then.
void HotkeyManager::onRelease(const Name &name, std::function<void(HotkeyManager &)> task)
{
    m_library.onKeyUp(name, [weak = QPointer<HotkeyManager>(this), task] {
        if (!weak)
            return;
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, task] {
                if (weak)
                    task(*weak);
            },
            Qt::QueuedConnection);
    });
}

} // namespace quillet
