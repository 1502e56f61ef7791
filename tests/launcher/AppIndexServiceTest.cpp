#include "launcher/AppIndexService.h"
#include "support/FakeWorkspace.h"
#include "support/TestEnvironment.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;

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
        QTest::newRow("three words") << "Visual Studio Code"
                                     << "visual studio code" << QStringList { "visual", "studio", "code" }
                                     << "vsc";
        QTest::newRow("punctuation and digits")
            << "Screen-Shot 2.0"
            << "screen-shot 2.0" << QStringList { "screen", "shot", "2", "0" } << "ss20";
        QTest::newRow("accents and marks")
            << "Éditeur de Texte"
            << "éditeur de texte" << QStringList { "éditeur", "de", "texte" } << "édt";
        QTest::newRow("combining mark stays in the word")
            << "Cafe\u0301 Menu"
            << "cafe\u0301 menu" << QStringList { "cafe\u0301", "menu" } << "cm";
        QTest::newRow("no words") << "—"
                                  << "—" << QStringList {} << "";
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
        QFile entry(dir.filePath(QStringLiteral("x.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(file);
        entry.close();
        IndexedApp app = makeIndexedApp(InstalledApplication {
            QStringLiteral("x"), QStringLiteral("Files"), QString(), entry.fileName() });
        readDescription(app, { QStringLiteral("de_DE"), QStringLiteral("de") });
        QCOMPARE(app.description(), description);
    }

    void scoresByTheFirstRuleThatHolds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("score");
        QTest::newRow("word prefix") << "Visual Studio Code"
                                     << "code" << 80;
        QTest::newRow("acronym prefix") << "Visual Studio Code"
                                        << "vsc" << 70;
        QTest::newRow("inside the acronym") << "Visual Studio Code"
                                            << "sc" << 60;
        QTest::newRow("inside the name") << "Visual Studio Code"
                                         << "dio" << 50;
        QTest::newRow("name prefix") << "Visual Studio Code"
                                     << "visual st" << 90;
        QTest::newRow("whole name") << "Notes"
                                    << "Notes" << 100;
        QTest::newRow("whole name, lower case") << "Notes"
                                                << "notes" << 100;
        QTest::newRow("no match") << "Notes"
                                  << "xyz" << 0;
        QTest::newRow("across a word boundary") << "Visual Studio Code"
                                                << "l s" << 50;
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

    void ordersResults()
    {
        test::FakeWorkspace workspace;
        workspace.installed = {
            entry(QStringLiteral("b.notes"), QStringLiteral("Notes")),
            entry(QStringLiteral("a.notes"), QStringLiteral("Notes")),
            entry(QStringLiteral("sticky"), QStringLiteral("Sticky Notes")),
            entry(QStringLiteral("notebook"), QStringLiteral("Notebook")),
            entry(QStringLiteral("keynote"), QStringLiteral("Keynote")),
            entry(QStringLiteral("calc"), QStringLiteral("Calculator")),
        };
        AppIndexService service(workspace);
        QVERIFY(service.search(QStringLiteral("notes")).isEmpty()); // nothing before indexing
        index(service);

        // 90 (equal names by id), 80, 50; the calculator is left out.
        QCOMPARE(ids(service.search(QStringLiteral("note"))),
            (QStringList { "notebook", "a.notes", "b.notes", "sticky", "keynote" }));
        QCOMPARE(
            ids(service.search(QStringLiteral("Notes"))), (QStringList { "a.notes", "b.notes", "sticky" }));
        QVERIFY(service.search(QString()).isEmpty());
    }

    void keepsTheFirstEntryOfAnId()
    {
        test::FakeWorkspace workspace;
        workspace.installed = {
            entry(QStringLiteral("org.editor"), QStringLiteral("Editor (user)")),
            entry(QStringLiteral("org.other"), QStringLiteral("Other")),
            entry(QStringLiteral("org.editor"), QStringLiteral("Editor (system)")),
        };
        AppIndexService service(workspace);
        index(service);
        QCOMPARE(names(service.apps()), (QStringList { "Editor (user)", "Other" }));
    }

    void sortsByNameIgnoringCase()
    {
        test::FakeWorkspace workspace;
        workspace.installed = {
            entry(QStringLiteral("3"), QStringLiteral("gamma")),
            entry(QStringLiteral("2"), QStringLiteral("Beta")),
            entry(QStringLiteral("1b"), QStringLiteral("alpha")),
            entry(QStringLiteral("1a"), QStringLiteral("alpha")),
            entry(QStringLiteral("0"), QStringLiteral("Alphabet")),
        };
        AppIndexService service(workspace);
        index(service);
        QCOMPARE(ids(service.apps()), (QStringList { "1a", "1b", "0", "2", "3" }));
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
