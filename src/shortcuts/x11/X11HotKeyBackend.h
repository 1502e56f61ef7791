#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"

#include <QAbstractNativeEventFilter>
#include <QHash>

#include <optional>

namespace quillet::shortcuts::x11 {

// Global hot keys as passive key grabs on the root window. Each combination is
// grabbed four times, with and without NumLock and CapsLock, so the locks do
// not matter. Presses and releases arrive as xcb events through Qt's event
// loop; a key that auto-repeats is reported pressed once.
class X11HotKeyBackend final : public HotKeyBackend, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // The display must be Qt's own (see applicationDisplay()): the grabs'
    // events reach Qt's connection.
    explicit X11HotKeyBackend(Display *display, QObject *parent = nullptr);
    ~X11HotKeyBackend() override;

    int grab(quint32 id, const Shortcut &shortcut) override;
    void ungrab(quint32 id) override;
    bool isTakenElsewhere(const Shortcut &shortcut) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Combination {
        unsigned int keyCode = 0;
        unsigned int modifiers = 0;
        friend bool operator==(const Combination &, const Combination &) = default;
    };
    struct Held {
        quint32 id;
        unsigned int keyCode;
    };

    // The X combination of a shortcut, or the X error code that refuses it.
    std::optional<Combination> combination(const Shortcut &shortcut, int *status) const;
    int grabAllVariants(const Combination &combination);
    void ungrabAllVariants(const Combination &combination);
    std::optional<quint32> grabbedId(unsigned int keyCode, unsigned int state) const;

    Display *m_display;
    unsigned long m_root;
    ModifierMasks m_masks;
    QHash<quint32, Combination> m_grabs;
    std::optional<Held> m_held;
};

} // namespace quillet::shortcuts::x11
