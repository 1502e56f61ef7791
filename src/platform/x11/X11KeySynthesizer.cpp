#include "platform/x11/X11KeySynthesizer.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

constexpr int kPollIntervalMs = 5;

bool isDown(const char keys[32], unsigned char keycode)
{
    return keys[keycode / 8] & (1 << (keycode % 8));
}

} // namespace

X11KeySynthesizer::X11KeySynthesizer(std::shared_ptr<X11Connection> connection)
    : m_connection(std::move(connection))
{
}

bool X11KeySynthesizer::isTrusted()
{
    if (!m_hasXTest) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        m_hasXTest = m_connection
            && XTestQueryExtension(m_connection->display(), &eventBase, &errorBase, &major, &minor);
    }
    return *m_hasXTest;
}

QList<unsigned char> X11KeySynthesizer::modifierKeycodes()
{
    Display *display = m_connection->display();
    const KeyCode locks[] = { XKeysymToKeycode(display, XK_Num_Lock), XKeysymToKeycode(display, XK_Caps_Lock),
        XKeysymToKeycode(display, XK_Scroll_Lock) };
    QList<unsigned char> keycodes;
    XModifierKeymap *map = XGetModifierMapping(display);
    if (!map)
        return keycodes;
    for (int modifier = 0; modifier < 8; ++modifier) {
        if (modifier == LockMapIndex)
            continue;
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + i];
            if (keycode != 0 && std::find(std::begin(locks), std::end(locks), keycode) == std::end(locks)
                && !keycodes.contains(keycode)) {
                keycodes.append(keycode);
            }
        }
    }
    XFreeModifiermap(map);
    return keycodes;
}

bool X11KeySynthesizer::anyModifierDown()
{
    if (!m_connection)
        return false;
    char keys[32] = {};
    XQueryKeymap(m_connection->display(), keys);
    const QList<unsigned char> modifiers = modifierKeycodes();
    return std::any_of(
        modifiers.begin(), modifiers.end(), [&](unsigned char keycode) { return isDown(keys, keycode); });
}

void X11KeySynthesizer::activateTarget(WindowId target)
{
    if (m_connection->activeWindow() == target)
        return;
    m_connection->requestActivation(target);
    const QDeadlineTimer deadline(m_activationTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_connection->activeWindow() == target) {
            Window focus = None;
            int revert = 0;
            XGetInputFocus(m_connection->display(), &focus, &revert);
            if (focus == target)
                return;
            // The focus may sit on a child of the client window.
            Window root = None, parent = None, *children = nullptr;
            unsigned int count = 0;
            if (focus != None && focus != PointerRoot
                && XQueryTree(m_connection->display(), focus, &root, &parent, &children, &count)) {
                if (children)
                    XFree(children);
                if (parent == target)
                    return;
            }
        }
        QThread::msleep(kPollIntervalMs);
    }
    qCInfo(lcX11) << "The paste target did not become active in time";
}

void X11KeySynthesizer::releaseModifiers()
{
    Display *display = m_connection->display();
    const QDeadlineTimer deadline(m_modifierTimeoutMs);
    while (anyModifierDown() && !deadline.hasExpired())
        QThread::msleep(kPollIntervalMs);

    // Still held after the bound (or stuck): release them, or the keystroke
    // would arrive as another shortcut.
    char keys[32] = {};
    XQueryKeymap(display, keys);
    for (const unsigned char keycode : modifierKeycodes()) {
        if (isDown(keys, keycode))
            XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    }
    XSync(display, False);
}

void X11KeySynthesizer::sendChord(const char *letter)
{
    if (!isTrusted()) {
        qCInfo(lcX11) << "No XTest extension: the keystroke is not sent";
        return;
    }
    Display *display = m_connection->display();
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(letter));
    if (control == 0 || key == 0) {
        qCWarning(lcX11) << "The keyboard map has no Control or" << letter << "key";
        return;
    }
    releaseModifiers();
    XTestFakeKeyEvent(display, control, True, CurrentTime);
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XTestFakeKeyEvent(display, control, False, CurrentTime);
    XSync(display, False);
}

void X11KeySynthesizer::postCopy()
{
    sendChord("c");
}

void X11KeySynthesizer::postPaste(std::optional<WindowId> target)
{
    if (isTrusted() && target)
        activateTarget(*target);
    sendChord("v");
}

} // namespace quillet::x11
