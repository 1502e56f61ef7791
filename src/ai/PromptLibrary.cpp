#include "ai/PromptLibrary.h"

#include "core/Clock.h"
#include "store/Store.h"

namespace quillet {

PromptLibrary::PromptLibrary(Store &store, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
{
}

QList<SavedPrompt> PromptLibrary::prompts() const
{
    return m_store.savedPrompts();
}

std::optional<SavedPrompt> PromptLibrary::prompt(const QUuid &id) const
{
    for (const SavedPrompt &prompt : m_store.savedPrompts()) {
        if (prompt.id == id)
            return prompt;
    }
    return std::nullopt;
}

std::optional<SavedPrompt> PromptLibrary::create(
    const QString &name, const QString &icon, const QString &systemPrompt, TransformMode mode)
{
    SavedPrompt prompt;
    prompt.id = QUuid::createUuid();
    prompt.name = name;
    prompt.icon = icon;
    prompt.systemPrompt = systemPrompt;
    const std::optional<qint64> largest = m_store.maxPromptSortOrder();
    prompt.sortOrder = largest ? *largest + 1 : 0;
    prompt.createdAt = m_clock.now();
    prompt.modeRaw = rawValue(mode);
    if (!m_store.insertPrompt(prompt))
        return std::nullopt;
    Q_EMIT promptCreated(prompt);
    return prompt;
}

std::optional<SavedPrompt> PromptLibrary::update(const SavedPrompt &prompt, const QString &name,
    const QString &icon, const QString &systemPrompt, TransformMode mode)
{
    // The stored record, not the caller's copy, decides what stays.
    std::optional<SavedPrompt> stored = this->prompt(prompt.id);
    if (!stored)
        return std::nullopt;
    SavedPrompt edited = *stored;
    edited.name = name;
    edited.icon = icon;
    edited.systemPrompt = systemPrompt;
    edited.modeRaw = rawValue(mode);
    if (!m_store.updatePrompt(edited))
        return std::nullopt;
    Q_EMIT promptUpdated(edited);
    return edited;
}

bool PromptLibrary::remove(const SavedPrompt &prompt)
{
    if (!m_store.deletePrompt(prompt.id))
        return false;
    Q_EMIT promptDeleted(prompt);
    return true;
}

} // namespace quillet
