#include "ui/common/PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace quillet {

QPoint panelPositionNearPointer(const QRect &visible, const QPoint &pointer, const QSize &size)
{
    constexpr int margin = 8;
    const int left = visible.x();
    const int top = visible.y();
    const int right = visible.x() + visible.width();
    const int bottom = visible.y() + visible.height();
    const int x
        = std::max(left + margin, std::min(right - size.width() - margin, pointer.x() - size.width() / 2));
    const int y = std::min(bottom - size.height() - margin, std::max(top + margin, pointer.y() + 10));
    return { x, y };
}

QPoint launcherPosition(const QRect &visible, const QSize &size)
{
    const int x = visible.x() + visible.width() / 2 - size.width() / 2;
    const int y = visible.y() + int(std::lround(0.22 * visible.height()));
    return { x, y };
}

} // namespace quillet
