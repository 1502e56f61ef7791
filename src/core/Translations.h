#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace quillet {

// Quillet's catalogues are compiled into the program under this folder.
inline constexpr char kTranslationsResource[] = ":/i18n";

// Installs Quillet's catalogue for the first of the locale's interface
// languages it has one for, with Qt's own catalogue (the buttons of standard
// dialogs) when the system holds it. Without one the interface stays in
// English, whose catalogue supplies only the plural forms. Returns the
// installed catalogue's language ("de", "en").
QString installTranslations(QCoreApplication &application, const QLocale &locale = QLocale::system());

} // namespace quillet
