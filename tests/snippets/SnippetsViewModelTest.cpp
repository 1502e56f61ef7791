#include "snippets/SnippetsViewModel.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

using namespace quillet;

class SnippetsViewModelTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<test::TempStore> m_store;
    SnippetFolder m_second = test::snippetFolder(QStringLiteral("Second"), 2);
    SnippetFolder m_first = test::snippetFolder(QStringLiteral("First"), 1);

private Q_SLOTS:
    void init()
    {
        m_store = std::make_unique<test::TempStore>();
        Store &store = **m_store;
        QVERIFY(store.insertFolder(m_second));
        QVERIFY(store.insertFolder(m_first));
        test::insertSnippet(store, QStringLiteral("Three in second"), QStringLiteral("3"), 3, m_second.id);
        test::insertSnippet(store, QStringLiteral("One in first"), QStringLiteral("1"), 1, m_first.id);
        test::insertSnippet(store, QStringLiteral("Loose"), QStringLiteral("0"), 0, std::nullopt);
        QVERIFY(
            store.insertSnippet(test::textSnippet(QStringLiteral("Address"), 1, m_second.id), std::nullopt));
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
        QTest::newRow("capitals inside a word") << QStringLiteral("DRE") << QStringList { "Address" };
        QTest::newRow("content is not searched") << QStringLiteral("3") << QStringList {};
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
        test::insertText(**m_store, QStringLiteral("history"));
        QCOMPARE(spy.count(), 0); // history changes are not snippet changes
    }

    // New folders and snippets go last; edits replace what is pasted.
    void editsKeepTheOrderAndTheText()
    {
        SnippetsViewModel model(**m_store);
        const auto third = model.createFolder(QStringLiteral("  Third "));
        QVERIFY(third);
        QCOMPARE(model.folders().last(), *third);
        QCOMPARE(third->name, QStringLiteral("Third"));
        QVERIFY(!model.createFolder(QStringLiteral("   ")));
        QVERIFY(model.renameFolder(third->id, QStringLiteral("Mail")));
        QVERIFY(!model.renameFolder(third->id, QString()));
        QCOMPARE(model.folders().last().name, QStringLiteral("Mail"));

        const auto snippet
            = model.createSnippet(m_first.id, QStringLiteral("Sign-off"), QStringLiteral("Best,"));
        QVERIFY(snippet);
        QCOMPARE(test::titlesOf(model.flatSnippets()).last(), QStringLiteral("Sign-off"));
        QVERIFY(model.updateSnippet(
            snippet->id, QStringLiteral("Regards"), QStringLiteral("Kind regards,\nAna")));
        QVERIFY(!model.updateSnippet(snippet->id, QStringLiteral(" "), QStringLiteral("lost")));
        QCOMPARE((*m_store)->snippetContentData(snippet->id), QByteArray("Kind regards,\nAna"));
        QVERIFY(model.moveSnippet(snippet->id, third->id));
        const auto moved = model.foldersWithSnippets().last().snippets;
        QCOMPARE(test::titlesOf(moved), QStringList { "Regards" });
        QCOMPARE(model.text(moved.first()), QStringLiteral("Kind regards,\nAna"));

        QVERIFY(model.deleteFolder(third->id));
        QCOMPARE(test::titlesOf(model.flatSnippets()).contains(QStringLiteral("Regards")), false);
    }

    void savesAHistoryEntryAsASnippet_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain text") << QStringLiteral("text/plain;charset=utf-8")
                                    << QByteArray("Hello\nthere") << QStringLiteral("Hello\nthere");
        QTest::newRow("rich text only")
            << QStringLiteral("text/rtf") << QByteArray("{\\rtf1 Bold \\b move\\b0}")
            << QStringLiteral("Bold move");
        QTest::newRow("an image has no text")
            << QStringLiteral("image/png") << QByteArray("\x89PNG") << QString();
    }
    void savesAHistoryEntryAsASnippet()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        test::TempStore store;
        SnippetsViewModel model(*store);
        const ClipboardItem item = test::textItem(QStringLiteral("Hello"));
        QVERIFY(store->insertItem(item, std::nullopt, { test::content(type, data) }));
        const auto snippet = model.createSnippetFromItem(item);
        QCOMPARE(snippet.has_value(), !text.isNull());
        if (!snippet)
            return;
        QCOMPARE(snippet->title, QStringLiteral("Hello"));
        QCOMPARE(model.text(*snippet), text);
        // Without a folder, one is made for it.
        QCOMPARE(model.folders().size(), 1);
        QCOMPARE(snippet->folder, model.folders().first().id);
    }
};

QUILLET_TEST_MAIN(SnippetsViewModelTest)
#include "SnippetsViewModelTest.moc"
