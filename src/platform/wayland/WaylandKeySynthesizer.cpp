#include "platform/wayland/WaylandKeySynthesizer.h"

#include "platform/wayland/PasteTargetActivation.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

Q_DECLARE_LOGGING_CATEGORY(lcWayland)

namespace quillet::wayland {

namespace {

// The keymap travels as a sealed in-memory file the compositor maps.
int keymapFile(const QByteArray &text)
{
    const int fd = memfd_create("quillet-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    // The compositor reads the terminating NUL too.
    qsizetype written = 0;
    while (written <= text.size()) {
        const ssize_t result = write(fd, text.constData() + written, size_t(text.size() + 1 - written));
        if (result <= 0) {
            close(fd);
            return -1;
        }
        written += result;
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

quint32 timestamp()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return quint32(clock.elapsed());
}

} // namespace

WaylandKeySynthesizer::WaylandKeySynthesizer(
    std::shared_ptr<WaylandConnection> connection, WaylandWorkspace *workspace)
    : m_connection(std::move(connection))
    , m_workspace(workspace)
{
    if (!m_connection)
        return;
    auto *manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
        m_connection->bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    wl_seat *seat = m_connection->seat();
    if (!manager || !seat) {
        if (manager)
            zwp_virtual_keyboard_manager_v1_destroy(manager);
        return;
    }
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_manager_v1_destroy(manager);
    if (!uploadKeymap()) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_keyboard = nullptr;
    }
    // A compositor that refuses virtual keyboards to this client ends the
    // connection with an error (the reason this connection is not shared);
    // find out now rather than at the first paste.
    if (!m_connection->roundtrip() || !m_connection->isAlive()) {
        qCWarning(lcWayland) << "The compositor refused Quillet a virtual keyboard";
        m_keyboard = nullptr;
    }
}

WaylandKeySynthesizer::~WaylandKeySynthesizer()
{
    if (m_keyboard && m_connection->isAlive()) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_connection->flush();
    }
}

bool WaylandKeySynthesizer::uploadKeymap()
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return false;
    const xkb_rule_names names { "evdev", "pc105", "us", "", "" };
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);
    if (!keymap) {
        qCWarning(lcWayland) << "Could not build a keymap for the virtual keyboard (is xkb-data installed?)";
        return false;
    }
    const xkb_mod_index_t control = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
    const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    m_controlMask = control == XKB_MOD_INVALID ? 0 : (1u << control);
    m_shiftMask = shift == XKB_MOD_INVALID ? 0 : (1u << shift);
    char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    xkb_keymap_unref(keymap);
    if (!text)
        return false;
    const QByteArray bytes(text);
    free(text);
    const int fd = keymapFile(bytes);
    if (fd < 0 || m_controlMask == 0 || m_shiftMask == 0) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    zwp_virtual_keyboard_v1_keymap(
        m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, quint32(bytes.size() + 1));
    close(fd);
    return true;
}

void WaylandKeySynthesizer::activate(WindowId target)
{
    activatePasteTarget(m_workspace, target, m_activationTimeoutMs);
}

void WaylandKeySynthesizer::sendChord(quint32 letterKey, std::optional<WindowId> window)
{
    if (!m_keyboard) {
        qCInfo(lcWayland) << "No virtual keyboard: the keystroke is not sent";
        return;
    }
    if (!window && m_workspace)
        window = m_workspace->activeWindow();
    const auto application = window && m_workspace ? m_workspace->applicationOf(*window) : std::nullopt;
    const bool terminal = application && application->isTerminal;
    const quint32 modifiers = m_controlMask | (terminal ? m_shiftMask : 0);

    // Key codes are evdev codes; the keymap's modifier state goes with them.
    zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_PRESSED);
    if (terminal)
        zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, modifiers, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), letterKey, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), letterKey, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (terminal)
        zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), KEY_LEFTSHIFT, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_key(m_keyboard, timestamp(), KEY_LEFTCTRL, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    m_connection->flush();
}

void WaylandKeySynthesizer::postCopy()
{
    sendChord(KEY_C, std::nullopt);
}

void WaylandKeySynthesizer::postPaste(std::optional<WindowId> target)
{
    if (m_keyboard && target)
        activate(*target);
    sendChord(KEY_V, target);
}

} // namespace quillet::wayland
