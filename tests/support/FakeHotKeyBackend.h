#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QHash>
#include <QSet>

namespace quillet::test {

// Hot keys without a desktop: remembers what is grabbed, can be told that
// another program holds a combination, and presses grabbed combinations.
class FakeHotKeyBackend final : public shortcuts::HotKeyBackend {
public:
    static constexpr int badAccess = 10;

    int grab(quint32 id, const shortcuts::Shortcut &shortcut) override
    {
        ++grabCalls;
        if (takenElsewhere.contains(shortcut))
            return badAccess;
        grabbed.insert(id, shortcut);
        return 0;
    }
    void ungrab(quint32 id) override { grabbed.remove(id); }
    bool isTakenElsewhere(const shortcuts::Shortcut &shortcut) override
    {
        return takenElsewhere.contains(shortcut);
    }

    bool isGrabbed(const shortcuts::Shortcut &shortcut) const { return grabbed.key(shortcut, 0) != 0; }

    // Presses and releases the combination as the desktop would; false if it
    // is not grabbed (then nothing is delivered, as on a real desktop).
    bool press(const shortcuts::Shortcut &shortcut)
    {
        const quint32 id = grabbed.key(shortcut, 0);
        if (id != 0)
            Q_EMIT pressed(id);
        return id != 0;
    }
    bool release(const shortcuts::Shortcut &shortcut)
    {
        const quint32 id = grabbed.key(shortcut, 0);
        if (id != 0)
            Q_EMIT released(id);
        return id != 0;
    }
    bool click(const shortcuts::Shortcut &shortcut) { return press(shortcut) && release(shortcut); }

    QHash<quint32, shortcuts::Shortcut> grabbed;
    QSet<shortcuts::Shortcut> takenElsewhere;
    int grabCalls = 0;
};

} // namespace quillet::test
