#include "launcher/IndexedApp.h"

#include "core/Graphemes.h"

#include <QFile>
#include <QHash>

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

QString IndexedApp::description() const
{
    if (!genericName.isEmpty() && genericName.compare(name, Qt::CaseInsensitive) != 0)
        return genericName;
    return comment;
}

namespace {

// A desktop-entry string value with its escapes resolved.
QString unescapedValue(QStringView value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 >= value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        // Line breaks and tabs become spaces: the value is shown on one line.
        const bool space = next == u's' || next == u'n' || next == u't' || next == u'r';
        text += space ? QChar(u' ') : next;
    }
    return text.trimmed();
}

} // namespace

void readDescription(IndexedApp &app, const QStringList &locales)
{
    QFile file(app.location);
    if (app.location.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    // Desktop files are small; a huge one is not read to its end.
    const QString text = QString::fromUtf8(file.read(256 * 1024));
    QHash<QString, QString> values; // "GenericName[de]" -> value
    bool inEntry = false;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            if (inEntry)
                break;
            inEntry = trimmed == u"[Desktop Entry]";
            continue;
        }
        const qsizetype eq = trimmed.indexOf(u'=');
        if (!inEntry || eq <= 0 || trimmed.startsWith(u'#'))
            continue;
        const QString key = trimmed.left(eq).trimmed().toString();
        if (key.startsWith(QLatin1String("GenericName")) || key.startsWith(QLatin1String("Comment")))
            values.insert(key, unescapedValue(trimmed.mid(eq + 1)));
    }
    const auto localized = [&](const QString &key) {
        for (const QString &locale : locales) {
            const QString value = values.value(key + u'[' + locale + u']');
            if (!value.isEmpty())
                return value;
        }
        return values.value(key);
    };
    app.genericName = localized(QStringLiteral("GenericName"));
    app.comment = localized(QStringLiteral("Comment"));
}

InstalledApplication installedApplication(const IndexedApp &app)
{
    return InstalledApplication { app.id, app.name, app.iconName, app.location };
}

} // namespace quillet
