#pragma once

#include "ai/TextPrompt.h"
#include "shortcuts/Name.h"
#include "store/SavedPrompt.h"

#include <QList>
#include <QObject>

#include <functional>

namespace quillet {

class Defaults;
namespace shortcuts {
class KeyboardShortcuts;
}

// Quillet's global shortcuts: the five named ones with their factory
// combinations, and one per AI prompt. A shortcut's action runs when its key
// is released, one event-loop turn later (never inside the key event), and
// only while the manager exists. Main thread only.
class HotkeyManager : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void()>;

    // The five names, in their order.
    static const shortcuts::Name &togglePanel();
    static const shortcuts::Name &openHistory();
    static const shortcuts::Name &openSnippets();
    static const shortcuts::Name &aiTransform();
    static const shortcuts::Name &openLauncher();
    static const QList<shortcuts::Name> &names();

    static shortcuts::Name promptName(const SavedPrompt &prompt);
    static shortcuts::Name promptName(const TextPrompt &builtIn);

    HotkeyManager(shortcuts::KeyboardShortcuts &library, Defaults &defaults, QObject *parent = nullptr);

    Callback onTogglePanel() const { return m_onTogglePanel; }
    void setOnTogglePanel(Callback callback) { m_onTogglePanel = std::move(callback); }
    Callback onOpenHistory() const { return m_onOpenHistory; }
    void setOnOpenHistory(Callback callback) { m_onOpenHistory = std::move(callback); }
    Callback onOpenSnippets() const { return m_onOpenSnippets; }
    void setOnOpenSnippets(Callback callback) { m_onOpenSnippets = std::move(callback); }
    Callback onAITransform() const { return m_onAITransform; }
    void setOnAITransform(Callback callback) { m_onAITransform = std::move(callback); }
    Callback onOpenLauncher() const { return m_onOpenLauncher; }
    void setOnOpenLauncher(Callback callback) { m_onOpenLauncher = std::move(callback); }

    // Resets the launcher shortcut once per user (the first time Quillet runs
    // with it), then adds the handlers of the given names (all five unless
    // said otherwise). A name left out stays unbound, so its keys remain free
    // for other programs while its feature is unavailable.
    void registerShortcuts(const QList<shortcuts::Name> &bound = names());
    // A saved prompt's shortcut hands its id to `handler` when released, so
    // the prompt runs as it is stored then, edits included. One handler per
    // prompt: registering again replaces it.
    void registerSavedPromptShortcut(const SavedPrompt &prompt, std::function<void(const QUuid &)> handler);
    // A deleted prompt's shortcut: its handler and its stored combination go.
    void forgetSavedPromptShortcut(const SavedPrompt &prompt);
    void registerBuiltInPromptShortcuts(std::function<void(const TextPrompt &)> handler);

private:
    void onRelease(const shortcuts::Name &name, std::function<void(HotkeyManager &)> task);

    shortcuts::KeyboardShortcuts &m_library;
    Defaults &m_defaults;
    Callback m_onTogglePanel;
    Callback m_onOpenHistory;
    Callback m_onOpenSnippets;
    Callback m_onAITransform;
    Callback m_onOpenLauncher;
};

} // namespace quillet
