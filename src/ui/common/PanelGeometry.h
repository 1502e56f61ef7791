#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillet {

// Where a panel of `size` opens for a pointer at `pointer`: centred under it
// with its top 10 pixels below, kept 8 pixels inside `visible` (the screen's
// work area); when the area is too small the left and bottom margins win.
QPoint panelPositionNearPointer(const QRect &visible, const QPoint &pointer, const QSize &size);

// The launcher: horizontally centred, its top 22 % of the work area's height
// below the work area's top.
QPoint launcherPosition(const QRect &visible, const QSize &size);

} // namespace quillet
