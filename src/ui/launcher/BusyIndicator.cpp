#include "ui/launcher/BusyIndicator.h"

#include "ui/common/Palette.h"

#include <QPainter>
#include <QTimer>

namespace quillet {

BusyIndicator::BusyIndicator(int size, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
    , m_timer(new QTimer(this))
{
    setFixedSize(size, size);
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

QSize BusyIndicator::sizeHint() const
{
    return QSize(m_size, m_size);
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(1.5, m_size / 8.0);
    const QRectF circle = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    painter.setPen(QPen(textColor(palette(), Emphasis::quaternary), pen));
    painter.drawEllipse(circle);
    painter.setPen(QPen(textColor(palette(), Emphasis::secondary), pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(circle, -m_angle * 16, 100 * 16);
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    m_timer->start();
    QWidget::showEvent(event);
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QWidget::hideEvent(event);
}

} // namespace quillet
