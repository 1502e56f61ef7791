#include "ui/controls/ToggleSwitch.h"

#include <QPainter>

namespace quillet {

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    // The track, and room around it for the focus ring.
    return { 40, 24 };
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QRectF track = QRectF(rect()).adjusted(3, 3, -3, -3);
    const qreal radius = track.height() / 2;
    QColor trackColor
        = isChecked() ? palette().color(QPalette::Highlight) : palette().color(QPalette::WindowText);
    if (!isChecked())
        trackColor.setAlphaF(0.22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColor);
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = 2;
    const qreal diameter = track.height() - 2 * inset;
    const qreal x = isChecked() ? track.right() - inset - diameter : track.left() + inset;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + inset, diameter, diameter));

    if (hasFocus()) {
        // Apart from the track, so that it shows on a switched-on track too.
        const QRectF ring = track.adjusted(-2, -2, 2, 2);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
}

} // namespace quillet
