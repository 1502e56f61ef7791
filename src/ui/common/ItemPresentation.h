#pragma once

#include "store/ContentType.h"

#include <QColor>
#include <QDateTime>
#include <QPalette>
#include <QString>

namespace quillet {

// How history entries present themselves in the panel and the tray popup.

// The symbol of a content type ("doc.text", "photo", …).
QString contentTypeSymbol(ContentType type);
// The tint of a content type's symbol in the tray popup.
QColor contentTypeTint(ContentType type, const QPalette &palette);

// A title as shown: titles holding RTF source show the first line of their
// plain text; anything else is shown unchanged.
QString displayTitle(const QString &title);

// A tooltip that shows `text` as typed: tooltips render anything that looks
// like markup as rich text, and a title "<b>x</b>" must not turn bold.
QString plainToolTip(const QString &text);

// "12 sec. ago", "5 min. ago", "3 hr. ago", "2 days ago", … (abbreviated units).
QString relativeTime(const QDateTime &when, const QDateTime &now);

} // namespace quillet
