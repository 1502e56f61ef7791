#include "ui/controls/RowsBox.h"

#include <QPainter>

namespace quillet {

RowsBox::RowsBox(int hairlineInset, QWidget *parent)
    : QWidget(parent)
    , m_hairlineInset(hairlineInset)
{
}

void RowsBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.12);
    painter.setPen(QPen(border, 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    QColor hairline = palette().color(QPalette::WindowText);
    hairline.setAlphaF(0.08);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(hairline, 1));
    bool first = true;
    for (const QObject *child : children()) {
        const auto *row = qobject_cast<const QWidget *>(child);
        if (!row || row->isHidden())
            continue;
        if (!first) {
            const int y = row->geometry().top();
            painter.drawLine(m_hairlineInset, y, width() - 12, y);
        }
        first = false;
    }
}

} // namespace quillet
