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

QList<ClipboardItemRow *> rows(const TrayPopup &view)
{
    return view.historyView()->rows();
}

QStringList titles(const TrayPopup &view)
{
    QStringList shown;
    for (const ClipboardItemRow *row : rows(view))
        shown.append(row->item().title);
    return shown;
}

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
        QCOMPARE(::rows(*view).size(), rows);
        QCOMPARE(caption(*view, "moreCaption"), more);
        QCOMPARE(::rows(*view).first()->item().title, QStringLiteral("Entry %1").arg(entries));
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
        QCOMPARE(rows(*view).size(), 1);
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
        auto *row = rows(*view).first();
        auto *title = row->findChild<QLabel *>(QStringLiteral("title"));
        QVERIFY(!title->text().isEmpty());
        QCOMPARE(title->textFormat(), Qt::PlainText);
        QCOMPARE(test::shownToolTip(title->toolTip()), item.title);
        for (const QLabel *label : row->findChildren<QLabel *>()) {
            if (label->text().contains(QLatin1Char('<')))
                QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }

    void widthAndRowCountFollowThePreferences()
    {
        Fixture f(25);
        auto view = f.view();
        QCOMPARE(view->width(), 340);
        f.defaults.setDouble(keys::menuWidth, 420);
        f.defaults.setInteger(keys::menuItemCount, 5);
        QCOMPARE(view->width(), 420);
        QCOMPARE(rows(*view).size(), 5);
    }

    void clearKeepsPinnedEntries()
    {
        Fixture f(3);
        ClipboardItem pinned = f.store->itemsByLastUsed().last();
        pinned.isPinned = true;
        QVERIFY(f.store->updateItem(pinned));
        auto view = f.view();
        QVERIFY(rows(*view).last()->findChild<QLabel *>(QStringLiteral("pin")));
        view->findChild<QPushButton *>(QStringLiteral("clear"))->click();
        QCOMPARE(rows(*view).size(), 3);
        // Asked first.
        auto *question = test::shownWindow(QStringLiteral("clearConfirmation"));
        QVERIFY(question);
        question->findChild<QPushButton *>(QStringLiteral("confirmClear"))->click();
        QCOMPARE(titles(*view), QStringList { QStringLiteral("Entry 1") });
    }

    void aRowsContextMenuPinsAndDeletes()
    {
        Fixture f(2);
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        const auto row = [&](int n) { return rows(*view).at(n); };
        QVERIFY(
            test::chooseMenuAction(test::openContextMenu(row(1), QPoint(5, 5)), QStringLiteral("pinAction")));
        QVERIFY(row(1)->findChild<QLabel *>(QStringLiteral("pin")));
        QVERIFY(test::chooseMenuAction(
            test::openContextMenu(row(0), QPoint(5, 5)), QStringLiteral("deleteAction")));
        QCOMPARE(rows(*view).size(), 1);
        QCOMPARE(row(0)->item().title, QStringLiteral("Entry 1"));
    }

    void rowsAndButtonsAct()
    {
        Fixture f(2);
        auto view = f.view();
        QSignalSpy dismiss(view.get(), &TrayPopup::dismissRequested);
        rows(*view).first()->click();
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 2") });
        view->findChild<QToolButton *>(QStringLiteral("openPanel"))->click();
        QCOMPARE(f.actions->log.last(), QStringLiteral("show"));
        QCOMPARE(dismiss.count(), 1);
        view->findChild<QPushButton *>(QStringLiteral("settings"))->click();
        view->findChild<QPushButton *>(QStringLiteral("quit"))->click();
        QCOMPARE(f.actions->log.mid(2), (QStringList { QStringLiteral("settings"), QStringLiteral("quit") }));
        QCOMPARE(dismiss.count(), 2);
        // Reached with Tab, Return pastes a row's entry too.
        ClipboardItemRow *second = rows(*view).at(1);
        const QString title = second->item().title;
        QVERIFY(second->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(second, Qt::Key_Return);
        QCOMPARE(f.actions->log.last(), QStringLiteral("paste ") + title);
    }

    // The popup is kept between shows: each change of the history touches
    // only its own row, and the other rows stay the same widgets.
    void rowsFollowTheHistoryOneByOne_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("pinned");
        QTest::newRow("added") << "add" << QStringList { "New", "Entry 3", "Entry 2", "Entry 1" }
                               << QStringList();
        QTest::newRow("removed") << "remove" << QStringList { "Entry 3", "Entry 1" } << QStringList();
        QTest::newRow("pinned") << "pin" << QStringList { "Entry 3", "Entry 2", "Entry 1" }
                                << QStringList { "Entry 2" };
        QTest::newRow("cleared") << "clear" << QStringList { "Entry 2" } << QStringList { "Entry 2" };
    }
    void rowsFollowTheHistoryOneByOne()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, pinned);
        Fixture f(3);
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QHash<QUuid, QPointer<ClipboardItemRow>> before;
        for (ClipboardItemRow *row : rows(*view))
            before.insert(row->item().id, row);
        const auto entry = [&](const QString &title) {
            for (const ClipboardItem &item : f.store->itemsByLastUsed()) {
                if (item.title == title)
                    return item;
            }
            return ClipboardItem();
        };
        ClipboardItem second = entry(QStringLiteral("Entry 2"));
        if (change == QLatin1String("add")) {
            QVERIFY(f.store->insertItem(test::textItem(QStringLiteral("New"), -1), std::nullopt, {}));
        } else if (change == QLatin1String("remove")) {
            QVERIFY(f.store->deleteItems({ second.id }));
        } else if (change == QLatin1String("pin")) {
            second.isPinned = true;
            QVERIFY(f.store->updateItem(second));
        } else {
            second.isPinned = true;
            QVERIFY(f.store->updateItem(second));
            f.actions->clearHistory();
        }
        QCOMPARE(titles(*view), shown);
        for (ClipboardItemRow *row : rows(*view)) {
            if (before.contains(row->item().id))
                QCOMPARE(row, before.value(row->item().id).data());
            QCOMPARE(
                bool(row->findChild<QLabel *>(QStringLiteral("pin"))), pinned.contains(row->item().title));
        }
    }

    // Pasting moves the entry to the top while its row handles the click.
    void theClickedRowMovesToTheTop()
    {
        Fixture f(3);
        auto view = f.view();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QPointer<ClipboardItemRow> row = rows(*view).last();
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 1") });
        QCOMPARE(rows(*view).first(), row.data());
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
