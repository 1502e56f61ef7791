#pragma once

#include "platform/x11/PlatformServices.h"

namespace quillet::wayland {

// The Wayland services when Qt runs on Wayland: each where the compositor
// offers its protocol, a stand-in with the reason otherwise (GNOME offers
// none of them: Quillet then belongs on XWayland). Desktop entries and the
// autostart entry work everywhere. Call it after the QGuiApplication exists.
PlatformServices makePlatformServices();

} // namespace quillet::wayland
