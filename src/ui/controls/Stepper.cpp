#include "ui/controls/Stepper.h"

#include <QLineEdit>
#include <QWheelEvent>

#include <cmath>

namespace quillet {

Stepper::Stepper(int minimum, int maximum, int step, QWidget *parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setSingleStep(step);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setAlignment(Qt::AlignRight);
    setAccelerated(true);
    setFocusPolicy(Qt::StrongFocus);
}

void Stepper::focusOutEvent(QFocusEvent *event)
{
    // QSpinBox would take whatever the field holds as the new value.
    const QString shown = textFromValue(value());
    if (lineEdit()->text() != shown)
        lineEdit()->setText(shown);
    QSpinBox::focusOutEvent(event);
}

void Stepper::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSpinBox::wheelEvent(event);
}

int Stepper::snapped(int value) const
{
    const int step = qMax(1, singleStep());
    const double steps = std::round(double(value - minimum()) / step);
    return qBound(minimum(), minimum() + int(steps) * step, maximum());
}

int Stepper::valueFromText(const QString &text) const
{
    return snapped(QSpinBox::valueFromText(text));
}

QValidator::State Stepper::validate(QString &text, int &position) const
{
    const QValidator::State state = QSpinBox::validate(text, position);
    if (state != QValidator::Acceptable)
        return state;
    // Off-step numbers stay editable; they are snapped when editing ends.
    const int value = QSpinBox::valueFromText(text);
    return snapped(value) == value ? QValidator::Acceptable : QValidator::Intermediate;
}

void Stepper::fixup(QString &input) const
{
    bool ok = false;
    const int value = locale().toInt(input.trimmed(), &ok);
    if (ok)
        input = textFromValue(snapped(value));
    else
        QSpinBox::fixup(input);
}

} // namespace quillet
