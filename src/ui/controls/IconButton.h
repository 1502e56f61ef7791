#pragma once

#include <QIcon>
#include <QToolButton>

namespace quillet {

// A bare icon that acts as a button (clear, close, send, back): no frame, no
// keyboard focus, a pointing-hand cursor.
QToolButton *iconButton(const QIcon &icon, int size, QWidget *parent);

} // namespace quillet
