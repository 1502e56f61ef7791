#pragma once

#include "shortcuts/Shortcut.h"

#include <QObject>

namespace quillet::shortcuts {

// The desktop's global hot-key service: grabs a combination for the whole
// session and reports its presses and releases by the id it was grabbed with.
// Main thread only.
class HotKeyBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // 0 when the combination is now ours; otherwise the service's status code,
    // and nothing is left grabbed.
    virtual int grab(quint32 id, const Shortcut &shortcut) = 0;
    virtual void ungrab(quint32 id) = 0;
    // Whether another program holds the combination. A grab of our own does
    // not count.
    virtual bool isTakenElsewhere(const Shortcut &shortcut) = 0;

Q_SIGNALS:
    // Once per press: a key that auto-repeats while held is not pressed again.
    void pressed(quint32 id);
    void released(quint32 id);
};

} // namespace quillet::shortcuts
