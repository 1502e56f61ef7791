#include "core/Translations.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

using namespace quillet;
using namespace Qt::StringLiterals;

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
    bool numerus = false;
    QString type; // "unfinished", "vanished", "obsolete" or empty
    QStringList forms; // one translation, or the plural forms
};

QList<Message> readCatalogue(const QString &path, QString *language = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"TS" && language) {
            *language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == u"name") {
            context = xml.readElementText();
        } else if (name == u"message") {
            Message message { context, {}, {}, xml.attributes().value(QLatin1String("numerus")) == u"yes", {},
                {} };
            while (xml.readNextStartElement()) {
                if (xml.name() == u"source") {
                    message.source = xml.readElementText();
                } else if (xml.name() == u"comment") {
                    message.comment = xml.readElementText();
                } else if (xml.name() == u"translation") {
                    message.type = xml.attributes().value(QLatin1String("type")).toString();
                    if (!message.numerus) {
                        message.forms.append(xml.readElementText());
                        continue;
                    }
                    while (xml.readNextStartElement())
                        message.forms.append(xml.readElementText());
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages.append(message);
        }
    }
    return messages;
}

QString cataloguePath(const QString &language)
{
    return qEnvironmentVariable("QUILLET_SOURCE_DIR")
        + QStringLiteral("/translations/quillet_%1.ts").arg(language);
}

QString describe(const Message &message)
{
    return QStringLiteral("%1 “%2”").arg(message.context, message.source);
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // German is whole; English carries only the plural forms of its sources.
    void everyMessageIsTranslated_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("pluralsOnly");
        QTest::newRow("German") << "de" << false;
        QTest::newRow("English plurals") << "en" << true;
    }
    void everyMessageIsTranslated()
    {
        QFETCH(QString, language);
        QFETCH(bool, pluralsOnly);
        QString declared;
        const QList<Message> messages = readCatalogue(cataloguePath(language), &declared);
        QVERIFY(!messages.isEmpty());
        // lrelease takes the plural rules from the declared language.
        QCOMPARE(declared.section(QLatin1Char('_'), 0, 0), language);
        static const QRegularExpression placeholder(QStringLiteral("%[1-9n]"));
        QStringList faults;
        for (const Message &message : messages) {
            if (pluralsOnly && !message.numerus)
                faults << describe(message) + QStringLiteral(" is not a plural");
            if (!message.type.isEmpty())
                faults << describe(message) + QStringLiteral(" is ") + message.type;
            if (message.forms.size() != (message.numerus ? 2 : 1))
                faults << describe(message) + QStringLiteral(" has %1 forms").arg(message.forms.size());
            for (qsizetype i = 0; i < message.forms.size(); ++i) {
                const QString &form = message.forms.at(i);
                if (form.trimmed().isEmpty())
                    faults << describe(message) + QStringLiteral(" is empty");
                // The singular may say "one" in words; every other form keeps
                // each placeholder of the source.
                auto it = placeholder.globalMatch(message.source);
                while (it.hasNext()) {
                    const QString mark = it.next().captured();
                    if ((mark != u"%n" || i > 0) && !form.contains(mark))
                        faults << describe(message) + QStringLiteral(" loses %1 in “%2”").arg(mark, form);
                }
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The compiled catalogues pick the singular for one and the plural for
    // zero, two and five.
    void pluralsFollowTheCount_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("count");
        for (const char *language : { "de", "en" }) {
            for (const int count : { 0, 1, 2, 5 })
                QTest::addRow("%s %d", language, count) << QString::fromLatin1(language) << count;
        }
    }
    void pluralsFollowTheCount()
    {
        QFETCH(QString, language);
        QFETCH(int, count);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral("quillet_") + language, QLatin1String(kTranslationsResource)));
        int plurals = 0;
        for (const Message &message : readCatalogue(cataloguePath(language))) {
            if (!message.numerus || message.forms.size() != 2)
                continue;
            ++plurals;
            const QString expected = message.forms.at(count == 1 ? 0 : 1);
            QCOMPARE(translator.translate(qPrintable(message.context), qPrintable(message.source),
                         message.comment.isEmpty() ? nullptr : qPrintable(message.comment), count),
                expected);
        }
        QVERIFY(plurals > 0);
    }

    // The first of the locale's languages with a catalogue wins; any other
    // language gets English with its plural forms, and Qt's own texts follow
    // Quillet's language only.
    void theLocaleChoosesTheCatalogue_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("settings");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Austria) << "de"
                                << "Einstellungen …";
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "en"
                                << "Settings...";
    }
    void theLocaleChoosesTheCatalogue()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, installed);
        QFETCH(QString, settings);
        const auto before = qApp->findChildren<QTranslator *>();
        const auto cleanUp = qScopeGuard([&before] {
            for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
                if (!before.contains(translator)) {
                    QCoreApplication::removeTranslator(translator);
                    delete translator;
                }
            }
        });
        QCOMPARE(installTranslations(*qApp, locale), installed);
        QCOMPARE(QCoreApplication::translate("quillet::FloatingPanelView", "Settings..."), settings);
        QCOMPARE(QCoreApplication::translate("quillet::FloatingPanelView", "%n item(s)", nullptr, 1),
            installed == u"de" ? QStringLiteral("1 Eintrag") : QStringLiteral("1 item"));
        const QString qtCatalogue
            = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
        if (QFileInfo::exists(qtCatalogue)) {
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                installed == u"de" ? QStringLiteral("Abbrechen") : QStringLiteral("Cancel"));
        }
    }

    // lupdate over the sources finds exactly the texts the catalogue holds:
    // nothing wrapped since is missing, nothing removed since lingers.
    void theCatalogueMatchesTheSources()
    {
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("quillet_de.ts"));
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(QUILLET_LUPDATE),
            { qEnvironmentVariable("QUILLET_SOURCE_DIR") + QStringLiteral("/src"),
                QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                QStringLiteral("-ts"), fresh });
        QVERIFY(lupdate.waitForFinished(120000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAll().constData());
        const auto keys = [](const QList<Message> &messages) {
            QStringList list;
            for (const Message &m : messages)
                list << QStringList { m.context, m.source, m.comment, m.numerus ? u"plural"_s : QString() }
                            .join(u'|');
            list.sort();
            return list;
        };
        QCOMPARE(keys(readCatalogue(cataloguePath(QStringLiteral("de")))), keys(readCatalogue(fresh)));
    }
};

QUILLET_TEST_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
