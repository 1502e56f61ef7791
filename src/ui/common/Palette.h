#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace quillet {

// The text emphasis levels the views use, derived from the palette's text
// colour so that they follow light and dark themes.
enum class Emphasis { primary, secondary, tertiary, quaternary };

inline QColor textColor(const QPalette &palette, Emphasis emphasis)
{
    QColor color = palette.color(QPalette::WindowText);
    switch (emphasis) {
    case Emphasis::primary:
        break;
    case Emphasis::secondary:
        color.setAlphaF(0.62);
        break;
    case Emphasis::tertiary:
        color.setAlphaF(0.45);
        break;
    case Emphasis::quaternary:
        color.setAlphaF(0.32);
        break;
    }
    return color;
}

inline QColor accentColor(const QPalette &palette, qreal opacity = 1.0)
{
    QColor color = palette.color(QPalette::Highlight);
    color.setAlphaF(opacity);
    return color;
}

// Failures the user should notice.
inline QColor errorRed()
{
    return QColor(0xd9, 0x3a, 0x32);
}

// The AI features' own tint (the system purple) and the saved prompts' blue.
inline QColor aiTint()
{
    return QColor(0xaf, 0x52, 0xde);
}
inline QColor savedPromptTint()
{
    return QColor(0x00, 0x7a, 0xff);
}

// Text in `color` on every kind of widget (labels, buttons, text fields).
inline void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace quillet
