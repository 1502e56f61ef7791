#include "snippets/SnippetsViewModel.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace quillet;
using namespace Qt::StringLiterals;

class SnippetsViewModelTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TempStore> m_store;
    SnippetFolder m_second = test::snippetFolder(u"Second"_s, 2);
    SnippetFolder m_first = test::snippetFolder(u"First"_s, 1);

private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<test::TempStore>();
        Store &store = **m_store;
        QVERIFY(store.insertFolder(m_second));
        QVERIFY(store.insertFolder(m_first));
        test::insertSnippet(store, u"Three in second"_s, u"3"_s, 3, m_second.id);
        test::insertSnippet(store, u"One in first"_s, u"1"_s, 1, m_first.id);
        test::insertSnippet(store, u"Loose"_s, u"0"_s, 0, std::nullopt);
        QVERIFY(store.insertSnippet(test::textSnippet(u"Address"_s, 1, m_second.id), std::nullopt));
    }

    void listsFoldersByTheirOrder()
    {
        SnippetsViewModel model(**m_store);
        QCOMPARE(model.folders(), (QList<SnippetFolder> { m_first, m_second }));
        const auto grouped = model.foldersWithSnippets();
        QCOMPARE(test::titlesOf(grouped.at(1).snippets), (QStringList { "Address", "Three in second" }));
    }

    void flatListOrdersBySnippetOrderAcrossFolders()
    {
        SnippetsViewModel model(**m_store);
        // Equal orders keep the folder order; the snippet without a folder is not listed.
        QCOMPARE(test::titlesOf(model.flatSnippets()),
            (QStringList { "One in first", "Address", "Three in second" }));
        QVERIFY(!model.flatSnippets().at(1).hasContentData);
    }

    void searchesTitlesOnly_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty shows all")
            << QString() << QStringList { "One in first", "Address", "Three in second" };
        QTest::newRow("capitals inside a word") << u"DRE"_s << QStringList { "Address" };
        QTest::newRow("content is not searched") << u"3"_s << QStringList {};
    }
    void searchesTitlesOnly()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        SnippetsViewModel model(**m_store);
        QCOMPARE(test::titlesOf(model.filteredSnippets(query)), expected);
    }

    void followsTheStore()
    {
        SnippetsViewModel model(**m_store);
        QSignalSpy spy(&model, &SnippetsViewModel::snippetsChanged);
        QVERIFY((*m_store)->deleteFolder(m_second.id));
        QVERIFY(spy.count() >= 1);
        QCOMPARE(test::titlesOf(model.flatSnippets()), QStringList { "One in first" });
        spy.clear();
        test::insertText(**m_store, u"history"_s);
        QCOMPARE(spy.count(), 0); // history changes are not snippet changes
    }

    // New folders and snippets go last; edits replace what is pasted.
    void editsKeepTheOrderAndTheText()
    {
        SnippetsViewModel model(**m_store);
        const auto third = model.createFolder(u"  Third "_s);
        QVERIFY(third);
        QCOMPARE(model.folders().last(), *third);
        QCOMPARE(third->name, u"Third"_s);
        QVERIFY(!model.createFolder(u"   "_s));
        QVERIFY(model.renameFolder(third->id, u"Mail"_s));
        QVERIFY(!model.renameFolder(third->id, QString()));
        QCOMPARE(model.folders().last().name, u"Mail"_s);

        const auto snippet = model.createSnippet(m_first.id, u"Sign-off"_s, u"Best,"_s);
        QVERIFY(snippet);
        QCOMPARE(test::titlesOf(model.flatSnippets()).last(), u"Sign-off"_s);
        QVERIFY(model.updateSnippet(snippet->id, u"Regards"_s, u"Kind regards,\nAna"_s));
        QVERIFY(!model.updateSnippet(snippet->id, u" "_s, u"lost"_s));
        QCOMPARE((*m_store)->snippetContentData(snippet->id), QByteArray("Kind regards,\nAna"));
        QVERIFY(model.moveSnippet(snippet->id, third->id));
        const auto moved = model.foldersWithSnippets().last().snippets;
        QCOMPARE(test::titlesOf(moved), QStringList { "Regards" });
        QCOMPARE(model.text(moved.first()), u"Kind regards,\nAna"_s);

        QVERIFY(model.deleteFolder(third->id));
        QCOMPARE(test::titlesOf(model.flatSnippets()).contains(u"Regards"_s), false);
    }

    void savesAHistoryEntryAsASnippet_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain text") << u"text/plain;charset=utf-8"_s << QByteArray("Hello\nthere")
                                    << u"Hello\nthere"_s;
        QTest::newRow("rich text only")
            << u"text/rtf"_s << QByteArray("{\\rtf1 Bold \\b move\\b0}") << u"Bold move"_s;
        QTest::newRow("utf-16") << u"text/plain;charset=utf-16"_s << QByteArray("\xff\xfe\xfc\0b\0", 6)
                                << u"üb"_s;
        QTest::newRow("an image has no text") << u"image/png"_s << QByteArray("\x89PNG") << QString();
    }
    void savesAHistoryEntryAsASnippet()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        test::TempStore store;
        SnippetsViewModel model(*store);
        const ClipboardItem item = test::textItem(u"Hello"_s);
        // Records without data are passed over.
        ClipboardContent empty = test::content(u"image/png"_s, {});
        empty.data.reset();
        QVERIFY(store->insertItem(item, std::nullopt, { empty, test::content(type, data) }));
        const auto snippet = model.createSnippetFromItem(item);
        QCOMPARE(snippet.has_value(), !text.isNull());
        if (!snippet)
            return;
        QCOMPARE(snippet->title, u"Hello"_s);
        QCOMPARE(model.text(*snippet), text);
        // Without a folder, one is made for it.
        QCOMPARE(model.folders().size(), 1);
        QCOMPARE(snippet->folder, model.folders().first().id);
    }
};

QUILLET_TEST_MAIN(SnippetsViewModelTest)
#include "SnippetsViewModelTest.moc"
