#include "ai/TextTransformManager.h"

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "clipboard/PasteService.h"
#include "clipboard/SelectionCapture.h"
#include "clipboard/TypeRegistry.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>

namespace quillet {

Q_DECLARE_LOGGING_CATEGORY(lcAi)

const QString TextTransformManager::defaultModel = QStringLiteral("gemini-3.1-flash-lite-preview");

TextTransformManager::TextTransformManager(Pasteboard &pasteboard, SelectionCapture &capture,
    KeySynthesizer &keys, Workspace &workspace, Defaults &defaults, ApiKeyStore &keyStore, Clock &clock,
    AIService &aiService, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_capture(capture)
    , m_keys(keys)
    , m_workspace(workspace)
    , m_defaults(defaults)
    , m_keyStore(keyStore)
    , m_clock(clock)
    , m_aiService(aiService)
{
}

TextTransformManager::~TextTransformManager()
{
    endStream();
}

void TextTransformManager::setSelectedText(const std::optional<QString> &value)
{
    if (m_selectedText == value)
        return;
    m_selectedText = value;
    Q_EMIT selectedTextChanged();
}

void TextTransformManager::setResult(const std::optional<QString> &value)
{
    if (m_result == value)
        return;
    m_result = value;
    setResultComplete(false);
    Q_EMIT resultChanged();
}

void TextTransformManager::setResultComplete(bool complete)
{
    if (m_resultComplete == complete)
        return;
    m_resultComplete = complete;
    Q_EMIT isResultCompleteChanged();
}

void TextTransformManager::setIsProcessing(bool value)
{
    if (m_isProcessing == value)
        return;
    m_isProcessing = value;
    Q_EMIT isProcessingChanged();
}

void TextTransformManager::setError(const std::optional<QString> &value)
{
    if (m_error == value && m_errorDetail.isEmpty())
        return;
    m_error = value;
    m_errorDetail.clear();
    Q_EMIT errorChanged();
}

void TextTransformManager::fail(const QString &message, const QString &detail)
{
    if (m_error == message && m_errorDetail == detail)
        return;
    m_error = message;
    m_errorDetail = detail;
    Q_EMIT errorChanged();
}

void TextTransformManager::setMode(TransformMode value)
{
    if (m_mode == value)
        return;
    m_mode = value;
    Q_EMIT modeChanged();
}

void TextTransformManager::setCurrentPromptName(const std::optional<QString> &value)
{
    if (m_currentPromptName == value)
        return;
    m_currentPromptName = value;
    Q_EMIT currentPromptNameChanged();
}

QCoro::Task<std::optional<QString>> TextTransformManager::captureSelectedText()
{
    QPointer<TextTransformManager> self(this);
    const quint64 run = m_run;
    const auto superseded = [&] { return !self || self->m_run != run; };
    // X11 keeps the selected text in PRIMARY: no keystroke, no clipboard
    // round trip. But toolkits keep it after the text is deselected, so it
    // counts only while it belongs to the window in front.
    std::optional<QString> text;
    if (m_workspace.selectionBelongsToActiveWindow()) {
        text = co_await m_capture.readPrimary();
        if (superseded())
            co_return std::nullopt;
    }
    if (!text) {
        if (!m_keys.isTrusted()) {
            setError(QCoreApplication::translate(
                "TextTransformManager", "Quillet cannot send the copy keystroke on this desktop"));
            co_return std::nullopt;
        }
        text = co_await m_capture.copySelection();
        if (superseded())
            co_return std::nullopt;
    }
    setSelectedText(text);
    co_return text;
}

void TextTransformManager::transform(const QString &systemPrompt)
{
    if (!m_selectedText || m_selectedText->isEmpty()) {
        setError(QCoreApplication::translate("TextTransformManager", "No text selected"));
        return;
    }
    if (!m_keyStore.isLoaded()) {
        transformOnceKeyLoaded(this, m_keyStore, systemPrompt, beginRun(systemPrompt));
        return;
    }
    const QString apiKey = m_keyStore.key();
    QString model = m_defaults.string(QStringLiteral("geminiModel"));
    if (model.isEmpty())
        model = defaultModel;
    if (apiKey.isEmpty()) {
        const QString unreadable = m_keyStore.unreadable();
        setError(unreadable.isEmpty() ? QCoreApplication::translate(
                     "TextTransformManager", "Please set your Gemini API key in Settings → AI")
                                      : unreadable);
        return;
    }

    const quint64 run = beginRun(systemPrompt);
    m_stream = m_aiService.streamText(model, apiKey, systemPrompt, *m_selectedText);
    readAnswer(this, *m_stream, run);
}

quint64 TextTransformManager::beginRun(const QString &systemPrompt)
{
    endStream();
    const quint64 run = ++m_run;
    m_lastSystemPrompt = systemPrompt;
    setIsProcessing(true);
    setError(std::nullopt);
    setResult(QString());
    return run;
}

QCoro::Task<> TextTransformManager::transformOnceKeyLoaded(
    QPointer<TextTransformManager> self, ApiKeyStore &keyStore, QString systemPrompt, quint64 run)
{
    co_await keyStore.loadedKey();
    // Stopped, reset or run again meanwhile.
    if (!self || self->m_run != run)
        co_return;
    self->setIsProcessing(false);
    self->transform(systemPrompt);
}

void TextTransformManager::retry()
{
    if (m_lastSystemPrompt && !m_isProcessing)
        transform(*m_lastSystemPrompt);
}

void TextTransformManager::stop()
{
    if (!m_isProcessing)
        return;
    ++m_run;
    endStream();
    fail(QCoreApplication::translate("TextTransformManager", "Stopped before the answer was complete."));
    setIsProcessing(false);
}

void TextTransformManager::endStream()
{
    if (m_stream)
        std::exchange(m_stream, std::nullopt)->cancel();
}

QCoro::Task<> TextTransformManager::readAnswer(
    QPointer<TextTransformManager> self, AIStream<QString> stream, quint64 run)
{
    const auto current = [&] { return self && self->m_run == run; };
    while (auto chunk = co_await stream.next()) {
        if (!current())
            co_return;
        if (chunk->isEmpty())
            continue;
        // Appended in place: the cost of a chunk is its own size, not the
        // answer's so far.
        if (!self->m_result)
            self->m_result = QString();
        self->m_result->append(*chunk);
        Q_EMIT self->resultAppended(*chunk);
        Q_EMIT self->resultChanged();
    }
    if (!current())
        co_return;
    self->m_stream.reset();
    if (const auto error = stream.error()) {
        self->fail(*error, stream.errorDetail());
    } else {
        const QString trimmed = self->m_result.value_or(QString()).trimmed();
        self->setResult(trimmed);
        if (trimmed.isEmpty())
            self->fail(QCoreApplication::translate("TextTransformManager", "The answer was empty."));
        else
            self->setResultComplete(true);
    }
    self->setIsProcessing(false);
}

QFuture<void> TextTransformManager::writeMarkedText(const QString &text)
{
    return m_pasteboard.write(
        { PasteboardItem { { { types::plainText, text.toUtf8() }, { types::selfMarker, QByteArray() } } } });
}

void TextTransformManager::replaceSelection(const QString &text)
{
    simulatePasteWhenWritten(this, m_clock, kPasteDelay, m_keys, writeMarkedText(text), m_pasteTarget);
}

void TextTransformManager::copyResult(const QString &text)
{
    writeMarkedText(text);
}

void TextTransformManager::resetForNewRun()
{
    ++m_run;
    endStream();
    m_lastSystemPrompt.reset();
    setSelectedText(std::nullopt);
    setResult(std::nullopt);
    setError(std::nullopt);
    setCurrentPromptName(std::nullopt);
    setIsProcessing(false);
    setMode(TransformMode::replace);
}

} // namespace quillet
