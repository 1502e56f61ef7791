#include "ai/TextPrompt.h"

#include <QCoreApplication>
#include <QUuid>

namespace quillet {

QString rawValue(TransformMode mode)
{
    return mode == TransformMode::input ? QStringLiteral("Input") : QStringLiteral("Replace");
}

TransformMode transformModeFromRaw(const QString &raw)
{
    return raw == QLatin1String("Input") ? TransformMode::input : TransformMode::replace;
}

const QList<TransformMode> &allTransformModes()
{
    static const QList<TransformMode> all { TransformMode::replace, TransformMode::input };
    return all;
}

const QList<TextPrompt> &builtInPrompts()
{
    // The titles are the user's language; the instructions to the model stay English.
    static const QList<TextPrompt> prompts {
        { QStringLiteral("fix-grammar"), QCoreApplication::translate("TextPrompt", "Fix grammar & spelling"),
            QStringLiteral("textformat.abc"),
            QStringLiteral(
                "Fix all grammar and spelling errors in the following text. Return only the corrected text, "
                "nothing else.") },
        { QStringLiteral("make-professional"), QCoreApplication::translate("TextPrompt", "Make professional"),
            QStringLiteral("briefcase"),
            QStringLiteral(
                "Rewrite the following text in a professional tone. Return only the rewritten text, nothing "
                "else.") },
        { QStringLiteral("make-concise"), QCoreApplication::translate("TextPrompt", "Make concise"),
            QStringLiteral("scissors"),
            QStringLiteral(
                "Make the following text more concise while preserving meaning. Return only the rewritten "
                "text, nothing else.") },
        { QStringLiteral("translate-english"),
            QCoreApplication::translate("TextPrompt", "Translate to English"), QStringLiteral("globe"),
            QStringLiteral(
                "Translate the following text to English. Return only the translation, nothing else.") },
        { QStringLiteral("translate-chinese"),
            QCoreApplication::translate("TextPrompt", "Translate to Chinese"),
            QStringLiteral("globe.asia.australia"),
            QStringLiteral(
                "Translate the following text to Chinese. Return only the translation, nothing else.") },
        { QStringLiteral("summarize"), QCoreApplication::translate("TextPrompt", "Summarize"),
            QStringLiteral("doc.plaintext"),
            QStringLiteral("Summarize the following text briefly. Return only the summary, nothing else.") },
        { QStringLiteral("explain-simply"), QCoreApplication::translate("TextPrompt", "Explain simply"),
            QStringLiteral("lightbulb"),
            QStringLiteral("Explain the following text in simple, easy-to-understand terms. Return only the "
                           "explanation, nothing else.") },
    };
    return prompts;
}

const QStringList &promptIconChoices()
{
    static const QStringList icons { QStringLiteral("text.bubble"), QStringLiteral("pencil.and.outline"),
        QStringLiteral("doc.text"), QStringLiteral("globe"), QStringLiteral("wand.and.stars"),
        QStringLiteral("lightbulb"), QStringLiteral("brain"), QStringLiteral("text.quote"),
        QStringLiteral("arrow.triangle.swap"), QStringLiteral("checkmark.circle"),
        QStringLiteral("exclamationmark.triangle"), QStringLiteral("list.bullet"),
        QStringLiteral("textformat"), QStringLiteral("character.book.closed") };
    return icons;
}

QString shortcutName(const TextPrompt &builtIn)
{
    return QStringLiteral("aiBuiltIn-") + builtIn.id;
}

TransformMode mode(const SavedPrompt &prompt)
{
    return transformModeFromRaw(prompt.modeRaw);
}

QString shortcutName(const SavedPrompt &prompt)
{
    return QStringLiteral("aiPrompt-") + prompt.id.toString(QUuid::WithoutBraces).toUpper();
}

TextPrompt asTextPrompt(const SavedPrompt &prompt)
{
    return { prompt.id.toString(QUuid::WithoutBraces).toUpper(), prompt.name, prompt.icon,
        prompt.systemPrompt };
}

} // namespace quillet
