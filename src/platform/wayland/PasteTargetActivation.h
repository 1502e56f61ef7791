#pragma once

#include "platform/Workspace.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWayland)

namespace quillet::wayland {

// Brings the paste target to the front again, through whichever workspace
// the compositor offers, and waits (bounded) until it is there: keys sent
// before that would land in the window that is in front now.
template<typename CompositorWorkspace>
void activatePasteTarget(CompositorWorkspace *workspace, WindowId target, int timeoutMs)
{
    if (!workspace || !workspace->knowsFrontmostApplication())
        return;
    if (workspace->activeWindow() == target)
        return;
    workspace->activateWindow(target);
    if (!workspace->waitUntilActive(target, timeoutMs))
        qCInfo(lcWayland) << "The paste target did not become active in time";
}

} // namespace quillet::wayland
