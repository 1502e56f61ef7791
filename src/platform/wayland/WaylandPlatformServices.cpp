#include "platform/wayland/WaylandPlatformServices.h"

#include "platform/InertServices.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeySynthesizer.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/XdgAutostart.h"

namespace quillet::wayland {

PlatformServices makePlatformServices()
{
    PlatformServices services;
    services.loginItems = std::make_unique<x11::XdgAutostart>();

    std::shared_ptr<WaylandConnection> desktop = WaylandConnection::open();
    for (const char *protocol : { protocols::extDataControl, protocols::wlrDataControl,
             protocols::foreignToplevel, protocols::virtualKeyboard }) {
        (desktop && desktop->has(protocol) ? services.found : services.missing)
            .append(QString::fromLatin1(protocol));
    }
    const bool dataControl
        = desktop && (desktop->has(protocols::extDataControl) || desktop->has(protocols::wlrDataControl));
    const QString xwayland
        = QStringLiteral("start Quillet with QT_QPA_PLATFORM=xcb to work through XWayland");

    // The clipboard has a connection of its own, serviced by its own thread.
    if (dataControl)
        services.pasteboard = std::make_unique<WaylandPasteboard>(WaylandConnection::open());
    else
        services.pasteboard = std::make_unique<InertPasteboard>();
    if (!desktop) {
        services.unavailableFeatures << QStringLiteral(
            "Clipboard history, pastes and the active application are unavailable: the Wayland compositor "
            "cannot be reached.");
    } else if (!dataControl) {
        services.unavailableFeatures << QStringLiteral(
            "Clipboard history is unavailable: the compositor offers neither ext-data-control-v1 "
            "nor wlr-data-control (GNOME offers neither); %1.")
                                            .arg(xwayland);
    }

    auto workspace = std::make_unique<WaylandWorkspace>(desktop);
    if (desktop && !workspace->knowsFrontmostApplication()) {
        services.unavailableFeatures << QStringLiteral(
            "The application a copy came from cannot be told: the compositor offers no "
            "wlr-foreign-toplevel-management, so excluded applications are not recognised.");
    }
    WaylandWorkspace *windows = workspace.get();
    services.workspace = std::move(workspace);

    if (desktop && desktop->has(protocols::virtualKeyboard)) {
        auto keys = std::make_unique<WaylandKeySynthesizer>(WaylandConnection::open(), windows);
        if (keys->isTrusted())
            services.keySynthesizer = std::move(keys);
    }
    if (!services.keySynthesizer) {
        services.keySynthesizer = std::make_unique<InertKeySynthesizer>();
        if (desktop) {
            services.unavailableFeatures << QStringLiteral(
                "Pasting into other applications is unavailable: the compositor offers no virtual keyboard "
                "(virtual-keyboard-unstable-v1). Chosen entries are put on the clipboard; paste them with "
                "Ctrl+V.");
        }
    }
    return services;
}

} // namespace quillet::wayland
