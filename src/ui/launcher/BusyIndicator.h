#pragma once

#include <QWidget>

class QTimer;

namespace quillet {

// A small spinning arc: something is under way. It turns only while shown.
class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    explicit BusyIndicator(int size = 14, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_size;
    int m_angle = 0;
    QTimer *m_timer;
};

} // namespace quillet
