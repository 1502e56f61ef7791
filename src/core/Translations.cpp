#include "core/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace quillet {

namespace {

QTranslator *loaded(
    QCoreApplication &application, const QLocale &locale, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(&application);
    if (translator->load(locale, name, QStringLiteral("_"), folder))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace

QString installTranslations(QCoreApplication &application, const QLocale &locale)
{
    const QString folder = QLatin1String(kTranslationsResource);
    QTranslator *own = loaded(application, locale, QStringLiteral("quillet"), folder);
    if (own && own->language() != QLatin1String("en")) {
        // Qt's catalogue only beside one of Quillet's: a window half in
        // another language is worse than an English one.
        if (QTranslator *qt = loaded(application, locale, QStringLiteral("qtbase"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            application.installTranslator(qt);
    } else if (!own) {
        own = loaded(application, QLocale(QLocale::English), QStringLiteral("quillet"), folder);
    }
    if (!own)
        return {};
    application.installTranslator(own);
    return own->language();
}

} // namespace quillet
