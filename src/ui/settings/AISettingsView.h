#pragma once

#include "store/SavedPrompt.h"
#include "ui/settings/KeyStrokeReader.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace quillet {

class AIService;
class ApiKeyStore;
class Defaults;
class PromptEditorDialog;
class PromptLibrary;
class ShortcutRecorderField;
namespace shortcuts {
class KeyboardShortcuts;
}

// The "AI" tab: the Gemini key and model with a connection test, the token
// usage and its estimated cost, the launcher's approval policies, and the
// prompts with their shortcuts. Every control writes straight to the
// preferences, the key to the keyring (else the preferences file, as one
// line under it says); the key leaves the computer only for a test the user
// asks for or a prompt the user runs.
class AISettingsView : public QWidget {
    Q_OBJECT
public:
    enum class TestStatus { idle, testing, success, failure };

    AISettingsView(Defaults &defaults, ApiKeyStore &apiKey, AIService &ai, PromptLibrary &prompts,
        shortcuts::KeyboardShortcuts &shortcuts, KeyStrokeReader keyStrokeReader, QWidget *parent = nullptr);

    TestStatus testStatus() const { return m_status; }
    // Opens the prompt editor for `prompt` (a new prompt when none); saving
    // it creates or updates the prompt.
    PromptEditorDialog *openEditor(const std::optional<SavedPrompt> &prompt);

private:
    void testConnection();
    static QCoro::Task<> runTest(QPointer<AISettingsView> self, AIService &ai, QString key, QString model);
    void setTestStatus(TestStatus status, const QString &message = {});
    void updateUsage();
    // Which model each feature runs on now.
    void updateModelsInUse();
    void updateTestButton();
    void updateKeyField();
    void rebuildCustomPrompts();
    ShortcutRecorderField *recorder(const QString &shortcutName);

    Defaults &m_defaults;
    ApiKeyStore &m_apiKey;
    AIService &m_ai;
    PromptLibrary &m_prompts;
    shortcuts::KeyboardShortcuts &m_shortcuts;
    KeyStrokeReader m_keyStrokeReader;

    QLineEdit *m_key = nullptr;
    QLabel *m_keyPlace = nullptr;
    QLineEdit *m_model = nullptr;
    QLabel *m_modelsInUse = nullptr;
    QPushButton *m_test = nullptr;
    QProgressBar *m_spinner = nullptr;
    QLabel *m_statusIcon = nullptr;
    QLabel *m_statusText = nullptr;
    QLabel *m_inputTokens = nullptr;
    QLabel *m_outputTokens = nullptr;
    QLabel *m_cost = nullptr;
    QVBoxLayout *m_customRows = nullptr;
    TestStatus m_status = TestStatus::idle;
    bool m_keyShown = false;
};

} // namespace quillet
