#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace quillet {

// Quillet names its pictures by symbol ("magnifyingglass", "doc.text", …).
// This is the one table that turns them into freedesktop theme icons
// (Adwaita's symbolic set), with a drawn fallback when the theme lacks one.

// The theme icon name for a symbol, or an empty string if none is known.
QString themeIconName(const QString &symbol);

// The symbol's icon; monochrome symbols are tinted with `tint` when it is valid.
QIcon symbolIcon(const QString &symbol, const QColor &tint = QColor());

// The symbol drawn at `size` logical pixels in `tint`.
QPixmap symbolPixmap(const QString &symbol, int size, const QColor &tint);

// Installs Adwaita as the fallback icon theme (desktops without a platform
// theme, e.g. plain X11 sessions, otherwise resolve no symbolic icons).
void installIconThemeFallback();

} // namespace quillet
