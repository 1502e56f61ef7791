#include "ui/tray/TrayPopup.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "snippets/SnippetsViewModel.h"
#include "support/RecordingActions.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetHelpers.h"
#include "ui/controls/SearchField.h"
#include "ui/tray/ClipboardItemRow.h"
#include "ui/tray/TrayHistoryList.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace quillet;

namespace {

struct Fixture {
    test::TempStore store;
    Defaults defaults { store.folder() + QStringLiteral("/q.conf") };
    SnippetsViewModel snippets { *store };
    std::unique_ptr<test::RecordingActions> actions = std::make_unique<test::RecordingActions>(*store);

    explicit Fixture(int entries) { test::fillHistory(*store, entries); }
    std::unique_ptr<TrayPopup> view()
    {
        return std::make_unique<TrayPopup>(*actions, *store, snippets, defaults);
    }
};

QString caption(const QWidget &view, const char *name)
{
    const auto *label = view.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

} // namespace

class TrayPopupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheFirstRowsAndHowManyMore_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<qint64>("storedCount");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("more");
        QTest::newRow("25 entries") << 25 << qint64(0) << 20 << QStringLiteral("5 more items...");
        QTest::newRow("exactly 20") << 20 << qint64(0) << 20 << QString();
        QTest::newRow("menuItemCount 5") << 25 << qint64(5) << 5 << QStringLiteral("20 more items...");
    }
    void showsTheFirstRowsAndHowManyMore()
    {
        QFETCH(int, entries);
        QFETCH(qint64, storedCount);
        QFETCH(int, rows);
        QFETCH(QString, more);
        Fixture f(entries);
        if (storedCount)
            f.defaults.setInteger(keys::menuItemCount, storedCount);
        auto view = f.view();
        QCOMPARE(view->findChildren<ClipboardItemRow *>().size(), rows);
        QCOMPARE(caption(*view, "moreCaption"), more);
        QCOMPARE(view->findChildren<ClipboardItemRow *>().first()->item().title,
            QStringLiteral("Entry %1").arg(entries));
    }

    void captionsForEmptyLists()
    {
        Fixture f(0);
        auto view = f.view();
        QCOMPARE(caption(*view->historyView(), "emptyCaption"), QStringLiteral("No clipboard history"));
        test::fillHistory(*f.store, 2);
        view->searchField()->setText(QStringLiteral("missing"));
        QCOMPARE(caption(*view->historyView(), "emptyCaption"), QStringLiteral("No matches"));
        view->searchField()->setText(QStringLiteral("entry 2"));
        QCOMPARE(view->findChildren<ClipboardItemRow *>().size(), 1);
    }

    void titlesAreShownAsTyped()
    {
        Fixture f(0);
        ClipboardItem item = test::textItem(QStringLiteral("<b>bold</b> &amp; <img src=x>"));
        item.sourceAppName = QStringLiteral("<i>App</i>");
        QVERIFY(f.store->insertItem(item, std::nullopt, {}));
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        auto *row = view->findChildren<ClipboardItemRow *>().first();
        auto *title = row->findChild<QLabel *>(QStringLiteral("title"));
        QVERIFY(!title->text().isEmpty());
        QCOMPARE(title->textFormat(), Qt::PlainText);
        QCOMPARE(test::shownToolTip(title->toolTip()), item.title);
        for (const QLabel *label : row->findChildren<QLabel *>()) {
            if (label->text().contains(QLatin1Char('<')))
                QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }

    void widthFollowsThePreference()
    {
        Fixture f(1);
        QCOMPARE(f.view()->width(), 340);
        f.defaults.setDouble(keys::menuWidth, 420);
        QCOMPARE(f.view()->width(), 420);
    }

    void clearKeepsPinnedEntries()
    {
        Fixture f(3);
        ClipboardItem pinned = f.store->itemsByLastUsed().last();
        pinned.isPinned = true;
        QVERIFY(f.store->updateItem(pinned));
        auto view = f.view();
        QVERIFY(view->findChildren<ClipboardItemRow *>().last()->findChild<QLabel *>(QStringLiteral("pin")));
        view->findChild<QPushButton *>(QStringLiteral("clear"))->click();
        QCOMPARE(view->findChildren<ClipboardItemRow *>().size(), 3);
        // Asked first.
        auto *question = test::shownWindow(QStringLiteral("clearConfirmation"));
        QVERIFY(question);
        question->findChild<QPushButton *>(QStringLiteral("confirmClear"))->click();
        const auto rows = view->findChildren<ClipboardItemRow *>();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()->item().title, QStringLiteral("Entry 1"));
    }

    void aRowsContextMenuPinsAndDeletes()
    {
        Fixture f(2);
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        const auto row = [&](int n) { return view->findChildren<ClipboardItemRow *>().at(n); };
        QVERIFY(
            test::chooseMenuAction(test::openContextMenu(row(1), QPoint(5, 5)), QStringLiteral("pinAction")));
        QVERIFY(row(1)->findChild<QLabel *>(QStringLiteral("pin")));
        QVERIFY(test::chooseMenuAction(
            test::openContextMenu(row(0), QPoint(5, 5)), QStringLiteral("deleteAction")));
        QCOMPARE(view->findChildren<ClipboardItemRow *>().size(), 1);
        QCOMPARE(row(0)->item().title, QStringLiteral("Entry 1"));
    }

    void rowsAndButtonsAct()
    {
        Fixture f(2);
        auto view = f.view();
        QSignalSpy dismiss(view.get(), &TrayPopup::dismissRequested);
        view->findChildren<ClipboardItemRow *>().first()->click();
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 2") });
        view->findChild<QToolButton *>(QStringLiteral("openPanel"))->click();
        QCOMPARE(f.actions->log.last(), QStringLiteral("show"));
        QCOMPARE(dismiss.count(), 1);
        view->findChild<QPushButton *>(QStringLiteral("settings"))->click();
        view->findChild<QPushButton *>(QStringLiteral("quit"))->click();
        QCOMPARE(f.actions->log.mid(2), (QStringList { QStringLiteral("settings"), QStringLiteral("quit") }));
        QCOMPARE(dismiss.count(), 2);
    }

    // Pasting moves the entry to the top, which rebuilds the rows: the clicked
    // row must survive its own click.
    void theClickedRowIsRebuiltAfterItsClick()
    {
        Fixture f(3);
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QPointer<ClipboardItemRow> row = view->findChildren<ClipboardItemRow *>().last();
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 1") });
        QVERIFY(row);
        QTRY_VERIFY(!row);
        QCOMPARE(view->findChildren<ClipboardItemRow *>().first()->item().title, QStringLiteral("Entry 1"));
    }

    void snippetFoldersStartCollapsed()
    {
        Fixture f(0);
        const SnippetFolder folder = test::snippetFolder(QStringLiteral("Replies"));
        QVERIFY(f.store->insertFolder(folder));
        test::insertSnippet(*f.store, QStringLiteral("Thanks"), QStringLiteral("Thanks!"), 0, folder.id);
        auto view = f.view();
        view->setSelectedTab(1);
        auto *header = view->findChild<QToolButton *>(QStringLiteral("folder"));
        QVERIFY(header);
        QVERIFY(header->text().endsWith(QStringLiteral("Replies")));
        auto *snippet = view->findChild<QToolButton *>(QStringLiteral("snippet"));
        QVERIFY(!snippet->isVisibleTo(view.get()));
        header->click();
        QVERIFY(snippet->isVisibleTo(view.get()));
        snippet->click();
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("snippet Thanks") });
    }
};

QUILLET_TEST_MAIN(TrayPopupTest)
#include "TrayPopupTest.moc"
