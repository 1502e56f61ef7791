#include "platform/wayland/WaylandPlatformServices.h"

#include "platform/InertServices.h"
#include "platform/wayland/KWinKeySynthesizer.h"
#include "platform/wayland/KWinWorkspace.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeySynthesizer.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/XdgAutostart.h"

namespace quillet::wayland {

namespace {

const QString kXWayland = QStringLiteral("start Quillet with QT_QPA_PLATFORM=xcb to work through XWayland");

// The protocols the start-up line names, found or missing: on KWin its own
// instead of the wlroots ones it never offers.
QList<const char *> protocolsToName(bool kwin)
{
    if (kwin) {
        return { protocols::extDataControl, protocols::wlrDataControl, protocols::plasmaWindowManagement,
            protocols::kwinFakeInput };
    }
    return { protocols::extDataControl, protocols::wlrDataControl, protocols::foreignToplevel,
        protocols::virtualKeyboard };
}

// KWin hides its restricted protocols from programs that no installed desktop
// entry names (by absolute path) and asks them for.
QString kwinGrantHint(const char *protocol)
{
    return QStringLiteral("KWin grants %1 only to programs whose installed desktop entry lists it in "
                          "X-KDE-Wayland-Interfaces (Quillet's own entry does: run the installed Quillet)")
        .arg(QString::fromLatin1(protocol));
}

} // namespace

PlatformServices makePlatformServices()
{
    PlatformServices services;
    services.loginItems = std::make_unique<x11::XdgAutostart>();

    std::shared_ptr<WaylandConnection> desktop = WaylandConnection::open();
    const auto offers = [&](const char *protocol) { return desktop && desktop->has(protocol); };
    const bool kwin = offers(protocols::plasmaVirtualDesktops);
    const bool dataControl = offers(protocols::extDataControl) || offers(protocols::wlrDataControl);
    // mutter offers none of what Quillet needs; one line says so, instead of
    // one per missing feature.
    const bool gnome = offers(protocols::gtkShell) && !dataControl;
    if (kwin)
        services.desktopName = QStringLiteral("KWin");
    else if (gnome)
        services.desktopName = QStringLiteral("GNOME");
    for (const char *protocol : protocolsToName(kwin))
        (offers(protocol) ? services.found : services.missing).append(QString::fromLatin1(protocol));

    // The clipboard has a connection of its own, serviced by its own thread.
    if (dataControl)
        services.pasteboard = std::make_unique<WaylandPasteboard>(WaylandConnection::open());
    else
        services.pasteboard = std::make_unique<InertPasteboard>();
    if (!desktop) {
        services.unavailableFeatures << QStringLiteral(
            "Clipboard history, pastes and the active application are unavailable: the Wayland compositor "
            "cannot be reached.");
    } else if (gnome) {
        services.unavailableFeatures << QStringLiteral(
            "GNOME on Wayland gives Quillet no clipboard history, no active application and no pasting "
            "(mutter offers neither data-control, foreign-toplevel nor a virtual keyboard); %1.")
                                            .arg(kXWayland);
    } else if (!dataControl) {
        services.unavailableFeatures << QStringLiteral(
            "Clipboard history is unavailable: the compositor offers neither ext-data-control-v1 "
            "nor wlr-data-control; %1.")
                                            .arg(kXWayland);
    }

    // KWin's window management where it is granted and the wlroots protocol
    // is not offered.
    std::unique_ptr<Workspace> workspace;
    KWinWorkspace *kwinWindows = nullptr;
    WaylandWorkspace *wlrootsWindows = nullptr;
    if (offers(protocols::plasmaWindowManagement) && !offers(protocols::foreignToplevel)) {
        auto windows = std::make_unique<KWinWorkspace>(desktop);
        kwinWindows = windows.get();
        workspace = std::move(windows);
    } else {
        auto windows = std::make_unique<WaylandWorkspace>(desktop);
        wlrootsWindows = windows.get();
        workspace = std::move(windows);
    }
    if (desktop && !gnome && !workspace->knowsFrontmostApplication()) {
        services.unavailableFeatures << QStringLiteral("The application a copy came from cannot be told, so "
                                                       "excluded applications are not recognised: %1.")
                                            .arg(kwin ? kwinGrantHint(protocols::plasmaWindowManagement)
                                                      : QStringLiteral("the compositor offers no "
                                                                       "wlr-foreign-toplevel-management"));
    }
    services.workspace = std::move(workspace);

    // KWin's fake input goes with KWin's window management, which activates
    // the paste target; the virtual keyboard with foreign-toplevel.
    if (offers(protocols::kwinFakeInput) && (kwinWindows || !offers(protocols::virtualKeyboard))) {
        auto keys = std::make_unique<KWinKeySynthesizer>(WaylandConnection::open(), kwinWindows);
        if (keys->isTrusted())
            services.keySynthesizer = std::move(keys);
    } else if (offers(protocols::virtualKeyboard)) {
        auto keys = std::make_unique<WaylandKeySynthesizer>(WaylandConnection::open(), wlrootsWindows);
        if (keys->isTrusted())
            services.keySynthesizer = std::move(keys);
    }
    if (!services.keySynthesizer) {
        services.keySynthesizer = std::make_unique<InertKeySynthesizer>();
        if (kwin) {
            // KWin's data-control has no primary selection, so the selected
            // text can only be copied with the copy key.
            services.unavailableFeatures << QStringLiteral(
                "Pasting into other applications and AI transforms of selected text are unavailable: %1. "
                "Chosen entries are put on the clipboard; paste them with Ctrl+V.")
                                                .arg(kwinGrantHint(protocols::kwinFakeInput));
        } else if (desktop && !gnome) {
            services.unavailableFeatures << QStringLiteral(
                "Pasting into other applications is unavailable: the compositor offers no virtual keyboard "
                "(virtual-keyboard-unstable-v1). Chosen entries are put on the clipboard; paste them with "
                "Ctrl+V.");
        }
    }
    return services;
}

} // namespace quillet::wayland
