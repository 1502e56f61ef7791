#pragma once

#include "ai/TextPrompt.h"
#include "store/SavedPrompt.h"

#include <QList>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTextBrowser;
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
// at once; Up and Down move through the prompts and Return runs the
// highlighted one while the field is empty. On a finished result Return
// applies (or pastes) it. Escape closes.
class AITransformView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 320;
    static constexpr int height = 400;
    static constexpr std::chrono::milliseconds copiedFor { 1500 };

    AITransformView(
        TextTransformManager &manager, PromptLibrary &prompts, Clock &clock, QWidget *parent = nullptr);

    // The prompt row the keyboard highlights (built-in prompts first).
    int highlightedPrompt() const { return m_highlighted; }
    bool isShowingResult() const;
    bool isShowingCopied() const { return m_showCopied; }

Q_SIGNALS:
    // The panel should close (Escape, the close button, after Apply/Paste).
    void dismissRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct PromptRow {
        QToolButton *button;
        std::optional<TextPrompt> builtIn;
        std::optional<SavedPrompt> saved;
    };

    QWidget *buildPromptScreen();
    QWidget *buildResultScreen();
    void rebuildPromptRows();
    void setHighlighted(int index);
    void runRow(int index);
    void runBuiltIn(const TextPrompt &prompt);
    void runSaved(const SavedPrompt &prompt);
    void runCustom();
    void apply();
    void copy();
    void back();
    void setShowCopied(bool shown);

    // Follow the manager.
    void updateHeader();
    void updateScreen();
    void updatePromptScreen();
    void updateResult();
    void updateActions();

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

    QTextBrowser *m_result = nullptr;
    QLabel *m_resultError = nullptr;
    QWidget *m_actions = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_paste = nullptr;

    // What the result view shows, so a streamed chunk appends only itself and
    // the diff is computed once per finished answer.
    QString m_shownText;
    bool m_showingDiff = false;
    bool m_showCopied = false;
    QObject *m_copiedTimer = nullptr;
};

} // namespace quillet
