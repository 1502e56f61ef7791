#include "app/AppState.h"
#include "app/FloatingPanelController.h"
#include "app/HotkeyManager.h"
#include "clipboard/TypeRegistry.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "snippets/SnippetsViewModel.h"
#include "store/Store.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeLoginItems.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"
#include "ui/panel/FloatingPanelView.h"
#include "ui/panel/IMEPanel.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

const shortcuts::Shortcut kTogglePanel(shortcuts::keys::v, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kOpenHistory(shortcuts::keys::c, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kOpenSnippets(shortcuts::keys::s, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kAITransform(shortcuts::keys::a, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kLauncher(shortcuts::keys::space, shortcuts::option);

// The application state over fakes: no desktop needed.
struct Harness {
    QTemporaryDir dir;
    test::ManualClock clock;
    test::FakePasteboard pasteboard;
    test::FakeWorkspace workspace;
    test::FakeKeySynthesizer keys;
    test::FakeLoginItems loginItems;
    test::FakeHotKeyBackend backend;
    test::FakeKeyboardLayout layout;
    Defaults defaults { dir.filePath(QStringLiteral("Quillet.conf")) };
    shortcuts::KeyboardShortcuts library { defaults, &backend, &layout };
    std::unique_ptr<Store> store;
    SnippetsViewModel snippets;
    std::unique_ptr<AppState> state;

    explicit Harness(bool trusted = true)
    {
        keys.trusted = trusted;
        workspace.active = 4242;
        QString error;
        store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        snippets.setModelContext(store.get());
        state = std::make_unique<AppState>(
            AppState::Platform { pasteboard, workspace, keys, loginItems, defaults, clock, library });
    }
    void setup() { state->setup(*store, snippets); }

    // A hot key press, and the queued hop that runs its action.
    void hotkey(const shortcuts::Shortcut &shortcut)
    {
        QVERIFY(backend.click(shortcut));
        QCoreApplication::processEvents();
    }
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

class AppStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setupStartsTheMonitorFromTheCurrentClipboard()
    {
        Harness h;
        h.pasteboard.copyText(QStringLiteral("already there"));
        h.setup();
        QVERIFY(h.state->historyManager());
        QVERIFY(h.state->panelController());
        h.settle(); // the monitor starts from a queued task
        QVERIFY(h.state->clipboardMonitor()->isRunning());
        h.clock.advance(1s);
        QCOMPARE(h.store->itemCount(), 0);
        h.pasteboard.copyText(QStringLiteral("new"));
        h.clock.advance(500ms);
        QVERIFY(QTest::qWaitFor([&] { return !h.state->historyManager()->isBusy(); }));
        QCOMPARE(h.store->itemCount(), 1);
    }

    void hotkeysDriveThePanel()
    {
        Harness h;
        h.setup();
        h.hotkey(kTogglePanel);
        QVERIFY(h.state->isPanelVisible());
        QVERIFY(h.state->panelController()->isHistoryPanelVisible());
        // The panel knows where focus and the paste go back to.
        QCOMPARE(h.state->pasteService()->pasteTarget(), std::optional<WindowId>(4242));
        QCOMPARE(h.workspace.onAllDesktops.size(), 1);

        h.hotkey(kTogglePanel);
        QVERIFY(!h.state->isPanelVisible());
        QVERIFY(!h.state->panelController()->panel());
        QCOMPARE(h.workspace.activated, QList<WindowId> { 4242 });
        QCOMPARE(h.state->pasteService()->pasteTarget(), std::nullopt);

        h.hotkey(kOpenSnippets);
        QCOMPARE(h.state->panelTab(), PanelTab::snippets);
        QVERIFY(h.state->isPanelVisible());
        // Open-history while visible switches the list and keeps the panel open.
        h.hotkey(kOpenHistory);
        QCOMPARE(h.state->panelTab(), PanelTab::history);
        QVERIFY(h.state->panelController()->isHistoryPanelVisible());
        h.hotkey(kOpenHistory);
        QVERIFY(h.state->panelController()->isHistoryPanelVisible());
    }

    void featuresWithoutAPanelLeaveTheirKeysFree()
    {
        Harness h;
        h.setup();
        QVERIFY(h.backend.isGrabbed(kTogglePanel));
        QVERIFY(h.backend.isGrabbed(kOpenHistory));
        QVERIFY(h.backend.isGrabbed(kOpenSnippets));
        QVERIFY(!h.backend.isGrabbed(kAITransform));
        QVERIFY(!h.backend.isGrabbed(kLauncher));
        // The launcher's factory shortcut is still set up once.
        QCOMPARE(h.defaults.boolean(keys::launcherShortcutInitialized), std::optional<bool>(true));
    }

    void theVisibilityFlagFollowsHoweverThePanelCloses()
    {
        Harness h;
        h.setup();
        QSignalSpy spy(h.state.get(), &AppState::isPanelVisibleChanged);
        h.state->showPanel();
        h.state->panelController()->panel()->close(); // as Escape or a window manager would
        h.settle();
        QVERIFY(!h.state->isPanelVisible());
        QCOMPARE(spy.count(), 2);
        h.state->togglePanel();
        QVERIFY(h.state->isPanelVisible());
    }

    void aPopupPasteGoesToTheWindowActiveWhenThePopupOpened()
    {
        Harness h;
        h.setup();
        h.settle();
        h.pasteboard.copyText(QStringLiteral("entry"));
        h.clock.advance(500ms);
        QVERIFY(QTest::qWaitFor([&] { return !h.state->historyManager()->isBusy(); }));
        // A panel opened over one window and closed again...
        h.state->showPanel();
        h.state->hidePanel();
        h.settle();
        // ...and later the popup, over another.
        h.workspace.active = 777;
        h.state->setPopoverVisible(true);
        h.state->paste(h.store->itemsByLastUsed().first());
        QVERIFY(!h.state->isPopoverVisible());
        QVERIFY(!h.state->isPanelVisible());
        QCOMPARE(h.pasteboard.items().first().representations.last().first, types::selfMarker);
        h.clock.advance(100ms);
        QCOMPARE(h.keys.posted, QStringList { QStringLiteral("paste") });
        QCOMPARE(h.keys.pasteTargets, (QList<std::optional<WindowId>> { 777 }));
        QCOMPARE(h.state->pasteService()->pasteTarget(), std::nullopt);
        h.state->clearHistory();
        QCOMPARE(h.store->itemCount(), 0);
    }

    void firstRunSaysOnceWhenPastesCannotBeTyped_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("XTest present") << true;
        QTest::newRow("no XTest") << false;
    }
    void firstRunSaysOnceWhenPastesCannotBeTyped()
    {
        QFETCH(bool, trusted);
        QTemporaryDir keep;
        for (int run = 0; run < 2; ++run) {
            Harness h(trusted);
            if (run == 1) // the same preferences as the first run
                h.defaults.setBool(keys::hasCompletedOnboarding, true);
            QSignalSpy spy(h.state.get(), &AppState::accessibilityUnavailable);
            h.setup();
            QCOMPARE(spy.count(), (!trusted && run == 0) ? 1 : 0);
            QCOMPARE(h.defaults.boolean(keys::hasCompletedOnboarding), std::optional<bool>(true));
            QCOMPARE(h.state->requestAccessibility(), trusted);
        }
    }
};

QUILLET_TEST_MAIN(AppStateTest)
#include "AppStateTest.moc"
