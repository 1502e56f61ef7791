#pragma once

#include "ai/TextPrompt.h"
#include "store/SavedPrompt.h"

#include <QDialog>

#include <optional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillet {

// The editor of one saved prompt, "New Prompt" or "Edit Prompt": name, icon,
// mode and system prompt. Save is offered only while the name and the system
// prompt hold something (a single space counts).
class PromptEditorDialog : public QDialog {
    Q_OBJECT
public:
    struct Values {
        QString name;
        QString icon;
        QString systemPrompt;
        TransformMode mode = TransformMode::replace;
    };

    // Loads `prompt` when editing one; an empty editor otherwise.
    explicit PromptEditorDialog(const std::optional<SavedPrompt> &prompt, QWidget *parent = nullptr);

    Values values() const;
    bool canSave() const;

private:
    void updateSave();

    QLineEdit *m_name;
    QComboBox *m_icon;
    QButtonGroup *m_mode;
    QPlainTextEdit *m_systemPrompt;
    QPushButton *m_save;
};

} // namespace quillet
