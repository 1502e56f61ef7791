#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace quillet {

// A small busy indicator: an arc turning once a second over a faint ring, in
// the secondary text colour. It turns only while it is shown.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(int size, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    QBasicTimer m_timer;
    int m_angle = 0;
};

} // namespace quillet
