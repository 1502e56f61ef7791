#include "app/QuilletApp.h"
#include "clipboard/DerivedValues.h"
#include "clipboard/TypeRegistry.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "support/FakeGeminiServer.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeLoginItems.h"
#include "support/FakePasteboard.h"
#include "support/FakeSecretStore.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "support/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/FloatingWindow.h"
#include "ui/panel/FloatingPanelView.h"
#include "ui/settings/SnippetsSettingsView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

const shortcuts::Shortcut kTogglePanel(shortcuts::keys::v, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kOpenHistory(shortcuts::keys::c, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kOpenSnippets(shortcuts::keys::s, shortcuts::command | shortcuts::shift);
const shortcuts::Shortcut kAITransform(shortcuts::keys::a, shortcuts::command | shortcuts::shift);

// The whole application over fakes: no desktop needed.
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
    SecretStore *secrets = nullptr;
    std::unique_ptr<QuilletApp> app;

    explicit Harness(bool trusted = true)
    {
        keys.trusted = trusted;
        workspace.active = 4242;
    }
    QuilletApp &start()
    {
        QString error;
        auto store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
        app = std::make_unique<QuilletApp>(QuilletApp::Platform { pasteboard, workspace, keys, loginItems,
                                               &backend, &layout, {}, defaults, clock, nullptr, {}, secrets },
            std::move(store));
        app->start();
        return *app;
    }
    AppState &state() { return app->state(); }
    FloatingPanelController &panels() { return app->panels(); }

    // A hot key press, and the queued hop that runs its action.
    void hotkey(const shortcuts::Shortcut &shortcut)
    {
        QVERIFY(backend.click(shortcut));
        QCoreApplication::processEvents();
    }
    // Another application copies; waits until the history has it.
    void copy(const QString &text)
    {
        const qint64 before = app->store().itemCount();
        pasteboard.copyText(text);
        clock.advance(500ms);
        QTRY_COMPARE(app->store().itemCount(), before + 1);
    }
    void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

class QuilletAppTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copiesAfterStartAreRecorded()
    {
        Harness h;
        h.pasteboard.copyText(QStringLiteral("already there"));
        h.start();
        h.clock.advance(1s);
        QCOMPARE(h.app->store().itemCount(), 0);
        h.pasteboard.copyText(QStringLiteral("new"));
        h.clock.advance(500ms);
        QTRY_COMPARE(h.app->store().itemCount(), 1);
    }

    void hotkeysDriveThePanel()
    {
        Harness h;
        h.start();
        h.hotkey(kTogglePanel);
        QVERIFY(h.state().isPanelVisible());
        QVERIFY(h.panels().isHistoryPanelVisible());
        QCOMPARE(h.workspace.onAllDesktops.size(), 1);

        h.hotkey(kTogglePanel);
        QVERIFY(!h.state().isPanelVisible());
        QVERIFY(!h.panels().panel());
        QCOMPARE(h.workspace.activated, QList<WindowId> { 4242 });

        h.hotkey(kOpenSnippets);
        QCOMPARE(h.state().panelTab(), PanelTab::snippets);
        QVERIFY(h.state().isPanelVisible());
        // Open-history while visible switches the list and keeps the panel open.
        h.hotkey(kOpenHistory);
        QCOMPARE(h.state().panelTab(), PanelTab::history);
        QVERIFY(h.panels().isHistoryPanelVisible());
        h.hotkey(kOpenHistory);
        QVERIFY(h.panels().isHistoryPanelVisible());
    }

    void theAIHotkeyCapturesTheSelectionThenShowsThePanel()
    {
        Harness h;
        h.keys.onCopy = [&] { h.pasteboard.copyText(QStringLiteral("teh cat")); };
        h.start();
        h.hotkey(kAITransform);
        h.clock.advance(1s);
        QCOMPARE(h.app->transform().selectedText(), std::optional<QString>(QStringLiteral("teh cat")));
        QVERIFY(h.panels().aiPanel() && h.panels().aiPanel()->isVisible());
        QCOMPARE(h.app->store().itemCount(), 0);
    }

    // The hot key again while the AI panel is in front: the panel is
    // activated and focused, and its own window never becomes the target.
    void theAIHotkeyWhileThePanelIsOpenFocusesItAndKeepsTheTarget()
    {
        Harness h;
        h.keys.onCopy = [&] { h.pasteboard.copyText(QStringLiteral("teh cat")); };
        h.start();
        h.hotkey(kAITransform);
        h.clock.advance(1s);
        FloatingWindow *panel = h.panels().aiPanel();
        QVERIFY(panel && panel->isVisible());
        QCOMPARE(h.app->transform().pasteTarget(), std::optional<WindowId>(4242));

        h.workspace.active = panel->winId();
        QWidget elsewhere;
        elsewhere.show();
        elsewhere.activateWindow();
        QTRY_VERIFY(!panel->isActiveWindow());
        h.hotkey(kAITransform);
        h.clock.advance(1s);
        QTRY_VERIFY(panel->isActiveWindow());
        QVERIFY(panel->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(h.app->transform().pasteTarget(), std::optional<WindowId>(4242));
    }

    void theLauncherKeyTogglesTheLauncher()
    {
        Harness h;
        h.start();
        const shortcuts::Shortcut launcherKeys(
            shortcuts::keys::space, shortcuts::control | shortcuts::option);
        h.hotkey(launcherKeys);
        QVERIFY(h.panels().isLauncherVisible());
        h.app->launcher().setSearchText(QStringLiteral("?hello"));
        h.hotkey(launcherKeys);
        QVERIFY(!h.panels().isLauncherVisible());
        // Shown again: a fresh query.
        h.hotkey(launcherKeys);
        QVERIFY(h.panels().isLauncherVisible());
        QVERIFY(h.app->launcher().searchText().isEmpty());
        h.app->launcher().dismiss();
        QVERIFY(!h.panels().isLauncherVisible());
    }

    void keysAnotherApplicationHoldsAreAnnouncedOnce()
    {
        Harness h;
        h.backend.takenElsewhere.insert(kTogglePanel);
        h.start();
        // No tray offscreen: the start-up lines say it.
        QVERIFY(h.app->notices().join(u'\n').contains(QStringLiteral(
            "Shift+Super+V (Show or hide the clipboard history panel) is used by another application")));
        QSignalSpy notified(&h.app->tray(), &TrayController::notified);
        const shortcuts::Shortcut taken(shortcuts::keys::l, shortcuts::control | shortcuts::option);
        h.backend.takenElsewhere.insert(taken);
        const shortcuts::Name &launcher = HotkeyManager::openLauncher();
        // Refused, moved off and refused again: said once.
        for (const auto &keys : { std::optional(taken), launcher.defaultShortcut, std::optional(taken) })
            h.app->shortcuts().setShortcut(keys, launcher);
        QCOMPARE(notified.size(), 1);
        QVERIFY(
            notified.first().at(1).toString().startsWith(QStringLiteral("Ctrl+Alt+L (Open the launcher)")));
    }

    void aCommandWaitingWhileTheLauncherIsHiddenIsAnnouncedOnce()
    {
        Harness h;
        test::FakeGeminiServer server;
        h.defaults.setString(keys::geminiBaseURL, server.baseUrl());
        h.defaults.setString(keys::geminiAPIKey, QStringLiteral("app-test-key"));
        server.enqueue(
            test::FakeReply::events({ test::gemini::callChunk(QStringLiteral("rm -f notes.txt")) }));
        server.enqueue(test::gemini::textStream({ QStringLiteral("Kept it.") }));
        h.start();
        QSignalSpy notified(&h.app->tray(), &TrayController::notified);
        LauncherViewModel &launcher = h.app->launcher();
        h.state().toggleLauncher();
        launcher.setSearchText(QStringLiteral(">tidy up"));
        launcher.submit();
        const ConversationSessionPtr session = launcher.activeSession();
        QTRY_VERIFY(session->awaitingApproval());
        // In sight, the launcher itself asks.
        QCOMPARE(h.app->tray().attentionText(), QString());
        const QString waiting = QStringLiteral("A command waits for your approval: rm -f notes.txt");
        for (int hidden = 0; hidden < 2; ++hidden) {
            launcher.dismiss();
            QCOMPARE(h.app->tray().attentionText(), waiting);
            h.state().toggleLauncher();
            QCOMPARE(h.app->tray().attentionText(), QString());
        }
        QCOMPARE(notified.size(), 1);
        QCOMPARE(notified.first().at(1).toString(),
            QStringLiteral("tidy up\n$ rm -f notes.txt\nOpen the launcher to allow or deny it."));
        launcher.dismiss();
        launcher.respondToApproval(false);
        QCOMPARE(h.app->tray().attentionText(), QString());
        QTRY_VERIFY(!session->isProcessing());
    }

    void savedPromptShortcutsFollowTheirPrompts()
    {
        Harness h;
        test::FakeGeminiServer server;
        h.defaults.setString(keys::geminiBaseURL, server.baseUrl());
        h.defaults.setString(keys::geminiAPIKey, QStringLiteral("app-test-key"));
        h.keys.onCopy = [&] { h.pasteboard.copyText(QStringLiteral("hello")); };
        h.start();
        const shortcuts::Shortcut pirateKeys(shortcuts::keys::p, shortcuts::control | shortcuts::option);

        const SavedPrompt pirate = *h.app->prompts().create(QStringLiteral("Pirate"), QStringLiteral("globe"),
            QStringLiteral("Talk like a pirate."), TransformMode::replace);
        h.app->shortcuts().setShortcut(pirateKeys, HotkeyManager::promptName(pirate));
        // Edited after start-up: the shortcut runs the new text.
        h.app->prompts().update(pirate, QStringLiteral("Parrot"), QStringLiteral("globe"),
            QStringLiteral("Talk like a parrot."), TransformMode::input);
        server.enqueue(test::gemini::textStream({ QStringLiteral("Squawk") }));
        h.hotkey(pirateKeys);
        h.clock.advance(1s);
        QTRY_COMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().first().json["contents"][0]["parts"][0]["text"].toString(),
            QStringLiteral("Talk like a parrot.\n\nhello"));
        QCOMPARE(h.app->transform().currentPromptName(), std::optional<QString>(QStringLiteral("Parrot")));
        QCOMPARE(h.app->transform().mode(), TransformMode::input);
        QVERIFY(h.panels().aiPanel());
        QVERIFY(h.panels().aiPanel()->findChild<QWidget *>(
            QStringLiteral("prompt%1").arg(builtInPrompts().size())));

        // Deleted: its keys are free again and nothing is kept for it.
        QVERIFY(h.app->prompts().remove(*h.app->prompts().prompt(pirate.id)));
        QVERIFY(!h.backend.isGrabbed(pirateKeys));
        QVERIFY(!h.defaults.contains(HotkeyManager::promptName(pirate).defaultsKey()));
    }

    void theVisibilityFlagFollowsHoweverThePanelCloses()
    {
        Harness h;
        h.start();
        QSignalSpy spy(&h.state(), &AppState::isPanelVisibleChanged);
        h.state().showPanel();
        h.panels().panel()->close(); // as Escape or a window manager would
        h.settle();
        QVERIFY(!h.state().isPanelVisible());
        QCOMPARE(spy.count(), 2);
        h.state().togglePanel();
        QVERIFY(h.state().isPanelVisible());
    }

    void aPopupPasteGoesToTheWindowActiveWhenThePopupOpened()
    {
        Harness h;
        h.start();
        h.copy(QStringLiteral("entry"));
        // A panel opened over one window and closed again...
        h.state().showPanel();
        h.state().hidePanel();
        h.settle();
        // ...and later the popup, over another.
        h.workspace.active = 777;
        h.state().setPopoverVisible(true);
        h.state().paste(h.app->store().itemsByLastUsed().first());
        QVERIFY(!h.state().isPopoverVisible());
        QVERIFY(!h.state().isPanelVisible());
        QCOMPARE(h.pasteboard.items().first().representations.last().first, types::selfMarker);
        h.clock.advance(100ms);
        QCOMPARE(h.keys.posted, QStringList { QStringLiteral("paste") });
        QCOMPARE(h.keys.pasteTargets, (QList<std::optional<WindowId>> { 777 }));
        // Closed: nothing is pasted anywhere without a panel.
        h.state().paste(h.app->store().itemsByLastUsed().first());
        h.clock.advance(100ms);
        QCOMPARE(h.keys.posted.size(), 1);
        h.state().clearHistory();
        QCOMPARE(h.app->store().itemCount(), 0);
    }

    void aRemovalCanBeUndoneOnlyWhileThePanelStaysOpen()
    {
        Harness h;
        h.start();
        h.copy(QStringLiteral("one"));
        QSignalSpy offered(&h.state(), &AppActions::removalUndoable);
        for (bool panel : { true, false }) {
            panel ? h.state().showPanel() : h.state().hidePanel();
            h.state().clearHistory();
            QCOMPARE(h.state().undoRemoval(), panel);
        }
        QCOMPARE(offered.size(), 1);
        QCOMPARE(h.app->store().itemCount(), 0);
    }

    // A store that refuses writes is said in the open panel; the copies made
    // meanwhile wait, and Try Again writes them once the store takes them.
    void aStoreRefusingWritesIsShownUntilTryAgainWritesTheCopies()
    {
        Harness h;
        h.start();
        h.copy(QStringLiteral("before"));
        h.state().showPanel();
        QVERIFY(h.panels().panel());
        auto *problem = h.panels().panel()->findChild<QLabel *>(QStringLiteral("historyProblemText"));
        auto *tryAgain = h.panels().panel()->findChild<QPushButton *>(QStringLiteral("tryAgain"));
        QVERIFY(problem && tryAgain);
        QVERIFY(!problem->isVisibleTo(h.panels().panel()));

        test::capPages(h.app->store(), true);
        h.pasteboard.copyText(QStringLiteral("during ") + QString(20000, QLatin1Char('x')));
        h.clock.advance(500ms);
        QTRY_VERIFY(problem->isVisibleTo(h.panels().panel()));
        QVERIFY(!problem->text().isEmpty());
        QCOMPARE(h.app->store().itemCount(), 1);

        // No event loop runs between lifting the cap and the click, so the
        // copy is written by Try Again, not by the periodic retry.
        test::capPages(h.app->store(), false);
        QCOMPARE(h.app->store().itemCount(), 1);
        QTest::mouseClick(tryAgain, Qt::LeftButton);
        QCOMPARE(h.app->store().itemCount(), 2);
        QTRY_VERIFY(!problem->isVisibleTo(h.panels().panel()));
    }

    void settingsAndQuitReachTheirOwners()
    {
        Harness h;
        h.start();
        QSignalSpy quit(h.app.get(), &QuilletApp::quitRequested);
        h.state().openSettings();
        QVERIFY(h.app->settingsWindow().view());
        h.state().quit();
        QCOMPARE(quit.count(), 1);
    }

    // The copy made just before a quit is stored first, unless the store
    // refuses it for longer than the quit may wait.
    void quitFollowsTheLastCopy_data()
    {
        QTest::addColumn<bool>("storeTakesWrites");
        QTest::newRow("store takes writes") << true;
        QTest::newRow("store refuses writes") << false;
    }
    void quitFollowsTheLastCopy()
    {
        QFETCH(bool, storeTakesWrites);
        Harness h;
        h.start();
        test::capPages(h.app->store(), !storeTakesWrites);
        QSignalSpy quit(h.app.get(), &QuilletApp::quitRequested);
        const QString last = QStringLiteral("last ") + QString(20000, QLatin1Char('x'));
        h.pasteboard.copyText(last);
        h.state().quit();
        if (storeTakesWrites) {
            QTRY_COMPARE(quit.count(), 1);
            QCOMPARE(h.app->store().itemsByLastUsed().value(0).title, last.left(kMaxTitleCharacters));
        } else {
            QTRY_VERIFY(!h.app->history().problem().isEmpty());
            QCOMPARE(quit.count(), 0);
        }
        h.clock.advance(QuilletApp::kQuitWait);
        QCOMPARE(quit.count(), 1);
    }

    // A key set just before a quit reaches the keyring first; a keyring that
    // does not answer in time leaves it in the file for the next start.
    void quitFollowsTheLastKey_data()
    {
        QTest::addColumn<bool>("keyringAnswers");
        QTest::newRow("keyring answers") << true;
        QTest::newRow("keyring does not answer") << false;
    }
    void quitFollowsTheLastKey()
    {
        QFETCH(bool, keyringAnswers);
        test::FakeSecretStore keyring;
        Harness h;
        h.secrets = &keyring;
        h.start();
        QTRY_VERIFY(h.app->apiKey().isLoaded());
        keyring.hold();
        QSignalSpy quit(h.app.get(), &QuilletApp::quitRequested);
        h.app->apiKey().setKey(QStringLiteral("new-key"));
        h.state().quit();
        QCOMPARE(quit.count(), 0);
        if (keyringAnswers) {
            keyring.release();
            QTRY_COMPARE(quit.count(), 1);
            QCOMPARE(keyring.secrets.value(ApiKeyStore::secretName), QStringLiteral("new-key"));
        } else {
            h.clock.advance(QuilletApp::kQuitWait);
            QCOMPARE(quit.count(), 1);
            QCOMPARE(h.defaults.optionalString(keys::geminiAPIKey), QStringLiteral("new-key"));
        }
    }

    void savingAnEntryAsASnippetOpensItInTheEditor()
    {
        Harness h;
        h.start();
        h.copy(QStringLiteral("Regards,\nAna"));
        h.state().showPanel();
        h.state().saveAsSnippet(h.app->store().itemsByLastUsed().first());
        QVERIFY(!h.state().isPanelVisible());
        const SettingsView *view = h.app->settingsWindow().view();
        QVERIFY(view);
        QCOMPARE(view->tab(view->currentIndex()), view->snippetsTab());
        QCOMPARE(view->snippetsTab()->findChild<QLineEdit *>(QStringLiteral("snippetTitle"))->text(),
            QStringLiteral("Regards,"));
    }

    // The popup is kept, and each show starts as a new one: no search left.
    void theTrayPopupOpensReadyToSearch()
    {
        Harness h;
        h.start();
        TrayController &tray = h.app->tray();
        for (int show = 0; show < 2; ++show) {
            tray.showPopup();
            QVERIFY(h.state().isPopoverVisible());
            auto *search = tray.popup()->findChild<QLineEdit *>(QStringLiteral("searchEdit"));
            QVERIFY(search->text().isEmpty());
            QTRY_COMPARE(QApplication::focusWidget(), search);
            QTest::keyClicks(search, QStringLiteral("entry"));
            QPointer<QWidget> popup = tray.popup();
            tray.hidePopup();
            QVERIFY(!h.state().isPopoverVisible());
            QVERIFY(popup);
        }
    }

    // The first panel is built ahead, once the event loop runs; a copy made
    // before it is shown is in it all the same.
    void theFirstPanelIsReadyAndCurrent()
    {
        Harness h;
        h.start();
        h.settle();
        QWidget *prepared = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("historyPanel") && !window->isVisible())
                prepared = window;
        }
        QVERIFY(prepared);
        h.copy(QStringLiteral("after start-up"));
        h.state().showPanel();
        QCOMPARE(h.panels().panel(), prepared);
        const auto *list = prepared->findChild<QListView *>(QStringLiteral("list"));
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("after start-up"));
    }

    void thePanelSaysWhenChoosingOnlyCopies_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<bool>("pasteAfterSelection");
        QTest::addColumn<QString>("hint");
        QTest::newRow("pastes are typed") << true << true << "Ctrl+1-9 paste · Ctrl+P pin · Del delete";
        QTest::newRow("pasting turned off") << true << false << "Ctrl+1-9 copy · Ctrl+P pin · Del delete";
        QTest::newRow("no synthetic keys (Wayland without a virtual keyboard)")
            << false << true << "Copied — press Ctrl+V";
    }
    void thePanelSaysWhenChoosingOnlyCopies()
    {
        QFETCH(bool, trusted);
        QFETCH(bool, pasteAfterSelection);
        QFETCH(QString, hint);
        Harness h(trusted);
        h.defaults.setBool(keys::pasteAfterSelection, pasteAfterSelection);
        h.start();
        h.state().showPanel();
        QVERIFY(h.panels().panel());
        auto *view = qobject_cast<FloatingPanelView *>(h.panels().panel()->content());
        QVERIFY(view);
        QCOMPARE(view->footerHint(), hint);
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
        Harness h(trusted);
        for (int run = 0; run < 2; ++run) {
            h.app.reset();
            h.start();
            QCOMPARE(h.app->notices().filter(QStringLiteral("XTest")).size(), (!trusted && run == 0) ? 1 : 0);
            QCOMPARE(h.defaults.boolean(keys::hasCompletedOnboarding), std::optional<bool>(true));
        }
    }
};

QUILLET_TEST_MAIN(QuilletAppTest)
#include "QuilletAppTest.moc"
