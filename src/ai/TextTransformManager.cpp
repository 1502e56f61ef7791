#include "ai/TextTransformManager.h"

#include "ai/AIService.h"
#include "clipboard/PasteService.h"
#include "clipboard/SelectionCapture.h"
#include "clipboard/TypeRegistry.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/KeySynthesizer.h"
#include "platform/Pasteboard.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>

namespace quillet {

Q_DECLARE_LOGGING_CATEGORY(lcAi)

const QString TextTransformManager::defaultModel = QStringLiteral("gemini-3.1-flash-lite-preview");

TextTransformManager::TextTransformManager(Pasteboard &pasteboard, SelectionCapture &capture,
    KeySynthesizer &keys, Defaults &defaults, Clock &clock, AIService &aiService, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_capture(capture)
    , m_keys(keys)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_aiService(aiService)
{
}

TextTransformManager::~TextTransformManager() = default;

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
    Q_EMIT resultChanged();
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
    if (m_error == value)
        return;
    m_error = value;
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
    if (!m_keys.isTrusted()) {
        setError(QStringLiteral("Accessibility permission required"));
        co_return std::nullopt;
    }
    QPointer<TextTransformManager> self(this);
    const std::optional<QString> text = co_await m_capture.copySelection();
    if (self)
        setSelectedText(text);
    co_return text;
}

void TextTransformManager::transform(const QString &systemPrompt)
{
    if (!m_selectedText || m_selectedText->isEmpty()) {
        setError(QStringLiteral("No text selected"));
        return;
    }
    const QString apiKey = m_defaults.string(QStringLiteral("geminiAPIKey"));
    QString model = m_defaults.string(QStringLiteral("geminiModel"));
    if (model.isEmpty())
        model = defaultModel;
    if (apiKey.isEmpty()) {
        setError(QStringLiteral("Please set your Gemini API key in Settings → AI"));
        return;
    }

    const quint64 run = ++m_run;
    setIsProcessing(true);
    setError(std::nullopt);
    setResult(QString());
    readAnswer(this, m_aiService.streamText(model, apiKey, systemPrompt, *m_selectedText), run);
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
        self->m_result = self->m_result.value_or(QString()) + *chunk;
        Q_EMIT self->resultChanged();
    }
    if (!current())
        co_return;
    if (const auto error = stream.error()) {
        self->setError(*error);
    } else if (self->m_result) {
        self->setResult(self->m_result->trimmed());
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
    setSelectedText(std::nullopt);
    setResult(std::nullopt);
    setError(std::nullopt);
    setCurrentPromptName(std::nullopt);
    setIsProcessing(false);
    setMode(TransformMode::replace);
}

} // namespace quillet
