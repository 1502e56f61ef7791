#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillet {

// Where a panel of `size` opens for a pointer at `pointer`: centred under it
// with its top 10 pixels below, kept 8 pixels inside `visible` (the screen's
// work area); when the area is too small the left and bottom margins win.
QPoint panelPositionNearPointer(const QRect &visible, const QPoint &pointer, const QSize &size);

// The launcher at its full `size`: horizontally centred, its top 22 % of the
// work area's height below the work area's top where there is room below;
// else moved up, and shrunk to fit, so that it stays 8 pixels inside
// `visible` (the screen's work area). An empty area leaves it at the origin.
QRect launcherGeometry(const QRect &visible, const QSize &size);

} // namespace quillet
