#pragma once

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "app/HotkeyManager.h"
#include "clipboard/ExcludedAppsService.h"
#include "defaults/Defaults.h"
#include "settings/LaunchAtLoginService.h"
#include "settings/SettingsViewModel.h"
#include "settings/UpdateService.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "snippets/SnippetsViewModel.h"
#include "store/Store.h"
#include "support/FakeGeminiServer.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeLoginItems.h"
#include "support/FakeWorkspace.h"
#include "support/ManualClock.h"
#include "ui/settings/SettingsServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace quillet::test {

// The names the application registers, with their factory shortcuts.
inline AppShortcutNames appShortcutNames()
{
    return { HotkeyManager::togglePanel(), HotkeyManager::openHistory(), HotkeyManager::openSnippets(),
        HotkeyManager::aiTransform(), HotkeyManager::openLauncher() };
}

// Everything the settings window is given, over fakes and a temporary store.
struct SettingsFixture {
    explicit SettingsFixture(SecretStore *secrets = nullptr)
        : apiKey(defaults, secrets)
    {
    }

    QTemporaryDir dir;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    std::unique_ptr<Store> store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), nullptr);
    SettingsViewModel viewModel { defaults, dir.filePath(QStringLiteral("data")) };
    FakeLoginItems loginItems;
    std::unique_ptr<LaunchAtLoginService> launchAtLogin = std::make_unique<LaunchAtLoginService>(loginItems);
    UpdateService updates;
    FakeKeySynthesizer keys;
    FakeHotKeyBackend hotKeys;
    FakeKeyboardLayout layout;
    shortcuts::KeyboardShortcuts library { defaults, &hotKeys, &layout };
    FakeWorkspace workspace;
    ExcludedAppsService excludedApps { defaults, workspace };
    std::unique_ptr<SnippetsViewModel> snippets = std::make_unique<SnippetsViewModel>(*store);
    ManualClock clock;
    FakeGeminiServer gemini;
    AIService ai { [url = gemini.baseUrl()] { return url; } };
    std::unique_ptr<PromptLibrary> prompts = std::make_unique<PromptLibrary>(*store, clock);
    ApiKeyStore apiKey;

    SettingsServices services()
    {
        return SettingsServices { viewModel, *launchAtLogin, updates, keys, library, appShortcutNames(),
            excludedApps, *store, *snippets, clock, defaults, ai, *prompts, apiKey };
    }
};

// Answers the next modal dialog (message boxes run their own event loop)
// once it is on screen; `answered` tells whether it came within the bound.
class ModalAnswer : public QObject {
public:
    explicit ModalAnswer(std::function<void(QWidget *)> answer, int timeoutMs = 20000)
        : m_answer(std::move(answer))
        , m_deadline(timeoutMs)
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) {
                m_timer.stop();
                seen = modal;
                m_answer(modal);
                answered = true;
            } else if (m_deadline.hasExpired()) {
                m_timer.stop();
            }
        });
        m_timer.start();
    }

    bool answered = false;
    QPointer<QWidget> seen;

private:
    std::function<void(QWidget *)> m_answer;
    QDeadlineTimer m_deadline;
    QTimer m_timer;
};

inline QAbstractButton *buttonWithText(QWidget *parent, const QString &text)
{
    for (QAbstractButton *button : parent->findChildren<QAbstractButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// A modal answer that clicks the button labelled `text`.
inline std::function<void(QWidget *)> clickButton(const QString &text)
{
    return [text](QWidget *dialog) {
        if (QAbstractButton *button = buttonWithText(dialog, text))
            button->click();
        else
            dialog->close();
    };
}

} // namespace quillet::test
