#include "snippets/SnippetsViewModel.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;

namespace {

Snippet snippet(const QString &title, qint64 order, std::optional<QUuid> folder)
{
    return { QUuid::createUuid(), title, order, QStringLiteral("text/plain"), title, std::nullopt,
        QDateTime::currentDateTimeUtc(), folder, false };
}

QStringList titles(const QList<Snippet> &snippets)
{
    QStringList out;
    for (const Snippet &s : snippets)
        out.append(s.title);
    return out;
}

} // namespace

class SnippetsViewModelTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Store> m_store;
    SnippetFolder m_second { QUuid::createUuid(), QStringLiteral("Second"), 2 };
    SnippetFolder m_first { QUuid::createUuid(), QStringLiteral("First"), 1 };

private Q_SLOTS:
    void init()
    {
        QString error;
        m_store = Store::open(m_dir.filePath(QUuid::createUuid().toString(QUuid::Id128)), &error);
        QVERIFY(m_store);
        QVERIFY(m_store->insertFolder(m_second));
        QVERIFY(m_store->insertFolder(m_first));
        QVERIFY(m_store->insertSnippet(
            snippet(QStringLiteral("Three in second"), 3, m_second.id), QByteArray("3")));
        QVERIFY(
            m_store->insertSnippet(snippet(QStringLiteral("One in first"), 1, m_first.id), QByteArray("1")));
        QVERIFY(m_store->insertSnippet(snippet(QStringLiteral("Loose"), 0, std::nullopt), QByteArray("0")));
        QVERIFY(m_store->insertSnippet(snippet(QStringLiteral("Address"), 1, m_second.id), std::nullopt));
    }

    void listsFoldersByTheirOrder()
    {
        SnippetsViewModel model(*m_store);
        QCOMPARE(model.folders(), (QList<SnippetFolder> { m_first, m_second }));
        const auto grouped = model.foldersWithSnippets();
        QCOMPARE(titles(grouped.at(1).snippets),
            (QStringList { QStringLiteral("Address"), QStringLiteral("Three in second") }));
    }

    void flatListOrdersBySnippetOrderAcrossFolders()
    {
        SnippetsViewModel model(*m_store);
        // Equal orders keep the folder order; the snippet without a folder is not listed.
        QCOMPARE(titles(model.flatSnippets()),
            (QStringList { QStringLiteral("One in first"), QStringLiteral("Address"),
                QStringLiteral("Three in second") }));
        QVERIFY(!model.flatSnippets().at(1).hasContentData);
    }

    void searchesTitlesOnly_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty shows all")
            << QString()
            << QStringList { QStringLiteral("One in first"), QStringLiteral("Address"),
                   QStringLiteral("Three in second") };
        QTest::newRow("capitals inside a word")
            << QStringLiteral("DRE") << QStringList { QStringLiteral("Address") };
        QTest::newRow("content is not searched") << QStringLiteral("3") << QStringList {};
    }
    void searchesTitlesOnly()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        SnippetsViewModel model(*m_store);
        QCOMPARE(titles(model.filteredSnippets(query)), expected);
    }

    void followsTheStore()
    {
        SnippetsViewModel model(*m_store);
        QSignalSpy spy(&model, &SnippetsViewModel::snippetsChanged);
        QVERIFY(m_store->deleteFolder(m_second.id));
        QVERIFY(spy.count() >= 1);
        QCOMPARE(titles(model.flatSnippets()), QStringList { QStringLiteral("One in first") });
        spy.clear();
        ClipboardItem item;
        item.id = QUuid::createUuid();
        item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
        item.contentTypeRaw = QStringLiteral("plainText");
        QVERIFY(m_store->insertItem(item, std::nullopt, {}));
        QCOMPARE(spy.count(), 0); // history changes are not snippet changes
    }
};

QUILLET_TEST_MAIN(SnippetsViewModelTest)
#include "SnippetsViewModelTest.moc"
