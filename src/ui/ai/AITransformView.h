#pragma once

#include "ai/TextPrompt.h"
#include "store/SavedPrompt.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QPlainTextEdit;
class QToolButton;
class QVBoxLayout;

namespace quillet {

class Clock;
class PromptLibrary;
class Spinner;
class TextTransformManager;

// The content of the floating AI panel: the captured selection, the prompts
// to run over it (built-in, then saved, then a one-off instruction), the
// answer as it streams in, and putting it back. A view over the shared
// transform manager; its own state is the custom prompt's text and the brief
// "Copied" confirmation.
//
// Keys: the custom prompt field has the focus, so an instruction can be typed
// at once. Up and Down move the highlight through the prompts and the field
// (the last row); typing highlights the field; Return runs what is
// highlighted, and a run empties the field. On a whole answer Return applies
// (or pastes) it; a failed, cut or empty answer offers only Back and Try
// Again. Escape closes.
//
// The word diff is computed on a worker and drawn a slice at a time, so a
// long text never holds up the panel; past kDiffBudget the answer is shown
// without it.
class AITransformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 320;
    static constexpr int height = 400;
    static constexpr std::chrono::milliseconds copiedFor { 1500 };
    static constexpr std::chrono::milliseconds kDiffBudget { 1500 };

    AITransformView(
        TextTransformManager &manager, PromptLibrary &prompts, Clock &clock, QWidget *parent = nullptr);
    ~AITransformView() override;

    // The prompt row the keyboard highlights (built-in prompts first); the
    // row after the last prompt is the custom prompt field.
    int highlightedPrompt() const { return m_highlighted; }
    bool isShowingResult() const;
    // The result shows the word diff (not the plain answer) and is drawn whole.
    bool isShowingDiff() const { return m_showingDiff && !m_diffPending && !m_diffSkipped; }
    bool isShowingCopied() const { return m_showCopied; }

Q_SIGNALS:
    // The panel should close (Escape, the close button, after Apply/Paste).
    void dismissRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    struct PromptRow {
        QToolButton *button;
        std::optional<TextPrompt> builtIn;
        std::optional<SavedPrompt> saved;
    };

    void describeForAssistiveTechnologies();
    QWidget *buildPromptScreen();
    QWidget *buildResultScreen();
    void rebuildPromptRows();
    void setHighlighted(int index);
    void runRow(int index);
    void runBuiltIn(const TextPrompt &prompt);
    void runSaved(const SavedPrompt &prompt);
    void runCustom();
    void apply();
    void retry();
    void copy();
    void back();
    void setShowCopied(bool shown);

    // Follow the manager.
    void updateHeader();
    void updateScreen();
    void updatePromptScreen();
    void updateResult();
    void updateActions();
    void appendStreamed(const QString &text);
    void flushStreamed();
    void showPlain(const QString &text);
    void startDiff(const QString &oldText, const QString &newText);
    void drawDiffSlice();
    void dropDiff();

    TextTransformManager &m_manager;
    PromptLibrary &m_prompts;
    Clock &m_clock;

    QLabel *m_title = nullptr;
    Spinner *m_busy = nullptr;
    QStackedWidget *m_screens = nullptr;

    QLabel *m_selection = nullptr;
    QWidget *m_selectionLine = nullptr;
    QLabel *m_promptError = nullptr;
    QScrollArea *m_promptScroll = nullptr;
    QVBoxLayout *m_promptColumn = nullptr;
    QList<PromptRow> m_rows;
    int m_highlighted = 0;
    QLineEdit *m_custom = nullptr;
    QToolButton *m_send = nullptr;

    QPlainTextEdit *m_result = nullptr;
    QLabel *m_resultError = nullptr;
    QLabel *m_resultNote = nullptr;
    QPushButton *m_details = nullptr;
    QLabel *m_detailText = nullptr;
    QPushButton *m_stop = nullptr;
    QWidget *m_actions = nullptr;
    QPushButton *m_retry = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_paste = nullptr;
    QLabel *m_returnHint = nullptr;

    // What the result view shows: the answer's length drawn as plain text
    // (a streamed chunk appends only itself, gathered for one frame), or the
    // diff of one finished answer.
    qsizetype m_shownLength = 0;
    QString m_pending;
    QObject *m_flushTimer = nullptr;
    bool m_appended = false;
    bool m_plainCurrent = false;
    bool m_showingDiff = false;
    bool m_diffPending = false;
    bool m_diffSkipped = false;
    QString m_diffedText;
    struct DiffJob;
    std::shared_ptr<DiffJob> m_diff;
    bool m_showCopied = false;
    QObject *m_copiedTimer = nullptr;
};

} // namespace quillet
