#include "ui/ai/AITransformView.h"

#include "ai/PromptLibrary.h"
#include "ai/ResultDiff.h"
#include "ai/TextTransformManager.h"
#include "core/Clock.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/Dividers.h"
#include "ui/controls/FocusedButton.h"
#include "ui/controls/IconButton.h"
#include "ui/controls/Spinner.h"

#include <QBoxLayout>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

namespace quillet {

namespace {

constexpr int kPromptListMaxHeight = 250;
constexpr int kResultMinHeight = 200;
constexpr int kResultMaxHeight = 350;
// A streamed chunk waits at most this long for others to be drawn with it.
constexpr int kStreamFrameMs = 16;
// What one frame adds at most: laying out more would hold up the panel when
// the answer comes faster than it can be drawn.
constexpr qsizetype kMaxCharsPerFrame = 4 * 1024;
// Drawing a diff yields to the event loop after this much work.
constexpr qint64 kDiffSliceMs = 2;
// How much of an error's detail is shown: enough to read, little to lay out.
constexpr qsizetype kMaxDetailChars = 4096;

// A slim scroll bar without arrow buttons, sized for a small panel.
void slimScrollBar(QAbstractScrollArea *area)
{
    area->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { width: 6px; margin: 2px 1px; background: transparent; }"
        "QScrollBar::handle:vertical { min-height: 24px; border-radius: 2px; background: rgba(127, 127, 127, "
        "0.45); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
}

QFont sizedFont(const QFont &base, int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

// The prompt rows' look, set once on their list. The keyboard's row is
// tinted like the history panel's selection, so the icon keeps its colour
// and the name its contrast.
QString promptRowsStyle(const QPalette &palette)
{
    const QColor accent = accentColor(palette, 0.15);
    return QStringLiteral(
        "QToolButton { border: none; border-radius: 6px; padding: 6px 12px; text-align: left; }"
        "QToolButton:hover { background: rgba(127, 127, 127, 0.12); }"
        "QToolButton[highlighted=\"true\"] { background: rgba(%1, %2, %3, %4); }")
        .arg(accent.red())
        .arg(accent.green())
        .arg(accent.blue())
        .arg(accent.alphaF());
}

// A prompt row: the icon in its tint, then the name; the whole row clicks.
QToolButton *promptButton(const QString &icon, const QString &name, const QColor &tint, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(symbolIcon(icon, tint));
    button->setIconSize(QSize(16, 16));
    // Doubled, an ampersand is shown as itself instead of making a mnemonic
    // ("Fix grammar & spelling" would otherwise answer Alt+S).
    button->setText(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

QPushButton *prominentButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                         "border-radius: 6px; padding: 4px 12px; font-weight: 600; }")
                              .arg(aiTint().name()));
    return button;
}

QLabel *returnHint(QWidget *parent)
{
    auto *hint = new QLabel(QStringLiteral("↩"), parent);
    hint->setFont(sizedFont(hint->font(), 11));
    setTextColor(hint, textColor(hint->palette(), Emphasis::secondary));
    return hint;
}

} // namespace

// One diff in the making: computed on a worker, then drawn run by run.
struct AITransformView::DiffJob {
    // Shared with the worker, which holds nothing else of the job.
    std::shared_ptr<std::atomic_bool> cancel = std::make_shared<std::atomic_bool>(false);
    QFutureWatcher<QList<DiffRun>> watcher;
    QList<DiffRun> runs;
    qsizetype next = 0;
};

AITransformView::AITransformView(
    TextTransformManager &manager, PromptLibrary &prompts, Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_manager(manager)
    , m_prompts(prompts)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("AITransformView"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(12, 8, 12, 8);
    header->setSpacing(6);
    auto *sparkles = new QLabel(this);
    sparkles->setPixmap(symbolPixmap(QStringLiteral("sparkles"), 16, aiTint()));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(sizedFont(font(), 14, QFont::DemiBold));
    m_busy = new Spinner(14, this);
    m_busy->setObjectName(QStringLiteral("busy"));
    // A plain cross: the theme's circled cross reads as "clear the field".
    auto *close = iconButton(
        symbolIcon(QStringLiteral("xmark"), textColor(palette(), Emphasis::secondary)), 14, this);
    close->setObjectName(QStringLiteral("close"));
    header->addWidget(sparkles);
    header->addWidget(m_title, 1);
    header->addWidget(m_busy);
    header->addWidget(close);
    column->addLayout(header);
    column->addWidget(makeDivider(this));

    m_screens = new QStackedWidget(this);
    m_screens->addWidget(buildPromptScreen());
    m_screens->addWidget(buildResultScreen());
    column->addWidget(m_screens, 1);

    connect(close, &QToolButton::clicked, this, &AITransformView::dismissRequested);
    connect(
        &m_manager, &TextTransformManager::currentPromptNameChanged, this, &AITransformView::updateHeader);
    connect(&m_manager, &TextTransformManager::isProcessingChanged, this, [this] {
        updateHeader();
        updateResult();
        updateActions();
    });
    connect(&m_manager, &TextTransformManager::resultAppended, this, &AITransformView::appendStreamed);
    connect(&m_manager, &TextTransformManager::resultChanged, this, [this] {
        // A change that is not a streamed chunk replaces what is shown.
        if (!std::exchange(m_appended, false))
            m_plainCurrent = false;
        updateScreen();
    });
    connect(&m_manager, &TextTransformManager::isResultCompleteChanged, this, [this] {
        updateResult();
        updateActions();
    });
    connect(&m_manager, &TextTransformManager::errorChanged, this, [this] {
        updatePromptScreen();
        updateActions();
    });
    auto *flush = new QTimer(this);
    flush->setSingleShot(true);
    flush->setInterval(kStreamFrameMs);
    connect(flush, &QTimer::timeout, this, &AITransformView::flushStreamed);
    m_flushTimer = flush;
    connect(
        &m_manager, &TextTransformManager::selectedTextChanged, this, &AITransformView::updatePromptScreen);
    connect(&m_manager, &TextTransformManager::modeChanged, this, [this] {
        updateResult();
        updateActions();
    });
    for (auto signal :
        { &PromptLibrary::promptCreated, &PromptLibrary::promptUpdated, &PromptLibrary::promptDeleted })
        connect(&m_prompts, signal, this, &AITransformView::rebuildPromptRows);

    rebuildPromptRows();
    updateHeader();
    updatePromptScreen();
    updateScreen();
    setFocusPolicy(Qt::StrongFocus);
    describeForAssistiveTechnologies();
}

void AITransformView::describeForAssistiveTechnologies()
{
    // The window takes this name too.
    setAccessibleName(tr("AI Transform"));
    if (auto *close = findChild<QToolButton *>(QStringLiteral("close")))
        close->setAccessibleName(tr("Close"));
    m_busy->setAccessibleName(tr("Working"));
    m_selection->setAccessibleName(tr("Selected text"));
    m_custom->setAccessibleName(tr("Custom prompt"));
    m_custom->setAccessibleDescription(tr("Type an instruction and press Return, or choose a prompt from "
                                          "the list with Up and Down. Escape closes the panel."));
    m_send->setAccessibleName(tr("Run custom prompt"));
    m_promptScroll->setAccessibleName(tr("Prompts"));
    m_result->setAccessibleName(tr("Result"));
    m_result->setAccessibleDescription(tr("Return applies the result, Escape goes back to the prompts."));
    m_details->setAccessibleDescription(tr("Shows what the service answered"));
    m_stop->setAccessibleDescription(tr("Stops the answer"));

    // Tab goes from the result through the result screen's buttons, each
    // ringed while it has the focus.
    m_result->setTabChangesFocus(true);
    auto *back = findChild<QPushButton *>(QStringLiteral("back"));
    for (QPushButton *button : { m_stop, m_details, back, m_copy, m_retry, m_apply, m_paste }) {
        if (button)
            button->setFocusPolicy(Qt::TabFocus);
    }
    for (QPushButton *button : { m_retry, m_apply, m_paste }) {
        button->setStyleSheet(button->styleSheet()
            + QStringLiteral(
                " QPushButton:focus { border: 2px solid palette(highlight); padding: 2px 10px; }"));
    }
    // The style's own focus frame hardly shows on these.
    for (QPushButton *button : { m_stop, m_details, back, m_copy }) {
        if (button)
            button->setStyleSheet(button->styleSheet()
                + QStringLiteral(
                    " QPushButton:focus { border: 2px solid palette(highlight); border-radius: 4px; }"));
    }
}

void AITransformView::focusInEvent(QFocusEvent *event)
{
    // The keyboard goes to what the screen on show is about.
    if (isShowingResult())
        m_result->setFocus(event->reason());
    else
        m_custom->setFocus(event->reason());
}

AITransformView::~AITransformView()
{
    dropDiff();
}

QWidget *AITransformView::buildPromptScreen()
{
    auto *screen = new QWidget(this);
    auto *column = new QVBoxLayout(screen);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_selection = new QLabel(screen);
    m_selection->setObjectName(QStringLiteral("selection"));
    m_selection->setTextFormat(Qt::PlainText);
    m_selection->setWordWrap(true);
    m_selection->setFont(sizedFont(font(), 11));
    m_selection->setContentsMargins(12, 6, 12, 6);
    setTextColor(m_selection, textColor(palette(), Emphasis::secondary));
    m_selection->setMaximumHeight(QFontMetrics(m_selection->font()).lineSpacing() * 2 + 12);
    m_selection->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(m_selection);
    m_selectionLine = makeDivider(screen);
    column->addWidget(m_selectionLine);

    m_promptError = new QLabel(screen);
    m_promptError->setObjectName(QStringLiteral("promptError"));
    m_promptError->setTextFormat(Qt::PlainText);
    m_promptError->setWordWrap(true);
    m_promptError->setFont(sizedFont(font(), 11));
    m_promptError->setContentsMargins(12, 4, 12, 4);
    setTextColor(m_promptError, Qt::red);
    column->addWidget(m_promptError);

    auto *list = new QWidget(screen);
    list->setStyleSheet(promptRowsStyle(palette()));
    m_promptColumn = new QVBoxLayout(list);
    m_promptColumn->setContentsMargins(4, 4, 4, 4);
    m_promptColumn->setSpacing(2);
    m_promptScroll = new QScrollArea(screen);
    m_promptScroll->setObjectName(QStringLiteral("prompts"));
    m_promptScroll->setWidget(list);
    m_promptScroll->setWidgetResizable(true);
    m_promptScroll->setFrameShape(QFrame::NoFrame);
    m_promptScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_promptScroll->setMaximumHeight(kPromptListMaxHeight);
    m_promptScroll->setFocusPolicy(Qt::NoFocus);
    m_promptScroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);
    slimScrollBar(m_promptScroll);
    column->addWidget(m_promptScroll, 1);
    // What the list leaves free stays under it: the field keeps to the bottom.
    column->addStretch();
    column->addWidget(makeDivider(screen));

    auto *custom = new QHBoxLayout;
    custom->setContentsMargins(12, 8, 12, 8);
    custom->setSpacing(6);
    m_custom = new QLineEdit(screen);
    m_custom->setObjectName(QStringLiteral("customPrompt"));
    m_custom->setPlaceholderText(tr("Custom prompt..."));
    m_custom->setFrame(false);
    m_custom->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_custom->installEventFilter(this);
    m_send = iconButton(symbolIcon(QStringLiteral("arrow.up.circle.fill"), aiTint()), 18, screen);
    m_send->setObjectName(QStringLiteral("send"));
    custom->addWidget(m_custom, 1);
    custom->addWidget(m_send);
    column->addLayout(custom);

    const auto updateSend = [this] {
        const bool ready = !m_custom->text().isEmpty();
        m_send->setEnabled(ready);
        m_send->setIcon(symbolIcon(QStringLiteral("arrow.up.circle.fill"),
            ready ? aiTint() : textColor(palette(), Emphasis::secondary)));
    };
    connect(m_custom, &QLineEdit::textChanged, this, updateSend);
    // What the user types is what Return runs.
    connect(m_custom, &QLineEdit::textEdited, this, [this] { setHighlighted(int(m_rows.size())); });
    connect(m_send, &QToolButton::clicked, this, &AITransformView::runCustom);
    updateSend();
    return screen;
}

QWidget *AITransformView::buildResultScreen()
{
    auto *screen = new QWidget(this);
    auto *column = new QVBoxLayout(screen);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // A plain-text view lays out only what it shows: a long answer or diff
    // never costs a layout of the whole of it.
    m_result = new QPlainTextEdit(screen);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setReadOnly(true);
    m_result->setFrameShape(QFrame::NoFrame);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_result->setMinimumHeight(kResultMinHeight);
    m_result->setMaximumHeight(kResultMaxHeight);
    m_result->document()->setDocumentMargin(12);
    // Selectable from the keyboard, but read-only: no caret.
    m_result->setCursorWidth(0);
    m_result->setFont(sizedFont(font(), 13, QFont::Medium));
    m_result->viewport()->setAutoFillBackground(false);
    m_result->installEventFilter(this);
    slimScrollBar(m_result);
    column->addWidget(m_result, 1);

    // A note under the text: an answer that is not whole, or a diff that
    // could not be made.
    m_resultNote = new QLabel(screen);
    m_resultNote->setObjectName(QStringLiteral("resultNote"));
    m_resultNote->setTextFormat(Qt::PlainText);
    m_resultNote->setWordWrap(true);
    m_resultNote->setFont(sizedFont(font(), 11));
    m_resultNote->setContentsMargins(12, 4, 12, 0);
    setTextColor(m_resultNote, textColor(palette(), Emphasis::secondary));
    column->addWidget(m_resultNote);

    // A failed run says why where the user looks, not only after Back.
    m_resultError = new QLabel(screen);
    m_resultError->setObjectName(QStringLiteral("resultError"));
    m_resultError->setTextFormat(Qt::PlainText);
    m_resultError->setWordWrap(true);
    m_resultError->setFont(sizedFont(font(), 11));
    m_resultError->setContentsMargins(12, 4, 12, 4);
    setTextColor(m_resultError, Qt::red);
    auto *errorRow = new QHBoxLayout;
    errorRow->setContentsMargins(0, 0, 12, 0);
    errorRow->addWidget(m_resultError, 1);
    m_details = new QPushButton(tr("Details"), screen);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setFlat(true);
    m_details->setCheckable(true);
    m_details->setFocusPolicy(Qt::NoFocus);
    m_details->setCursor(Qt::PointingHandCursor);
    m_details->setFont(sizedFont(font(), 11));
    errorRow->addWidget(m_details, 0, Qt::AlignTop);
    column->addLayout(errorRow);
    m_detailText = new QLabel(screen);
    m_detailText->setObjectName(QStringLiteral("errorDetail"));
    m_detailText->setTextFormat(Qt::PlainText);
    m_detailText->setWordWrap(true);
    m_detailText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detailText->setFont(sizedFont(font(), 10));
    m_detailText->setContentsMargins(12, 0, 12, 4);
    m_detailText->setMaximumHeight(120);
    setTextColor(m_detailText, textColor(palette(), Emphasis::secondary));
    column->addWidget(m_detailText);
    connect(m_details, &QPushButton::toggled, m_detailText, &QWidget::setVisible);

    m_stop = new QPushButton(tr("Stop"), screen);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setFlat(true);
    m_stop->setFocusPolicy(Qt::NoFocus);
    m_stop->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_stop, 0, Qt::AlignRight);
    connect(m_stop, &QPushButton::clicked, &m_manager, &TextTransformManager::stop);

    // The line goes with the actions: while the answer streams, the text has
    // the panel to the bottom.
    m_actions = new QWidget(screen);
    auto *actionsColumn = new QVBoxLayout(m_actions);
    actionsColumn->setContentsMargins(0, 0, 0, 0);
    actionsColumn->setSpacing(0);
    actionsColumn->addWidget(makeDivider(m_actions));
    auto *row = new QHBoxLayout;
    actionsColumn->addLayout(row);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(8);
    auto *back = new QPushButton(tr("Back"), m_actions);
    back->setObjectName(QStringLiteral("back"));
    back->setFlat(true);
    back->setFocusPolicy(Qt::NoFocus);
    back->setCursor(Qt::PointingHandCursor);
    setTextColor(back, textColor(palette(), Emphasis::secondary));
    m_copy = new QPushButton(m_actions);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_copy->setFocusPolicy(Qt::NoFocus);
    m_copy->setCursor(Qt::PointingHandCursor);
    m_retry = prominentButton(tr("Try Again"), m_actions);
    m_retry->setObjectName(QStringLiteral("retry"));
    m_apply = prominentButton(tr("Apply"), m_actions);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_paste = prominentButton(tr("Paste"), m_actions);
    m_paste->setObjectName(QStringLiteral("paste"));
    row->addWidget(back);
    row->addStretch(1);
    row->addWidget(m_copy);
    row->addWidget(m_retry);
    row->addWidget(m_apply);
    row->addWidget(m_paste);
    m_returnHint = returnHint(m_actions);
    row->addWidget(m_returnHint);
    column->addWidget(m_actions);

    connect(back, &QPushButton::clicked, this, &AITransformView::back);
    connect(m_apply, &QPushButton::clicked, this, &AITransformView::apply);
    connect(m_paste, &QPushButton::clicked, this, &AITransformView::apply);
    connect(m_copy, &QPushButton::clicked, this, &AITransformView::copy);
    connect(m_retry, &QPushButton::clicked, this, &AITransformView::retry);
    setShowCopied(false);
    return screen;
}

void AITransformView::rebuildPromptRows()
{
    for (const PromptRow &row : std::as_const(m_rows))
        delete row.button;
    m_rows.clear();
    while (QLayoutItem *item = m_promptColumn->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    QWidget *list = m_promptScroll->widget();
    for (const TextPrompt &prompt : builtInPrompts()) {
        auto *button = promptButton(prompt.icon, prompt.name, aiTint(), list);
        m_promptColumn->addWidget(button);
        m_rows.append({ button, prompt, std::nullopt });
    }
    const QList<SavedPrompt> saved = m_prompts.prompts();
    if (!saved.isEmpty()) {
        auto *divider = new QWidget(list);
        auto *layout = new QVBoxLayout(divider);
        layout->setContentsMargins(12, 4, 12, 4);
        layout->addWidget(makeDivider(divider));
        m_promptColumn->addWidget(divider);
    }
    for (const SavedPrompt &prompt : saved) {
        auto *button = promptButton(prompt.icon, prompt.name, savedPromptTint(), list);
        m_promptColumn->addWidget(button);
        m_rows.append({ button, std::nullopt, prompt });
    }
    m_promptColumn->addStretch(1);
    for (int i = 0; i < m_rows.size(); ++i) {
        m_rows[i].button->setObjectName(QStringLiteral("prompt%1").arg(i));
        connect(m_rows[i].button, &QToolButton::clicked, this, [this, i] { runRow(i); });
    }
    setHighlighted(std::min(m_highlighted, int(m_rows.size()) - 1));
}

void AITransformView::setHighlighted(int index)
{
    // The rows, then the custom prompt field.
    m_highlighted = std::clamp(index, 0, int(m_rows.size()));
    for (int i = 0; i < m_rows.size(); ++i) {
        QToolButton *button = m_rows[i].button;
        if (button->property("highlighted").toBool() == (i == m_highlighted))
            continue;
        button->setProperty("highlighted", i == m_highlighted);
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
    if (m_highlighted < m_rows.size())
        m_promptScroll->ensureWidgetVisible(m_rows[m_highlighted].button, 0, 4);
}

void AITransformView::runRow(int index)
{
    if (index < 0 || index >= m_rows.size())
        return;
    setHighlighted(index);
    // Any run uses up what was typed: after Back the field is empty.
    m_custom->clear();
    // A copy: running the prompt may rebuild the rows.
    const PromptRow row = m_rows[index];
    if (row.builtIn)
        runBuiltIn(*row.builtIn);
    else if (row.saved)
        runSaved(*row.saved);
}

void AITransformView::runBuiltIn(const TextPrompt &prompt)
{
    m_manager.setCurrentPromptName(prompt.name);
    m_manager.transform(prompt.systemPrompt);
}

void AITransformView::runSaved(const SavedPrompt &prompt)
{
    m_manager.setMode(mode(prompt));
    m_manager.setCurrentPromptName(prompt.name);
    m_manager.transform(prompt.systemPrompt);
}

void AITransformView::runCustom()
{
    const QString instruction = m_custom->text();
    if (instruction.isEmpty())
        return;
    if (!m_manager.currentPromptName())
        m_manager.setCurrentPromptName(instruction);
    // Used once: after Back the field does not offer it again.
    m_custom->clear();
    setHighlighted(0);
    m_manager.transform(instruction);
}

void AITransformView::apply()
{
    // Only a whole answer replaces the selection; a failed, cut or empty one
    // never does.
    if (m_manager.isProcessing() || !m_manager.isResultComplete() || !m_manager.result())
        return;
    m_manager.replaceSelection(*m_manager.result());
    Q_EMIT dismissRequested();
}

void AITransformView::retry()
{
    if (m_manager.isProcessing() || m_manager.isResultComplete())
        return;
    m_manager.retry();
}

void AITransformView::copy()
{
    if (m_manager.isProcessing() || !m_manager.isResultComplete() || !m_manager.result())
        return;
    m_manager.copyResult(*m_manager.result());
    setShowCopied(true);
    // Each press lowers the flag at its own time.
    m_clock.schedule(copiedFor, this, [this] { setShowCopied(false); });
}

void AITransformView::back()
{
    if (m_manager.result())
        m_manager.setResult(std::nullopt);
    if (m_manager.error())
        m_manager.setError(std::nullopt);
}

void AITransformView::setShowCopied(bool shown)
{
    m_showCopied = shown;
    m_copy->setText(shown ? tr("Copied") : tr("Copy"));
    m_copy->setIcon(symbolIcon(shown ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"),
        palette().color(QPalette::ButtonText)));
}

bool AITransformView::isShowingResult() const
{
    return m_screens->currentIndex() == 1;
}

void AITransformView::updateHeader()
{
    m_title->setText(m_manager.currentPromptName().value_or(tr("AI Transform")));
    m_busy->setVisible(m_manager.isProcessing());
}

void AITransformView::updateScreen()
{
    const bool result = m_manager.result().has_value();
    const bool wasResult = isShowingResult();
    m_screens->setCurrentIndex(result ? 1 : 0);
    if (result != wasResult) {
        if (result)
            m_result->setFocus();
        else
            m_custom->setFocus();
    }
    updateResult();
    updateActions();
}

void AITransformView::updatePromptScreen()
{
    const std::optional<QString> selection = m_manager.selectedText();
    m_selection->setVisible(selection.has_value());
    m_selectionLine->setVisible(selection.has_value());
    m_selection->setText(selection.value_or(QString()));
    const std::optional<QString> error = m_manager.error();
    m_promptError->setVisible(error.has_value());
    m_promptError->setText(error.value_or(QString()));
}

void AITransformView::updateResult()
{
    const std::optional<QString> result = m_manager.result();
    if (!result) {
        dropDiff();
        m_result->clear();
        m_pending.clear();
        m_shownLength = 0;
        m_showingDiff = false;
        m_plainCurrent = false;
        m_diffedText.clear();
        m_resultNote->hide();
        return;
    }
    const bool diff = m_manager.mode() == TransformMode::replace && m_manager.isResultComplete();
    if (diff) {
        if (m_showingDiff && m_diffedText == *result)
            return;
        startDiff(m_manager.selectedText().value_or(QString()), *result);
        return;
    }
    if (!m_showingDiff && m_plainCurrent && m_shownLength == result->size())
        return; // streamed chunks are on their way to the view
    // The answer is no longer the one on show (a new run, the trimmed end of
    // a plain answer, a switch from the diff): draw it afresh.
    showPlain(*result);
}

void AITransformView::appendStreamed(const QString &text)
{
    if (m_showingDiff)
        return;
    m_pending.append(text);
    m_shownLength += text.size();
    m_appended = true;
    auto *timer = static_cast<QTimer *>(m_flushTimer);
    if (!timer->isActive())
        timer->start();
}

void AITransformView::flushStreamed()
{
    if (m_pending.isEmpty())
        return;
    QScrollBar *scroll = m_result->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor cursor(m_result->document());
    cursor.movePosition(QTextCursor::End);
    if (m_pending.size() <= kMaxCharsPerFrame) {
        cursor.insertText(std::exchange(m_pending, QString()));
    } else {
        cursor.insertText(m_pending.left(kMaxCharsPerFrame));
        m_pending.remove(0, kMaxCharsPerFrame);
        static_cast<QTimer *>(m_flushTimer)->start();
    }
    if (atEnd)
        scroll->setValue(scroll->maximum());
}

void AITransformView::showPlain(const QString &text)
{
    dropDiff();
    m_showingDiff = false;
    m_diffedText.clear();
    m_pending.clear();
    static_cast<QTimer *>(m_flushTimer)->stop();
    m_result->setPlainText(text);
    m_shownLength = text.size();
    m_plainCurrent = true;
}

void AITransformView::startDiff(const QString &oldText, const QString &newText)
{
    dropDiff();
    // Text still on its way to the view goes on being drawn meanwhile.
    const bool streamedWhole = m_plainCurrent && m_shownLength == newText.size();
    m_showingDiff = true;
    m_diffPending = true;
    m_diffSkipped = false;
    m_diffedText = newText;
    m_resultNote->hide();

    auto job = std::make_shared<DiffJob>();
    m_diff = job;
    const DiffColors colors = DiffColors::forPalette(palette());
    connect(&job->watcher, &QFutureWatcher<QList<DiffRun>>::finished, this,
        [this, weak = std::weak_ptr<DiffJob>(job)] {
            const auto job = weak.lock();
            if (!job || m_diff != job || *job->cancel)
                return;
            job->runs = job->watcher.result();
            m_pending.clear();
            static_cast<QTimer *>(m_flushTimer)->stop();
            m_result->clear();
            drawDiffSlice();
        });
    job->watcher.setFuture(QtConcurrent::run([cancel = job->cancel, oldText, newText, colors] {
        LcsLimits limits;
        limits.cancel = cancel.get();
        const QList<DiffChunk> chunks = ResultDiff::diff(oldText, newText, limits);
        return *cancel ? QList<DiffRun>() : ResultDiff::styled(chunks, colors);
    }));
    // Past the budget the answer is worth more than its comparison.
    m_clock.schedule(kDiffBudget, this, [this, weak = std::weak_ptr<DiffJob>(job)] {
        const auto job = weak.lock();
        if (!job || m_diff != job || !job->watcher.isRunning())
            return;
        const QString text = m_diffedText;
        showPlain(text);
        m_resultNote->setText(tr("The texts are too long to compare in time; the answer is shown "
                                 "without its changes marked."));
        m_resultNote->show();
        // Still counts as the answer on show, so it is not compared again.
        m_showingDiff = true;
        m_diffSkipped = true;
        m_diffedText = text;
    });
    // Until the comparison is drawn, the answer is readable as it is (and
    // mostly is already, streamed in).
    if (!streamedWhole) {
        m_pending.clear();
        m_result->setPlainText(newText);
    }
}

void AITransformView::drawDiffSlice()
{
    const std::shared_ptr<DiffJob> job = m_diff;
    if (!job)
        return;
    QElapsedTimer slice;
    slice.start();
    QTextCursor cursor(m_result->document());
    cursor.movePosition(QTextCursor::End);
    // One edit per slice: the document is laid out once per slice.
    cursor.beginEditBlock();
    while (job->next < job->runs.size() && !slice.hasExpired(kDiffSliceMs)) {
        const DiffRun &run = job->runs[job->next++];
        cursor.insertText(run.text, run.format);
    }
    cursor.endEditBlock();
    if (job->next < job->runs.size()) {
        QTimer::singleShot(0, this, [this, job] {
            if (m_diff == job)
                drawDiffSlice();
        });
        return;
    }
    m_diff.reset();
    m_diffPending = false;
    m_result->verticalScrollBar()->setValue(0);
}

void AITransformView::dropDiff()
{
    if (m_diff) {
        *m_diff->cancel = true;
        m_diff.reset();
    }
    m_diffPending = false;
}

void AITransformView::updateActions()
{
    const bool finished = !m_manager.isProcessing();
    m_actions->setVisible(finished);
    m_stop->setVisible(!finished && isShowingResult());
    const bool whole = m_manager.isResultComplete();
    const bool replace = m_manager.mode() == TransformMode::replace;
    m_apply->setVisible(whole && replace);
    m_copy->setVisible(whole && !replace);
    m_paste->setVisible(whole && !replace);
    m_returnHint->setVisible(whole);
    m_retry->setVisible(!whole);
    const std::optional<QString> error = m_manager.error();
    const bool showError = error.has_value() && isShowingResult();
    m_resultError->setVisible(showError);
    m_resultError->setText(error.value_or(QString()));
    const QString detail = m_manager.errorDetail();
    m_details->setVisible(showError && !detail.isEmpty());
    if (!m_details->isVisible())
        m_details->setChecked(false);
    m_detailText->setVisible(m_details->isVisible() && m_details->isChecked());
    m_detailText->setText(detail.left(kMaxDetailChars));
    if (!m_showingDiff) {
        const std::optional<QString> result = m_manager.result();
        m_resultNote->setVisible(finished && error && result && !result->isEmpty());
        m_resultNote->setText(tr("The answer is incomplete: it can be read and copied from here, "
                                 "but not applied."));
    }
}

bool AITransformView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_custom || watched == m_result)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            Q_EMIT dismissRequested();
            return true;
        }
        const bool plainReturn = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & ~Qt::KeypadModifier);
        if (watched == m_result && plainReturn) {
            apply();
            return true;
        }
        if (watched == m_custom) {
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                // Round the rows and the field: from the field, Down goes to
                // the first prompt.
                const int count = int(m_rows.size()) + 1;
                setHighlighted((m_highlighted + (key->key() == Qt::Key_Up ? -1 : 1) + count) % count);
                return true;
            }
            if (plainReturn) {
                if (m_highlighted < m_rows.size())
                    runRow(m_highlighted);
                else
                    runCustom();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AITransformView::keyPressEvent(QKeyEvent *event)
{
    if (pressFocusedButton(this, event))
        return;
    if (event->key() == Qt::Key_Escape) {
        Q_EMIT dismissRequested();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isShowingResult()) {
        apply();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quillet
