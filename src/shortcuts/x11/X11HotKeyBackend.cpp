#include "shortcuts/x11/X11HotKeyBackend.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QLoggingCategory>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcHotKeys, "quillet.x11")

namespace quillet::shortcuts::x11 {

namespace {

// Collects the first X error while it is in scope. XSync before reading it:
// errors arrive asynchronously.
class ErrorTrap {
public:
    explicit ErrorTrap(Display *display)
        : m_display(display)
    {
        XSync(m_display, False);
        s_error = 0;
        m_previous = XSetErrorHandler(&ErrorTrap::handler);
    }
    ~ErrorTrap() { XSetErrorHandler(m_previous); }
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    int error()
    {
        XSync(m_display, False);
        return s_error;
    }

private:
    static int handler(Display *, XErrorEvent *event)
    {
        if (s_error == 0)
            s_error = event->error_code;
        return 0;
    }

    static inline int s_error = 0;
    Display *m_display;
    XErrorHandler m_previous;
};

} // namespace

X11HotKeyBackend::X11HotKeyBackend(Display *display, QObject *parent)
    : HotKeyBackend(parent)
    , m_display(display)
    , m_root(DefaultRootWindow(display))
    , m_masks(modifierMasks(display))
{
    // Without this the server sends a release before every repeated press,
    // and a held hot key would fire over and over.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(m_display, True, &supported);
    if (!supported)
        qCWarning(lcHotKeys) << "the X server cannot report auto-repeat; a held shortcut may fire repeatedly";
    QCoreApplication::eventDispatcher()->installNativeEventFilter(this);
}

X11HotKeyBackend::~X11HotKeyBackend()
{
    if (auto *dispatcher = QCoreApplication::eventDispatcher())
        dispatcher->removeNativeEventFilter(this);
    for (const Combination &grabbed : std::as_const(m_grabs))
        ungrabAllVariants(grabbed);
    XFlush(m_display);
}

std::optional<X11HotKeyBackend::Combination> X11HotKeyBackend::combination(
    const Shortcut &shortcut, int *status) const
{
    const auto keysym = keysymForKeyCode(shortcut.carbonKeyCode);
    const auto modifiers = xModifiers(shortcut.carbonModifiers, m_masks);
    const KeyCode keyCode = keysym ? XKeysymToKeycode(m_display, *keysym) : 0;
    if (keyCode == 0 || !modifiers) {
        *status = BadValue;
        return std::nullopt;
    }
    return Combination { keyCode, *modifiers };
}

int X11HotKeyBackend::grabAllVariants(const Combination &combination)
{
    const unsigned int variants[] = { 0, LockMask, m_masks.numLock, LockMask | m_masks.numLock };
    ErrorTrap trap(m_display);
    for (unsigned int variant : variants) {
        XGrabKey(m_display, int(combination.keyCode), combination.modifiers | variant, m_root, False,
            GrabModeAsync, GrabModeAsync);
    }
    const int error = trap.error();
    if (error != 0)
        ungrabAllVariants(combination);
    return error;
}

void X11HotKeyBackend::ungrabAllVariants(const Combination &combination)
{
    const unsigned int variants[] = { 0, LockMask, m_masks.numLock, LockMask | m_masks.numLock };
    // Releasing a variant that another client holds is harmless: only our own
    // grabs are released.
    ErrorTrap trap(m_display);
    for (unsigned int variant : variants)
        XUngrabKey(m_display, int(combination.keyCode), combination.modifiers | variant, m_root);
    trap.error();
}

int X11HotKeyBackend::grab(quint32 id, const Shortcut &shortcut)
{
    int status = 0;
    const auto wanted = combination(shortcut, &status);
    if (!wanted)
        return status;
    // Two ids never share a grab: the library registers each combination once.
    status = grabAllVariants(*wanted);
    if (status == 0)
        m_grabs.insert(id, *wanted);
    return status;
}

void X11HotKeyBackend::ungrab(quint32 id)
{
    const auto found = m_grabs.constFind(id);
    if (found == m_grabs.constEnd())
        return;
    ungrabAllVariants(*found);
    m_grabs.erase(found);
    if (m_held && m_held->id == id)
        m_held.reset();
}

bool X11HotKeyBackend::isTakenElsewhere(const Shortcut &shortcut)
{
    int status = 0;
    const auto wanted = combination(shortcut, &status);
    if (!wanted)
        return false;
    for (const Combination &grabbed : std::as_const(m_grabs)) {
        if (grabbed == *wanted)
            return false;
    }
    const int error = grabAllVariants(*wanted);
    if (error == 0)
        ungrabAllVariants(*wanted);
    return error == BadAccess;
}

std::optional<quint32> X11HotKeyBackend::grabbedId(unsigned int keyCode, unsigned int state) const
{
    const unsigned int relevant = ShiftMask | ControlMask | m_masks.alt | m_masks.super;
    const unsigned int modifiers = state & relevant;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->keyCode == keyCode && it->modifiers == modifiers)
            return it.key();
    }
    return std::nullopt;
}

// Key events of a grab arrive on the root window. While one of our own popup
// menus holds the keyboard the grab cannot activate and the keys come to the
// popup instead; they are matched the same way, so hot keys still work there.
bool X11HotKeyBackend::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);

    if (type == XCB_KEY_PRESS) {
        if (m_held && m_held->keyCode == key->detail)
            return true; // auto-repeat of the held hot key
        const auto id = grabbedId(key->detail, key->state);
        if (!id)
            return false;
        m_held = Held { *id, key->detail };
        Q_EMIT pressed(*id);
        return true;
    }

    // The release may come with no modifiers (they were let go first): match
    // it by the key alone.
    if (!m_held || m_held->keyCode != key->detail)
        return false;
    const quint32 id = m_held->id;
    m_held.reset();
    Q_EMIT released(id);
    return true;
}

} // namespace quillet::shortcuts::x11
