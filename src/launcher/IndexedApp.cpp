#include "launcher/IndexedApp.h"

#include "core/Graphemes.h"

namespace quillet {

namespace {

bool isWordCharacter(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

QStringList wordsOf(const QString &name)
{
    QStringList words;
    QString word;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        qsizetype units = 1;
        if (name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            units = 2;
        }
        if (isWordCharacter(c)) {
            word += QStringView(name).mid(i, units);
            i += units - 1;
        } else if (!word.isEmpty()) {
            words.append(word.toLower());
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word.toLower());
    return words;
}

} // namespace

IndexedApp makeIndexedApp(const InstalledApplication &application)
{
    IndexedApp app;
    app.id = application.id;
    app.name = application.name;
    app.location = application.path;
    app.iconName = application.iconName;
    app.nameLowercased = application.name.toLower();
    app.nameWords = wordsOf(application.name);
    for (const QString &word : std::as_const(app.nameWords))
        app.acronym += leftGraphemes(word, 1);
    return app;
}

InstalledApplication installedApplication(const IndexedApp &app)
{
    return InstalledApplication { app.id, app.name, app.iconName, app.location };
}

} // namespace quillet
