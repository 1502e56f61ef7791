#pragma once

#include <QSpinBox>

namespace quillet {

// A number that moves in fixed steps between two bounds. A typed value is
// taken to the nearest step within the bounds, so the setting only ever holds
// values the arrows could reach.
class Stepper : public QSpinBox {
    Q_OBJECT
public:
    Stepper(int minimum, int maximum, int step, QWidget *parent = nullptr);

protected:
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &position) const override;
    void fixup(QString &input) const override;

private:
    int snapped(int value) const;
};

} // namespace quillet
