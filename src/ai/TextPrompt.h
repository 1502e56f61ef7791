#pragma once

#include "store/SavedPrompt.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quillet {

// How a transform's result is meant to be used: written over the selection,
// or taken as something new made from it.
enum class TransformMode { replace, input };

QString rawValue(TransformMode mode);
// "Input" is input; every other text reads as replace.
TransformMode transformModeFromRaw(const QString &raw);
const QList<TransformMode> &allTransformModes();

// A prompt as the AI panel lists it: a built-in one or a user's saved prompt.
struct TextPrompt {
    QString id;
    QString name;
    QString icon;
    QString systemPrompt;

    friend bool operator==(const TextPrompt &, const TextPrompt &) = default;
};

// The seven prompts that ship with Quillet, in their listing order.
const QList<TextPrompt> &builtInPrompts();

// The icon names a saved prompt may use, in the editor's order.
const QStringList &promptIconChoices();

// The global-shortcut name of a built-in prompt: "aiBuiltIn-" + its id.
QString shortcutName(const TextPrompt &builtIn);

// Derived values of a saved prompt.
TransformMode mode(const SavedPrompt &prompt);
// "aiPrompt-" + the upper-case UUID (45 characters).
QString shortcutName(const SavedPrompt &prompt);
TextPrompt asTextPrompt(const SavedPrompt &prompt);

} // namespace quillet
