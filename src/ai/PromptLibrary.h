#pragma once

#include "ai/TextPrompt.h"
#include "store/SavedPrompt.h"

#include <QList>
#include <QObject>

#include <optional>

namespace quillet {

class Clock;
class Store;

// The user's saved prompts: created, edited and deleted through the store.
//
// Each prompt may have a global shortcut of its own, kept by the shortcut
// library; the application listens to promptCreated and promptDeleted to give
// a new prompt its shortcut handler and to forget a deleted prompt's shortcut.
class PromptLibrary : public QObject {
    Q_OBJECT
public:
    PromptLibrary(Store &store, Clock &clock, QObject *parent = nullptr);

    // Every saved prompt by ascending sortOrder.
    QList<SavedPrompt> prompts() const;
    std::optional<SavedPrompt> prompt(const QUuid &id) const;

    // Saves a new prompt after every existing one (sortOrder one more than the
    // largest, 0 for the first). Nothing when the store refused it.
    std::optional<SavedPrompt> create(
        const QString &name, const QString &icon, const QString &systemPrompt, TransformMode mode);
    // Rewrites the four editable fields; id, sortOrder and createdAt stay.
    std::optional<SavedPrompt> update(const SavedPrompt &prompt, const QString &name, const QString &icon,
        const QString &systemPrompt, TransformMode mode);
    bool remove(const SavedPrompt &prompt);

Q_SIGNALS:
    void promptCreated(const quillet::SavedPrompt &prompt);
    void promptUpdated(const quillet::SavedPrompt &prompt);
    void promptDeleted(const quillet::SavedPrompt &prompt);

private:
    Store &m_store;
    Clock &m_clock;
};

} // namespace quillet
