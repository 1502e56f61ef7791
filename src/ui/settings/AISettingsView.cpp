#include "ui/settings/AISettingsView.h"

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "ai/TextPrompt.h"
#include "ai/TextTransformManager.h"
#include "ai/UsageCost.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "launcher/AgentRequest.h"
#include "launcher/CommandApproval.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/settings/PromptEditorDialog.h"
#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"
#include "ui/settings/ShortcutRecorderField.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

namespace quillet {

namespace {

const QColor kGreen(0x28, 0xa7, 0x45);
const QColor kRed(0xd7, 0x37, 0x37);
const QString kKeyPage = QStringLiteral("https://aistudio.google.com/apikey");
constexpr int kRecorderWidth = 120;

QLabel *iconLabel(const QString &symbol, const QColor &tint, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(symbolPixmap(symbol, 16, tint));
    label->setFixedWidth(20);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QToolButton *borderlessButton(const QString &symbol, const QColor &tint, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(symbolIcon(symbol, tint));
    button->setIconSize(QSize(14, 14));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// The labels of the approval pickers, in the order of the modes.
QString approvalLabel(CommandApprovalMode mode)
{
    switch (mode) {
    case CommandApprovalMode::always:
        return QCoreApplication::translate("AISettingsView", "Always require approval");
    case CommandApprovalMode::agentDecides:
        return QCoreApplication::translate("AISettingsView", "AI decides (block dangerous)");
    case CommandApprovalMode::never:
        return QCoreApplication::translate("AISettingsView", "Never require approval");
    }
    return {};
}

} // namespace

AISettingsView::AISettingsView(Defaults &defaults, ApiKeyStore &apiKey, AIService &ai, PromptLibrary &prompts,
    shortcuts::KeyboardShortcuts &shortcuts, KeyStrokeReader keyStrokeReader, QWidget *parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_apiKey(apiKey)
    , m_ai(ai)
    , m_prompts(prompts)
    , m_shortcuts(shortcuts)
    , m_keyStrokeReader(std::move(keyStrokeReader))
{
    SettingsPage *page = SettingsPage::filling(this);

    // Gemini API.
    SettingsSection *api = page->addSection(tr("Gemini API"));
    m_key = new QLineEdit(this);
    m_key->setObjectName(QStringLiteral("apiKey"));
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setMinimumWidth(220);
    QAction *reveal
        = m_key->addAction(symbolIcon(QStringLiteral("eye"), textColor(palette(), Emphasis::secondary)),
            QLineEdit::TrailingPosition);
    reveal->setObjectName(QStringLiteral("revealKey"));
    reveal->setCheckable(true);
    // The icon's name for screen readers; checked while the key shows.
    reveal->setText(tr("Show the key"));
    reveal->setToolTip(tr("Show the key"));
    connect(reveal, &QAction::toggled, this, [this, reveal](bool shown) {
        m_key->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        reveal->setToolTip(shown ? tr("Hide the key") : tr("Show the key"));
    });
    api->addRow(tr("API Key"), m_key);
    m_keyPlace = captionLabel(QString());
    m_keyPlace->setObjectName(QStringLiteral("keyPlace"));
    m_keyPlace->setTextFormat(Qt::PlainText);
    m_keyPlace->setWordWrap(true);
    api->addRow(QString(), m_keyPlace);
    // Empty means each feature's own default, and the features differ: the
    // field says so rather than show one feature's model as everyone's.
    m_model = new QLineEdit(m_defaults.string(keys::geminiModel), this);
    m_model->setObjectName(QStringLiteral("model"));
    m_model->setMinimumWidth(220);
    m_model->setPlaceholderText(tr("Each feature's default"));
    api->addRow(tr("Model"), m_model);
    m_modelsInUse = captionLabel(QString());
    m_modelsInUse->setObjectName(QStringLiteral("modelsInUse"));
    m_modelsInUse->setTextFormat(Qt::PlainText);
    m_modelsInUse->setWordWrap(true);
    api->addRow(QString(), m_modelsInUse);
    updateModelsInUse();

    auto *testRow = new QWidget(this);
    auto *testLayout = new QHBoxLayout(testRow);
    testLayout->setContentsMargins(0, 0, 0, 0);
    m_test = new QPushButton(tr("Test Connection"), testRow);
    m_test->setObjectName(QStringLiteral("testConnection"));
    m_test->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_spinner = new QProgressBar(testRow);
    m_spinner->setObjectName(QStringLiteral("testing"));
    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setFixedSize(36, 6);
    m_statusIcon = new QLabel(testRow);
    m_statusText = plainLabel(QString(), testRow);
    m_statusText->setObjectName(QStringLiteral("testStatus"));
    m_statusText->setWordWrap(true);
    QFont small = m_statusText->font();
    small.setPixelSize(11);
    m_statusText->setFont(small);
    // Top-aligned: a result that wraps onto more lines leaves the button where it was.
    testLayout->addWidget(m_test, 0, Qt::AlignTop);
    testLayout->addWidget(m_spinner, 0, Qt::AlignTop);
    testLayout->addWidget(m_statusIcon, 0, Qt::AlignTop);
    testLayout->addWidget(m_statusText, 1);
    // Holds the row's free space while no result shows, so the button keeps its place.
    testLayout->addStretch(0);
    api->addWidget(testRow);
    connect(m_test, &QPushButton::clicked, this, &AISettingsView::testConnection);
    connect(m_key, &QLineEdit::textEdited, this, [this](const QString &key) {
        m_apiKey.setKey(key);
        updateTestButton();
    });
    connect(m_model, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_defaults.setString(keys::geminiModel, text); });

    // Usage.
    SettingsSection *usage = page->addSection(tr("Usage"));
    m_inputTokens = plainLabel(QString(), this);
    m_inputTokens->setObjectName(QStringLiteral("inputTokens"));
    m_outputTokens = plainLabel(QString(), this);
    m_outputTokens->setObjectName(QStringLiteral("outputTokens"));
    m_cost = plainLabel(QString(), this);
    m_cost->setObjectName(QStringLiteral("estimatedCost"));
    usage->addRow(tr("Input tokens"), m_inputTokens);
    usage->addRow(tr("Output tokens"), m_outputTokens);
    usage->addRow(tr("Estimated cost"), m_cost);
    auto *reset = new QPushButton(tr("Reset"), this);
    reset->setObjectName(QStringLiteral("resetUsage"));
    usage->addRow(QString(), reset);
    connect(reset, &QPushButton::clicked, this, [this] {
        m_defaults.setInteger(keys::aiUsageInputTokens, 0);
        m_defaults.setInteger(keys::aiUsageOutputTokens, 0);
    });
    // The totals grow while the AI panel or the launcher runs.
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::aiUsageInputTokens || key == keys::aiUsageOutputTokens || key == keys::geminiModel)
            updateUsage();
        if (key == keys::geminiModel)
            updateModelsInUse();
    });

    auto *link
        = captionLabel(tr("Get a free API key from <a href=\"%1\">Google AI Studio</a>").arg(kKeyPage));
    link->setObjectName(QStringLiteral("keyLink"));
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(
        link, &QLabel::linkActivated, this, [](const QString &url) { QDesktopServices::openUrl(QUrl(url)); });
    page->addContent(link);

    // Command approval.
    SettingsSection *approval = page->addSection(tr("Command Approval"));
    const std::pair<LauncherMode, const char *> pickers[] = {
        { LauncherMode::aiChat, QT_TR_NOOP("AI Chat (?) mode") },
        { LauncherMode::terminal, QT_TR_NOOP("Terminal (>) mode") },
    };
    for (const auto &[mode, label] : pickers) {
        auto *picker = new QComboBox(this);
        picker->setObjectName(mode == LauncherMode::aiChat ? QStringLiteral("chatApproval")
                                                           : QStringLiteral("terminalApproval"));
        for (const CommandApprovalMode choice : allCommandApprovalModes())
            picker->addItem(approvalLabel(choice), rawValue(choice));
        picker->setCurrentIndex(picker->findData(rawValue(approvalModeFor(mode, m_defaults))));
        const QString key
            = QLatin1String(mode == LauncherMode::aiChat ? approvalKeys::aiChat : approvalKeys::terminal);
        connect(picker, &QComboBox::currentIndexChanged, this,
            [this, picker, key] { m_defaults.setString(key, picker->currentData().toString()); });
        approval->addRow(tr(label), picker);
    }
    page->addContent(captionLabel(
        tr("\"AI decides\" runs a command at once only when every part of it is a known read-only command "
           "(ls, cat, grep, git status, …), and then in a sandbox where it can change no file, reach no "
           "network and read no secret; anything else waits for your approval.")));
    if (CommandSandbox::available() == SandboxKind::none) {
        QLabel *note = captionLabel(tr("This system offers no sandbox (bubblewrap or Landlock), "
                                       "so every command waits for your approval."));
        note->setObjectName(QStringLiteral("noSandboxNote"));
        page->addContent(note);
    }

    // Built-in prompts.
    SettingsSection *builtIn = page->addSection(tr("Built-in Prompts"));
    for (const TextPrompt &prompt : builtInPrompts()) {
        auto *row = new QWidget(this);
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(iconLabel(prompt.icon, aiTint(), row));
        rowLayout->addWidget(plainLabel(prompt.name, row), 1);
        rowLayout->addWidget(recorder(shortcutName(prompt)));
        builtIn->addWidget(row);
        row->findChild<ShortcutRecorderField *>()->setAccessibleName(tr("Shortcut for %1").arg(prompt.name));
    }

    // Custom prompts.
    SettingsSection *custom = page->addSection(tr("Custom Prompts"));
    auto *customBox = new QWidget(this);
    m_customRows = new QVBoxLayout(customBox);
    m_customRows->setContentsMargins(0, 0, 0, 0);
    custom->addWidget(customBox);
    auto *add = new QPushButton(tr("Add Prompt"), this);
    add->setObjectName(QStringLiteral("addPrompt"));
    custom->addRow(QString(), add);
    connect(add, &QPushButton::clicked, this, [this] { openEditor(std::nullopt); });
    for (auto signal :
        { &PromptLibrary::promptCreated, &PromptLibrary::promptUpdated, &PromptLibrary::promptDeleted })
        connect(&m_prompts, signal, this, &AISettingsView::rebuildCustomPrompts);

    rebuildCustomPrompts();
    updateUsage();
    updateKeyField();
    connect(&m_apiKey, &ApiKeyStore::loaded, this, &AISettingsView::updateKeyField);
    connect(&m_apiKey, &ApiKeyStore::placeChanged, this, &AISettingsView::updateKeyField);
    setTestStatus(TestStatus::idle);
}

ShortcutRecorderField *AISettingsView::recorder(const QString &shortcutName)
{
    auto *field = new ShortcutRecorderField(m_shortcuts, shortcuts::Name(shortcutName), this);
    field->setObjectName(QStringLiteral("recorder_") + shortcutName);
    field->setKeyStrokeReader(m_keyStrokeReader);
    field->setFixedWidth(std::max(kRecorderWidth, field->minimumSizeHint().width()));
    return field;
}

void AISettingsView::rebuildCustomPrompts()
{
    // A row's own delete button may be what changed the prompts: old rows go
    // once that click has returned.
    while (QLayoutItem *item = m_customRows->takeAt(0)) {
        if (QWidget *row = item->widget()) {
            row->hide();
            row->setObjectName(QString());
            row->deleteLater();
        }
        delete item;
    }
    for (const SavedPrompt &prompt : m_prompts.prompts()) {
        auto *row = new QWidget;
        row->setObjectName(QStringLiteral("customPrompt_") + prompt.name);
        auto *rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 2, 0, 2);
        rowLayout->addWidget(iconLabel(prompt.icon, savedPromptTint(), row));
        rowLayout->addWidget(plainLabel(prompt.name, row), 1);
        rowLayout->addWidget(recorder(shortcutName(prompt)));
        auto *edit
            = borderlessButton(QStringLiteral("pencil"), textColor(palette(), Emphasis::secondary), row);
        edit->setObjectName(QStringLiteral("edit"));
        edit->setToolTip(tr("Edit"));
        auto *remove = borderlessButton(QStringLiteral("trash"), kRed, row);
        remove->setObjectName(QStringLiteral("delete"));
        remove->setToolTip(tr("Delete"));
        edit->setAccessibleName(tr("Edit %1").arg(prompt.name));
        remove->setAccessibleName(tr("Delete %1").arg(prompt.name));
        rowLayout->addWidget(edit);
        rowLayout->addWidget(remove);
        m_customRows->addWidget(row);
        row->findChild<ShortcutRecorderField *>()->setAccessibleName(tr("Shortcut for %1").arg(prompt.name));
        const QUuid id = prompt.id;
        connect(edit, &QToolButton::clicked, this, [this, id] {
            if (const auto current = m_prompts.prompt(id))
                openEditor(*current);
        });
        connect(remove, &QToolButton::clicked, this, [this, id] {
            if (const auto current = m_prompts.prompt(id))
                m_prompts.remove(*current);
        });
    }
}

PromptEditorDialog *AISettingsView::openEditor(const std::optional<SavedPrompt> &prompt)
{
    auto *editor = new PromptEditorDialog(prompt, this);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    const std::optional<QUuid> id = prompt ? std::optional<QUuid>(prompt->id) : std::nullopt;
    connect(editor, &QDialog::accepted, this, [this, editor, id] {
        const PromptEditorDialog::Values values = editor->values();
        if (!id) {
            m_prompts.create(values.name, values.icon, values.systemPrompt, values.mode);
        } else if (const auto current = m_prompts.prompt(*id)) {
            m_prompts.update(*current, values.name, values.icon, values.systemPrompt, values.mode);
        }
    });
    editor->open();
    return editor;
}

void AISettingsView::testConnection()
{
    if (m_apiKey.key().isEmpty() || m_status == TestStatus::testing)
        return;
    setTestStatus(TestStatus::testing);
    QString model = m_defaults.string(keys::geminiModel);
    if (model.isEmpty())
        model = TextTransformManager::defaultModel;
    runTest(this, m_ai, m_apiKey.key(), model);
}

QCoro::Task<> AISettingsView::runTest(
    QPointer<AISettingsView> self, AIService &ai, QString key, QString model)
{
    const GenerateResult result
        = co_await ai.generate(QStringLiteral("Hello"), QStringLiteral("Reply with OK"), key, model);
    if (!self)
        co_return;
    if (result.ok())
        self->setTestStatus(TestStatus::success);
    else
        self->setTestStatus(TestStatus::failure, *result.error);
}

void AISettingsView::setTestStatus(TestStatus status, const QString &message)
{
    m_status = status;
    m_spinner->setVisible(status == TestStatus::testing);
    const bool shown = status == TestStatus::success || status == TestStatus::failure;
    const QColor tint = status == TestStatus::success ? kGreen : kRed;
    m_statusIcon->setVisible(shown);
    m_statusText->setVisible(shown);
    if (shown) {
        m_statusIcon->setPixmap(
            symbolPixmap(status == TestStatus::success ? QStringLiteral("checkmark.circle.fill")
                                                       : QStringLiteral("xmark.circle.fill"),
                14, tint));
        m_statusText->setText(status == TestStatus::success ? tr("Connected") : message);
        QPalette palette = m_statusText->palette();
        palette.setColor(QPalette::WindowText, tint);
        m_statusText->setPalette(palette);
    }
    updateTestButton();
}

void AISettingsView::updateTestButton()
{
    m_test->setEnabled(!m_apiKey.key().isEmpty() && m_status != TestStatus::testing);
}

void AISettingsView::updateKeyField()
{
    // Until the keyring answers the field stays closed: a key typed then
    // would race the one being read.
    if (m_apiKey.isLoaded() && !m_keyShown) {
        m_key->setText(m_apiKey.key());
        m_keyShown = true;
    }
    m_key->setEnabled(m_apiKey.isLoaded());
    m_keyPlace->setText(m_apiKey.notice());
    updateTestButton();
}

void AISettingsView::updateModelsInUse()
{
    const QString chosen = m_defaults.string(keys::geminiModel);
    const auto inUse = [&chosen](const QString &fallback) { return chosen.isEmpty() ? fallback : chosen; };
    m_modelsInUse->setText(
        tr("Text transform and Test Connection: %1\nLauncher chat and "
           "terminal: %2\nConversation titles: %3 (always)")
            .arg(inUse(TextTransformManager::defaultModel), inUse(agent::defaultModel), agent::titleModel));
}

void AISettingsView::updateUsage()
{
    const qint64 input = m_defaults.integer(keys::aiUsageInputTokens);
    const qint64 output = m_defaults.integer(keys::aiUsageOutputTokens);
    const QLocale locale;
    m_inputTokens->setText(locale.toString(input));
    m_outputTokens->setText(locale.toString(output));
    QString model = m_defaults.string(keys::geminiModel);
    if (model.isEmpty())
        model = TextTransformManager::defaultModel;
    m_cost->setText(estimatedCost(model, input, output));
}

} // namespace quillet
