#include "launcher/AppIndexService.h"
#include "support/FakeWorkspace.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;
using namespace Qt::StringLiterals;

namespace {

InstalledApplication entry(const QString &id, const QString &name)
{
    return InstalledApplication { id, name, QStringLiteral("icon-") + id,
        QStringLiteral("/usr/share/applications/") + id + QStringLiteral(".desktop") };
}

QStringList names(const QList<IndexedApp> &apps)
{
    QStringList list;
    for (const IndexedApp &app : apps)
        list.append(app.name);
    return list;
}

QStringList ids(const QList<IndexedApp> &apps)
{
    QStringList list;
    for (const IndexedApp &app : apps)
        list.append(app.id);
    return list;
}

} // namespace

class AppIndexServiceTest : public QObject {
    Q_OBJECT

    // Builds an index over `apps` and waits for it.
    void index(AppIndexService &service)
    {
        QSignalSpy indexed(&service, &AppIndexService::isIndexedChanged);
        service.buildIndex();
        QVERIFY(indexed.wait(10'000));
    }

private Q_SLOTS:
    void computesSearchKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lowercased");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("acronym");
        QTest::newRow("three words") << u"Visual Studio Code"_s << u"visual studio code"_s
                                     << QStringList { "visual", "studio", "code" } << "vsc";
        QTest::newRow("punctuation and digits") << u"Screen-Shot 2.0"_s << u"screen-shot 2.0"_s
                                                << QStringList { "screen", "shot", "2", "0" } << "ss20";
        QTest::newRow("accents and marks") << u"Éditeur de Texte"_s << u"éditeur de texte"_s
                                           << QStringList { "éditeur", "de", "texte" } << "édt";
        QTest::newRow("combining mark stays in the word")
            << u"Cafe\u0301 Menu"_s << u"cafe\u0301 menu"_s << QStringList { "cafe\u0301", "menu" } << "cm";
        QTest::newRow("no words") << u"—"_s << u"—"_s << QStringList {} << "";
    }
    void computesSearchKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, lowercased);
        QFETCH(QStringList, words);
        QFETCH(QString, acronym);
        const IndexedApp app = makeIndexedApp(entry(QStringLiteral("x"), name));
        QCOMPARE(app.nameLowercased, lowercased);
        QCOMPARE(app.nameWords, words);
        QCOMPARE(app.acronym, acronym);
    }

    void readsWhatTheEntryIs_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("description");
        QTest::newRow("generic name, localized")
            << QByteArray("[Desktop Entry]\nName=Fox\nGenericName=Web Browser\n"
                          "GenericName[de]=Webbrowser\nComment=Browse\n")
            << "Webbrowser";
        QTest::newRow("comment when the generic name is the name")
            << QByteArray("[Desktop Entry]\nName=Files\nGenericName=files\nComment=Access \\sfiles\\n\n")
            << "Access  files";
        QTest::newRow("other groups ignored") << QByteArray(
            "[Desktop Action new]\nComment=Open a window\n[Desktop Entry]\n# Comment=no\nName=Fox\n"
            "[Desktop Action old]\nComment=Old\n")
                                              << "";
    }
    void readsWhatTheEntryIs()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, description);
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath(u"x.desktop"_s), file));
        IndexedApp app = makeIndexedApp(
            InstalledApplication { u"x"_s, u"Files"_s, QString(), dir.filePath(u"x.desktop"_s) });
        readDescription(app, { QStringLiteral("de_DE"), QStringLiteral("de") });
        QCOMPARE(app.description(), description);
    }

    void scoresByTheFirstRuleThatHolds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("score");
        QTest::newRow("word prefix") << u"Visual Studio Code"_s << u"code"_s << 80;
        QTest::newRow("acronym prefix") << u"Visual Studio Code"_s << u"vsc"_s << 70;
        QTest::newRow("inside the acronym") << u"Visual Studio Code"_s << u"sc"_s << 60;
        QTest::newRow("inside the name") << u"Visual Studio Code"_s << u"dio"_s << 50;
        QTest::newRow("name prefix") << u"Visual Studio Code"_s << u"visual st"_s << 90;
        QTest::newRow("whole name") << u"Notes"_s << u"Notes"_s << 100;
        QTest::newRow("whole name, lower case") << u"Notes"_s << u"notes"_s << 100;
        QTest::newRow("no match") << u"Notes"_s << u"xyz"_s << 0;
        QTest::newRow("across a word boundary") << u"Visual Studio Code"_s << u"l s"_s << 50;
    }
    void scoresByTheFirstRuleThatHolds()
    {
        QFETCH(QString, name);
        QFETCH(QString, query);
        QFETCH(int, score);
        QCOMPARE(
            AppIndexService::matchScore(makeIndexedApp(entry(QStringLiteral("x"), name)), query.toLower()),
            score);
    }

    void listsAndOrdersResults()
    {
        test::FakeWorkspace workspace;
        workspace.installed = { entry(u"b.notes"_s, u"Notes"_s), entry(u"a.notes"_s, u"Notes"_s),
            entry(u"sticky"_s, u"Sticky Notes"_s), entry(u"notebook"_s, u"Notebook"_s),
            entry(u"keynote"_s, u"Keynote"_s), entry(u"calc"_s, u"calculator"_s),
            entry(u"a.notes"_s, u"Notes (system)"_s) };
        AppIndexService service(workspace);
        QVERIFY(service.search(u"notes"_s).isEmpty()); // nothing before indexing
        index(service);

        // By name whatever its case, equal names by id; a later entry of an id is ignored.
        QCOMPARE(ids(service.apps()),
            (QStringList { "calc", "keynote", "notebook", "a.notes", "b.notes", "sticky" }));
        QCOMPARE(names(service.apps()).at(3), u"Notes"_s);
        // 90 (equal names by id), 80, 50; the calculator is left out.
        QCOMPARE(ids(service.search(u"note"_s)),
            (QStringList { "notebook", "a.notes", "b.notes", "sticky", "keynote" }));
        QCOMPARE(ids(service.search(u"Notes"_s)), (QStringList { "a.notes", "b.notes", "sticky" }));
        QVERIFY(service.search(QString()).isEmpty());
    }

    void indexesWithoutBlockingTheCaller()
    {
        test::FakeWorkspace workspace;
        QSemaphore gate;
        workspace.listingGate = &gate;
        workspace.installed = { entry(QStringLiteral("notes"), QStringLiteral("Notes")) };
        AppIndexService service(workspace);
        QSignalSpy indexed(&service, &AppIndexService::isIndexedChanged);

        service.buildIndex();
        // The listing cannot have finished: it waits for the gate.
        QVERIFY(!service.isIndexed());
        QVERIFY(service.apps().isEmpty());

        gate.release();
        QVERIFY(indexed.wait(10'000));
        QCOMPARE(names(service.apps()), QStringList { "Notes" });
        QCOMPARE(workspace.iconLookups, 0); // icons wait until a row is drawn
    }

    void changesAreIndexedAgainInOneMorePass()
    {
        test::FakeWorkspace workspace;
        QSemaphore gate;
        workspace.listingGate = &gate;
        workspace.installed = { entry(QStringLiteral("notes"), QStringLiteral("Notes")) };
        auto service = std::make_unique<AppIndexService>(workspace);
        QSignalSpy changed(service.get(), &AppIndexService::appsChanged);
        service->buildIndex();
        QVERIFY(workspace.applicationsChanged);
        gate.release();
        QVERIFY(changed.wait(10'000));

        // Two reports while a pass runs give one more pass, which sees both.
        workspace.applicationsChanged();
        workspace.applicationsChanged();
        workspace.installed.append(entry(QStringLiteral("maps"), QStringLiteral("Maps")));
        gate.release(2);
        QTRY_COMPARE(workspace.listingCalls.load(), 3);
        QTRY_COMPARE(names(service->apps()), (QStringList { "Maps", "Notes" }));
        QCOMPARE(changed.size(), 2); // the second identical listing changes nothing

        service.reset();
        QVERIFY(!workspace.applicationsChanged);
    }

    void resolvesIconsOnceAndOnDemand()
    {
        test::FakeWorkspace workspace;
        workspace.installed = { entry(QStringLiteral("a"), QStringLiteral("A")),
            entry(QStringLiteral("b"), QStringLiteral("B")) };
        AppIndexService service(workspace);
        index(service);
        const IndexedApp a = service.apps().at(0);
        QVERIFY(!service.icon(a).isNull());
        QVERIFY(!service.icon(a).isNull());
        QCOMPARE(workspace.iconLookups, 1);
        service.icon(service.apps().at(1));
        QCOMPARE(workspace.iconLookups, 2);
    }

    void destroyingDuringThePassIsSafe()
    {
        test::FakeWorkspace workspace;
        QSemaphore gate;
        workspace.listingGate = &gate;
        {
            AppIndexService service(workspace);
            service.buildIndex();
            gate.release();
        } // waits for the listing; the publication is dropped with the service
        QCOMPARE(workspace.listingCalls, 1);
        QCoreApplication::processEvents();
    }
};

QUILLET_TEST_MAIN(AppIndexServiceTest)
#include "AppIndexServiceTest.moc"
