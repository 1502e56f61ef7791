#include "ui/common/FloatingWindow.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace quillet {

FloatingWindow::FloatingWindow(QWidget *content, QSize contentSize, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_content(content)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_InputMethodEnabled);
    setWindowTitle(QStringLiteral("Quillet"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    setFixedSize(contentSize);
    // Screen readers announce the window by what it holds ("Launcher"), not
    // by the application's name they already know.
    setAccessibleName(content->accessibleName());
}

void FloatingWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.97);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.18);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

void FloatingWindow::resizeEvent(QResizeEvent *event)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}

void FloatingWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        // Only a window that was active can lose the focus to another.
        if (isActiveWindow())
            m_wasActive = true;
        else if (m_transient && m_wasActive)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    QWidget::changeEvent(event);
}

void FloatingWindow::keyPressEvent(QKeyEvent *event)
{
    if (m_transient && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FloatingWindow::mousePressEvent(QMouseEvent *event)
{
    // Clicks that no control took land here: on the background.
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    event->accept();
    // Where the press happened tells where the window is. Qt's own idea can
    // lag behind the window manager's placement of a new window, and a move
    // handed to the window manager starts from Qt's idea.
    const QPoint grip = event->position().toPoint();
    const QPoint actual = event->globalPosition().toPoint() - grip;
    if (actual != pos())
        move(actual);
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = grip;
}

void FloatingWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragOffset)
        return QWidget::mouseMoveEvent(event);
    move(event->globalPosition().toPoint() - *m_dragOffset);
}

void FloatingWindow::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

void FloatingWindow::closeEvent(QCloseEvent *event)
{
    Q_EMIT aboutToClose();
    QWidget::closeEvent(event);
}

} // namespace quillet
