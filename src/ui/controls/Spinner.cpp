#include "ui/controls/Spinner.h"

#include "ui/common/Palette.h"

#include <QPainter>
#include <QTimerEvent>

namespace quillet {

namespace {
constexpr int kFrameMs = 33;
constexpr int kStepDegrees = 12; // 30 frames a turn
} // namespace

Spinner::Spinner(int size, QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax(1.5, width() / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor color = textColor(palette(), Emphasis::secondary);
    QColor faint = color;
    faint.setAlphaF(color.alphaF() * 0.25);
    painter.setPen(QPen(faint, pen));
    painter.drawEllipse(ring);
    painter.setPen(QPen(color, pen, Qt::SolidLine, Qt::RoundCap));
    // Qt counts angles counter-clockwise in sixteenths of a degree.
    painter.drawArc(ring, (90 - m_angle) * 16, -100 * 16);
}

void Spinner::showEvent(QShowEvent *event)
{
    m_timer.start(kFrameMs, this);
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

void Spinner::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId())
        return QWidget::timerEvent(event);
    m_angle = (m_angle + kStepDegrees) % 360;
    update();
}

} // namespace quillet
