#include "platform/wayland/KWinKeySynthesizer.h"

#include "fake-input-client-protocol.h"
#include "platform/wayland/KWinWorkspace.h"
#include "platform/wayland/PasteTargetActivation.h"

#include <QLoggingCategory>

#include <linux/input-event-codes.h>
#include <wayland-client.h>

Q_DECLARE_LOGGING_CATEGORY(lcWayland)

namespace quillet::wayland {

KWinKeySynthesizer::KWinKeySynthesizer(
    std::shared_ptr<WaylandConnection> connection, KWinWorkspace *workspace)
    : m_connection(std::move(connection))
    , m_workspace(workspace)
{
    if (!m_connection)
        return;
    m_input = static_cast<org_kde_kwin_fake_input *>(m_connection->bind(
        &org_kde_kwin_fake_input_interface, ORG_KDE_KWIN_FAKE_INPUT_KEYBOARD_KEY_SINCE_VERSION));
    if (!m_input)
        return;
    // Keys came with version 4; an older KWin could only move the pointer.
    if (org_kde_kwin_fake_input_get_version(m_input) < ORG_KDE_KWIN_FAKE_INPUT_KEYBOARD_KEY_SINCE_VERSION) {
        org_kde_kwin_fake_input_destroy(m_input);
        m_input = nullptr;
        return;
    }
    // KWin ignores the events of a client that has not said who it is.
    org_kde_kwin_fake_input_authenticate(m_input, "Quillet",
        "Pastes the clipboard entry you choose, and copies the selected text for AI transforms");
    if (!m_connection->roundtrip() || !m_connection->isAlive()) {
        qCWarning(lcWayland) << "KWin refused Quillet its fake input";
        m_input = nullptr;
    }
}

KWinKeySynthesizer::~KWinKeySynthesizer()
{
    if (m_input && m_connection->isAlive()) {
        org_kde_kwin_fake_input_destroy(m_input);
        m_connection->flush();
    }
}

void KWinKeySynthesizer::activate(WindowId target)
{
    activatePasteTarget(m_workspace, target, m_activationTimeoutMs);
}

void KWinKeySynthesizer::sendChord(quint32 letterKey, std::optional<WindowId> window)
{
    if (!m_input) {
        qCInfo(lcWayland) << "No fake input: the keystroke is not sent";
        return;
    }
    if (!window && m_workspace)
        window = m_workspace->activeWindow();
    const auto application = window && m_workspace ? m_workspace->applicationOf(*window) : std::nullopt;
    QList<quint32> modifiers { KEY_LEFTCTRL };
    if (application && application->isTerminal)
        modifiers.append(KEY_LEFTSHIFT);

    for (quint32 key : std::as_const(modifiers))
        org_kde_kwin_fake_input_keyboard_key(m_input, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    org_kde_kwin_fake_input_keyboard_key(m_input, letterKey, WL_KEYBOARD_KEY_STATE_PRESSED);
    org_kde_kwin_fake_input_keyboard_key(m_input, letterKey, WL_KEYBOARD_KEY_STATE_RELEASED);
    // Released in reverse, and always: a modifier left down would stay down
    // on the user's keyboard.
    for (auto key = modifiers.crbegin(); key != modifiers.crend(); ++key)
        org_kde_kwin_fake_input_keyboard_key(m_input, *key, WL_KEYBOARD_KEY_STATE_RELEASED);
    m_connection->flush();
}

void KWinKeySynthesizer::postCopy()
{
    sendChord(KEY_C, std::nullopt);
}

void KWinKeySynthesizer::postPaste(std::optional<WindowId> target)
{
    if (m_input && target)
        activate(*target);
    sendChord(KEY_V, target);
}

} // namespace quillet::wayland
