#include "ui/settings/PromptEditorDialog.h"

#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quillet {

PromptEditorDialog::PromptEditorDialog(const std::optional<SavedPrompt> &prompt, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("promptEditor"));
    setWindowTitle(prompt ? tr("Edit Prompt") : tr("New Prompt"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(400, 300);

    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    column->addLayout(form);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    form->addRow(tr("Name"), m_name);

    m_icon = new QComboBox(this);
    m_icon->setObjectName(QStringLiteral("icon"));
    for (const QString &symbol : promptIconChoices())
        m_icon->addItem(symbolIcon(symbol, textColor(palette(), Emphasis::primary)), symbol, symbol);
    form->addRow(tr("Icon"), m_icon);

    auto *modes = new QWidget(this);
    auto *modeRow = new QHBoxLayout(modes);
    modeRow->setContentsMargins(0, 0, 0, 0);
    modeRow->setSpacing(0);
    m_mode = new QButtonGroup(this);
    for (const TransformMode mode : allTransformModes()) {
        auto *segment = new QPushButton(mode == TransformMode::replace ? tr("Replace") : tr("Input"), modes);
        segment->setObjectName(QStringLiteral("mode") + rawValue(mode));
        segment->setCheckable(true);
        m_mode->addButton(segment, int(mode));
        modeRow->addWidget(segment);
    }
    modeRow->addStretch(1);
    form->addRow(tr("Mode"), modes);

    m_systemPrompt = new QPlainTextEdit(this);
    m_systemPrompt->setObjectName(QStringLiteral("systemPrompt"));
    m_systemPrompt->setMinimumHeight(120);
    m_systemPrompt->setTabChangesFocus(true);
    form->addRow(tr("System Prompt"), m_systemPrompt);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Save, this);
    m_save = buttons->button(QDialogButtonBox::Save);
    for (QAbstractButton *button : buttons->buttons())
        button->setIcon(QIcon());
    m_save->setObjectName(QStringLiteral("save"));
    column->addWidget(buttons);

    if (prompt) {
        m_name->setText(prompt->name);
        m_icon->setCurrentIndex(std::max(0, m_icon->findData(prompt->icon)));
        m_systemPrompt->setPlainText(prompt->systemPrompt);
    }
    m_mode->button(int(prompt ? mode(*prompt) : TransformMode::replace))->setChecked(true);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_name, &QLineEdit::textChanged, this, &PromptEditorDialog::updateSave);
    connect(m_systemPrompt, &QPlainTextEdit::textChanged, this, &PromptEditorDialog::updateSave);
    updateSave();
}

PromptEditorDialog::Values PromptEditorDialog::values() const
{
    return { m_name->text(), m_icon->currentData().toString(), m_systemPrompt->toPlainText(),
        TransformMode(m_mode->checkedId()) };
}

bool PromptEditorDialog::canSave() const
{
    return !m_name->text().isEmpty() && !m_systemPrompt->toPlainText().isEmpty();
}

void PromptEditorDialog::updateSave()
{
    m_save->setEnabled(canSave());
}

} // namespace quillet
