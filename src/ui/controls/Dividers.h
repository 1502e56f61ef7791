#pragma once

#include "ui/common/Palette.h"

#include <QFrame>

namespace quillet {

// A one-pixel horizontal line in the faintest text colour.
inline QFrame *makeDivider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::quaternary));
    line->setPalette(palette);
    return line;
}

} // namespace quillet
