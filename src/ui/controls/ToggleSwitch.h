#pragma once

#include <QAbstractButton>

namespace quillet {

// An on/off switch: a checkable button drawn as a track with a sliding knob,
// the control a settings row uses for a Boolean.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;
};

} // namespace quillet
