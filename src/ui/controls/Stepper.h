#pragma once

#include <QSpinBox>

namespace quillet {

// A number that moves in fixed steps between two bounds. A typed value is
// taken to the nearest step within the bounds, so the setting only ever holds
// values the arrows could reach. A typed value counts once Return is pressed:
// leaving the field drops a half-typed number. The wheel moves the value only
// while the field has the focus; otherwise it scrolls the page.
class Stepper : public QSpinBox {
    Q_OBJECT
public:
    Stepper(int minimum, int maximum, int step, QWidget *parent = nullptr);

protected:
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &position) const override;
    void fixup(QString &input) const override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    int snapped(int value) const;
};

} // namespace quillet
