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

QRect launcherGeometry(const QRect &visible, const QSize &size)
{
    if (visible.isEmpty())
        return QRect(QPoint(0, 0), size);
    constexpr int margin = 8;
    const int width = std::min(size.width(), visible.width() - 2 * margin);
    const int height = std::min(size.height(), visible.height() - 2 * margin);
    const int x = visible.x() + (visible.width() - width) / 2;
    const int lowest = visible.y() + visible.height() - margin - height;
    const int y = std::min(visible.y() + int(std::lround(0.22 * visible.height())), lowest);
    return QRect(x, y, width, height);
}

} // namespace quillet
