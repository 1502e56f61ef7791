#pragma once

#include "ai/AIStream.h"
#include "ai/TextPrompt.h"
#include "platform/Workspace.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

namespace quillet {

class AIService;
class ApiKeyStore;
class Clock;
class Defaults;
class KeySynthesizer;
class Pasteboard;
class SelectionCapture;

// The state behind the AI transform: the captured selection, the answer as it
// streams in, and putting the answer back. Main thread only.
//
// Only a whole answer may be put back: isResultComplete is set when a run
// ended normally with text, and cleared by anything else (a failure, a cut
// answer, an empty one, a new run). A failed run keeps the text that arrived
// in result so it can be read, never inserted.
class TextTransformManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> selectedText READ selectedText WRITE setSelectedText NOTIFY
            selectedTextChanged)
    Q_PROPERTY(std::optional<QString> result READ result WRITE setResult NOTIFY resultChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing WRITE setIsProcessing NOTIFY isProcessingChanged)
    Q_PROPERTY(std::optional<QString> error READ error WRITE setError NOTIFY errorChanged)
    Q_PROPERTY(quillet::TransformMode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(std::optional<QString> currentPromptName READ currentPromptName WRITE setCurrentPromptName
            NOTIFY currentPromptNameChanged)
    Q_PROPERTY(bool isResultComplete READ isResultComplete NOTIFY isResultCompleteChanged)
    Q_PROPERTY(QString errorDetail READ errorDetail NOTIFY errorChanged)
public:
    static const QString defaultModel;
    static constexpr std::chrono::milliseconds kPasteDelay { 50 };

    TextTransformManager(Pasteboard &pasteboard, SelectionCapture &capture, KeySynthesizer &keys,
        Workspace &workspace, Defaults &defaults, ApiKeyStore &keyStore, Clock &clock, AIService &aiService,
        QObject *parent = nullptr);
    ~TextTransformManager() override;

    std::optional<QString> selectedText() const { return m_selectedText; }
    std::optional<QString> result() const { return m_result; }
    bool isProcessing() const { return m_isProcessing; }
    std::optional<QString> error() const { return m_error; }
    TransformMode mode() const { return m_mode; }
    std::optional<QString> currentPromptName() const { return m_currentPromptName; }
    bool isResultComplete() const { return m_resultComplete; }
    // What lies behind error (the service's raw error, say); may be empty.
    QString errorDetail() const { return m_errorDetail; }

    void setSelectedText(const std::optional<QString> &value);
    void setResult(const std::optional<QString> &value);
    void setIsProcessing(bool value);
    void setError(const std::optional<QString> &value);
    void setMode(TransformMode value);
    void setCurrentPromptName(const std::optional<QString> &value);

    // The selection of the application in front: its selected-text
    // selection when that belongs to the active window, else a copy through
    // its own copy command with the clipboard saved before and restored
    // after. Kept in selectedText unless a reset came meanwhile: a capture
    // superseded by a newer request returns nothing and changes nothing.
    QCoro::Task<std::optional<QString>> captureSelectedText();

    // Runs `systemPrompt` over the selection; returns at once while the
    // answer streams into result (after the keyring has answered, when it
    // has not yet). A newer run or a reset supersedes an older
    // run, whose remaining answer is then dropped.
    void transform(const QString &systemPrompt);
    // Runs the last prompt again over the same selection.
    void retry();
    // Ends the running answer's request; what arrived stays, incomplete.
    void stop();

    // Puts `text` on the clipboard (marked as Quillet's own write) and pastes
    // it into the application in front shortly after.
    void replaceSelection(const QString &text);
    // The window the selection came from: it gets the focus back and the
    // paste of a replace. Without one, the paste goes to whatever has the
    // focus.
    void setPasteTarget(std::optional<WindowId> window) { m_pasteTarget = window; }
    std::optional<WindowId> pasteTarget() const { return m_pasteTarget; }
    // Puts `text` on the clipboard, marked, without pasting.
    void copyResult(const QString &text);

    // Back to idle before a new capture.
    void resetForNewRun();

Q_SIGNALS:
    void selectedTextChanged();
    void resultChanged();
    void isProcessingChanged();
    void errorChanged();
    void modeChanged();
    void currentPromptNameChanged();
    void isResultCompleteChanged();
    // `text` was added to the end of result while it streams: a view can
    // add just that.
    void resultAppended(const QString &text);

private:
    QFuture<void> writeMarkedText(const QString &text);
    void setResultComplete(bool complete);
    void fail(const QString &message, const QString &detail = {});
    void endStream();
    // Ends the running answer and starts a new one for `systemPrompt`; its run number.
    quint64 beginRun(const QString &systemPrompt);
    static QCoro::Task<> transformOnceKeyLoaded(
        QPointer<TextTransformManager> self, ApiKeyStore &keyStore, QString systemPrompt, quint64 run);
    static QCoro::Task<> readAnswer(
        QPointer<TextTransformManager> self, AIStream<QString> stream, quint64 run);

    Pasteboard &m_pasteboard;
    std::optional<WindowId> m_pasteTarget;
    SelectionCapture &m_capture;
    KeySynthesizer &m_keys;
    Workspace &m_workspace;
    Defaults &m_defaults;
    ApiKeyStore &m_keyStore;
    Clock &m_clock;
    AIService &m_aiService;

    std::optional<QString> m_selectedText;
    std::optional<QString> m_result;
    bool m_isProcessing = false;
    std::optional<QString> m_error;
    TransformMode m_mode = TransformMode::replace;
    std::optional<QString> m_currentPromptName;
    bool m_resultComplete = false;
    QString m_errorDetail;

    // Counts requests: a capture or an answer of an older one is dropped.
    quint64 m_run = 0;
    std::optional<AIStream<QString>> m_stream;
    std::optional<QString> m_lastSystemPrompt;
};

} // namespace quillet
