#include "ui/panel/FloatingPanelView.h"
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "snippets/SnippetsViewModel.h"
#include "support/FakeWorkspace.h"
#include "support/ManualClock.h"
#include "support/RecordingActions.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetHelpers.h"
#include "ui/common/HistoryListModel.h"
#include "ui/common/ItemPresentation.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace quillet;

namespace {

struct Fixture {
    test::TempStore store;
    Defaults defaults { store.folder() + QStringLiteral("/Quillet.conf") };
    SnippetsViewModel snippets { *store };
    std::unique_ptr<test::RecordingActions> actions = std::make_unique<test::RecordingActions>(*store);

    explicit Fixture(int entries) { test::fillHistory(*store, entries); }
};

bool isPinned(Store &store, const QString &title)
{
    for (const ClipboardItem &item : store.itemsByLastUsed()) {
        if (item.title == title)
            return item.isPinned;
    }
    return false;
}

QString labelText(const QWidget &view, const char *name)
{
    const auto *label = view.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

void press(
    QWidget &view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    QTest::keyClick(view.findChild<QLineEdit *>(QStringLiteral("search")), key, modifiers);
    Q_UNUSED(text);
}

} // namespace

class FloatingPanelViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsThirtyOfManyAndCountsThemAll()
    {
        Fixture f(45);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        QCOMPARE(view.shownRowCount(), 30);
        QCOMPARE(labelText(view, "count"), QStringLiteral("45 items"));
        for (int i = 0; i < 40; ++i)
            press(view, Qt::Key_Down);
        QCOMPARE(view.selectedIndex(), 29);
        press(view, Qt::Key_Return);
        QCOMPARE(f.actions->log.last(), QStringLiteral("paste Entry 16")); // the 30th newest of 45
        for (int i = 0; i < 40; ++i)
            press(view, Qt::Key_Up);
        QCOMPARE(view.selectedIndex(), 0);
    }

    void controlDigitsPasteTheirRow()
    {
        Fixture f(45);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_9, Qt::ControlModifier);
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 37") });
        // Ctrl+0 is not a row; it is left to the text field.
        press(view, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(f.actions->log.size(), 1);
    }

    void controlDigitBeyondTheListDoesNothing()
    {
        Fixture f(3);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_5, Qt::ControlModifier);
        QVERIFY(f.actions->log.isEmpty());
        QVERIFY(view.searchText().isEmpty()); // handled: no "5" typed
        press(view, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 1") });
    }

    void typingFiltersAndResetsTheHighlight()
    {
        Fixture f(12);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_Down);
        press(view, Qt::Key_Down);
        QCOMPARE(view.selectedIndex(), 2);
        QTest::keyClicks(view.findChild<QLineEdit *>(QStringLiteral("search")), QStringLiteral("ENTRY 1"));
        QCOMPARE(view.selectedIndex(), 0);
        QCOMPARE(view.shownRowCount(), 4); // Entry 1, 10, 11, 12
        QCOMPARE(labelText(view, "count"), QStringLiteral("4 items"));
        press(view, Qt::Key_Return);
        QCOMPARE(f.actions->log.last(), QStringLiteral("paste Entry 12"));

        view.setSearchText(QStringLiteral("nothing like this"));
        QCOMPARE(view.shownRowCount(), 0);
        QCOMPARE(labelText(view, "emptyText"), QStringLiteral("No matches"));
        press(view, Qt::Key_Return);
        QCOMPARE(f.actions->log.size(), 1);
    }

    void aQueryFindsAnyLineOfAnEntry()
    {
        Fixture f(5);
        test::FakeWorkspace workspace;
        ExcludedAppsService excluded(f.defaults, workspace);
        test::ManualClock clock;
        HistoryManager history(*f.store, excluded, f.defaults, clock);
        PasteboardSnapshot copy;
        copy.contents = { { QStringLiteral("text/plain"), QByteArray("Groceries\nmilk\nCafé au lait") } };
        history.addSnapshot(copy);
        QTRY_COMPARE(f.store->itemCount(), 6);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        view.setSearchText(QStringLiteral("cafe au"));
        QTRY_COMPARE(view.shownRowCount(), 1); // found in the text on a worker
        press(view, Qt::Key_Return);
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Groceries") });
    }

    void switchingTabsClearsTheSearch()
    {
        Fixture f(5);
        const SnippetFolder folder = test::snippetFolder(QStringLiteral("Mail"));
        QVERIFY(f.store->insertFolder(folder));
        test::insertSnippet(*f.store, QStringLiteral("Signature"), QStringLiteral("Best"), 2, folder.id);
        test::insertSnippet(*f.store, QStringLiteral("Loose"), QStringLiteral("x"), 1, std::nullopt);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        view.setSearchText(QStringLiteral("Entry"));
        press(view, Qt::Key_Down);
        view.findChild<QToolButton *>(QStringLiteral("snippetsTab"))->click();
        QCOMPARE(f.actions->panelTab(), PanelTab::snippets);
        QVERIFY(view.searchText().isEmpty());
        QCOMPARE(view.selectedIndex(), 0);
        QCOMPARE(view.shownRowCount(), 1); // the snippet without a folder is not listed
        QCOMPARE(labelText(view, "count"), QStringLiteral("1 snippet"));
        press(view, Qt::Key_Return);
        QCOMPARE(f.actions->log.last(), QStringLiteral("snippet Signature"));

        view.setSearchText(QStringLiteral("zzz"));
        QCOMPARE(labelText(view, "emptyText"), QStringLiteral("No matches"));
        // A hotkey switching the tab behaves like a click.
        f.actions->setPanelTab(PanelTab::history);
        QVERIFY(view.searchText().isEmpty());
        QCOMPARE(view.shownRowCount(), 5);

        // Ctrl+Tab and Ctrl+Shift+Tab switch, whichever list is shown.
        press(view, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.actions->panelTab(), PanelTab::snippets);
        press(view, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(f.actions->panelTab(), PanelTab::history);
        press(view, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.actions->panelTab(), PanelTab::snippets);
    }

    void emptyStates()
    {
        Fixture f(0);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        QCOMPARE(labelText(view, "emptyText"), QStringLiteral("Empty"));
        QCOMPARE(labelText(view, "count"), QStringLiteral("0 items"));
        f.actions->setPanelTab(PanelTab::snippets);
        QCOMPARE(labelText(view, "emptyText"), QStringLiteral("No snippets"));
    }

    void escapeAndCloseHideThePanel()
    {
        Fixture f(1);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_Escape);
        view.findChild<QToolButton *>(QStringLiteral("close"))->click();
        QCOMPARE(f.actions->log, (QStringList { QStringLiteral("hide"), QStringLiteral("hide") }));
    }

    void thePanelMenuReachesSettingsClearAndQuit()
    {
        Fixture f(2);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        QCOMPARE(view.findChild<QToolButton *>(QStringLiteral("menu"))->menu(), view.menu());
        f.actions->setPinned(f.store->itemsByLastUsed().first(), true);
        f.actions->log.clear();
        for (const char *name : { "settingsAction", "clearAction", "quitAction" })
            view.menu()->findChild<QAction *>(QLatin1String(name))->trigger();
        QCOMPARE(f.actions->log,
            (QStringList { QStringLiteral("hide"), QStringLiteral("settings"), QStringLiteral("quit") }));
        // Clear asks first, naming what goes and what stays.
        auto *question = test::shownWindow<QMessageBox>(QStringLiteral("clearConfirmation"));
        QVERIFY(question);
        QCOMPARE(question->text(), QStringLiteral("Remove 1 entry from the history?"));
        QCOMPARE(question->informativeText(), QStringLiteral("The pinned entry stays."));
        question->findChild<QPushButton *>(QStringLiteral("confirmClear"))->click();
        QCOMPARE(f.actions->log.last(), QStringLiteral("clear"));
        QCOMPARE(view.shownRowCount(), 1);
    }

    void keysPinUnpinAndDeleteTheHighlightedEntry()
    {
        Fixture f(3);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_Down);
        press(view, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(isPinned(*f.store, QStringLiteral("Entry 2")));
        QCOMPARE(view.selectedIndex(), 1);
        press(view, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!isPinned(*f.store, QStringLiteral("Entry 2")));
        press(view, Qt::Key_Delete);
        QCOMPARE(test::historyTitles(*f.store),
            (QStringList { QStringLiteral("Entry 3"), QStringLiteral("Entry 1") }));
        QCOMPARE(view.shownRowCount(), 2);

        // With any search text, Delete edits the text and removes nothing:
        // Ctrl+A, Delete empties the field.
        view.setSearchText(QStringLiteral("Entry"));
        press(view, Qt::Key_A, Qt::ControlModifier);
        press(view, Qt::Key_Delete);
        QCOMPARE(view.searchText(), QString());
        QCOMPARE(f.store->itemCount(), 2);
    }

    void aRemovalCanBeUndoneFromItsNoticeOrWithCtrlZ()
    {
        Fixture f(1);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        auto *notice = view.findChild<QWidget *>(QStringLiteral("notice"));
        press(view, Qt::Key_Z, Qt::ControlModifier); // nothing to undo: the search field's
        for (bool byKey : { true, false }) {
            Q_EMIT f.actions->removalUndoable(QStringLiteral("Deleted 1 entry"));
            QCOMPARE(labelText(view, "noticeText"), QStringLiteral("Deleted 1 entry"));
            QVERIFY(!notice->isHidden());
            byKey ? press(view, Qt::Key_Z, Qt::ControlModifier)
                  : view.findChild<QToolButton *>(QStringLiteral("undo"))->click();
            QVERIFY(notice->isHidden());
        }
        QCOMPARE(f.actions->log, (QStringList { QStringLiteral("undo"), QStringLiteral("undo") }));
    }

    void aRowsContextMenuPinsUnpinsSavesAndDeletes()
    {
        Fixture f(3);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        view.resize(FloatingPanelView::width, FloatingPanelView::height);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *list = view.findChild<QListView *>(QStringLiteral("list"));
        const auto rowCentre
            = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };

        QVERIFY(test::chooseMenuAction(
            test::openContextMenu(list->viewport(), rowCentre(1)), QStringLiteral("pinAction")));
        QVERIFY(isPinned(*f.store, QStringLiteral("Entry 2")));
        QMenu *menu = test::openContextMenu(list->viewport(), rowCentre(1));
        QCOMPARE(menu->findChild<QAction *>(QStringLiteral("pinAction"))->text(), QStringLiteral("Unpin"));
        QVERIFY(test::chooseMenuAction(menu, QStringLiteral("pinAction")));
        QVERIFY(!isPinned(*f.store, QStringLiteral("Entry 2")));
        QVERIFY(test::chooseMenuAction(
            test::openContextMenu(list->viewport(), rowCentre(0)), QStringLiteral("deleteAction")));
        QCOMPARE(test::historyTitles(*f.store),
            (QStringList { QStringLiteral("Entry 2"), QStringLiteral("Entry 1") }));
    }

    void clickingARowPastesIt()
    {
        Fixture f(3);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        view.resize(FloatingPanelView::width, FloatingPanelView::height);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *list = view.findChild<QListView *>(QStringLiteral("list"));
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(f.actions->log, QStringList { QStringLiteral("paste Entry 2") });
    }

    void followsTheStoreWhileOpen()
    {
        Fixture f(2);
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        press(view, Qt::Key_Down);
        test::fillHistory(*f.store, 1, 100);
        QCOMPARE(view.shownRowCount(), 3);
        QCOMPARE(labelText(view, "count"), QStringLiteral("3 items"));
        f.store->deleteAllItems();
        QCOMPARE(view.shownRowCount(), 0);
        QCOMPARE(view.selectedIndex(), 0);
        QCOMPARE(labelText(view, "emptyText"), QStringLiteral("Empty"));
    }

    void theHistoryListChangesByRows()
    {
        Fixture f(31);
        HistoryListModel model(*f.store, 30);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
        // A new entry comes in on top and pushes the last shown one out.
        test::fillHistory(*f.store, 1, 100);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.rowCount(), 30);
        // An entry used again moves to the top.
        ClipboardItem used = model.filteredAt(5).value();
        used.lastUsedAt = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
        QVERIFY(f.store->updateItem(used));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(model.filteredAt(0)->id, used.id);
        QCOMPARE(model.index(0).data(HistoryListModel::ItemRole).value<ClipboardItem>(), used);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(model.filteredCount(), 32);
    }

    void tooltipsShowTitlesAsTyped()
    {
        Fixture f(0);
        test::insertText(*f.store, QStringLiteral("<b>x</b> &amp;"));
        FloatingPanelView view(*f.actions, *f.store, f.snippets);
        const auto *list = view.findChild<QListView *>(QStringLiteral("list"));
        const QString tip = list->model()->index(0, 0).data(Qt::ToolTipRole).toString();
        QCOMPARE(test::shownToolTip(tip), QStringLiteral("<b>x</b> &amp;"));
    }

    void rtfTitlesShowTheirFirstLine()
    {
        QCOMPARE(displayTitle(
                     QStringLiteral("{\\rtf1\\ansi {\\fonttbl\\f0 Helvetica;}\\f0  Hello there \\par more}")),
            QStringLiteral("Hello there"));
        QCOMPARE(
            displayTitle(QStringLiteral("{\\rtf1 unterminated")), QStringLiteral("{\\rtf1 unterminated"));
        QCOMPARE(displayTitle(QStringLiteral("plain {\\rtf1 x}")), QStringLiteral("plain {\\rtf1 x}"));
    }
};

QUILLET_TEST_MAIN(FloatingPanelViewTest)
#include "FloatingPanelViewTest.moc"
