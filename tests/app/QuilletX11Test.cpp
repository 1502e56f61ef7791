#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "clipboard/ClipboardMonitor.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "defaults/PreferenceKeys.h"
#include "platform/Pasteboard.h"
#include "store/UserStore.h"
#include "support/GeminiPayloads.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"
#include "ui/ai/AITransformView.h"
#include "ui/common/FloatingWindow.h"
#include "ui/launcher/TerminalOutputView.h"
#include "ui/panel/FloatingPanelView.h"

#include "../platform/x11/X11TestTools.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBlock>

Q_DECLARE_METATYPE(quillet::test::FakeReply)

using namespace quillet;
using test::waitUntil;

namespace {

const QByteArray kApiKey = "x11-test-key";

bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(15000) && process.exitCode() == 0;
}

// Space-separated key names, pressed in turn.
void pressKeys(const QString &keys)
{
    QVERIFY(xdotool(QStringList { QStringLiteral("key"), QStringLiteral("--clearmodifiers") }
        + keys.split(QLatin1Char(' '))));
}

int livePanels()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<FloatingWindow *>(widget))
            ++count;
    }
    return count;
}

// How many processes run with exactly this command line.
int processesWithCommandLine(const QByteArray &commandLine)
{
    int count = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (file.open(QIODevice::ReadOnly) && file.readAll() == commandLine)
            ++count;
    }
    return count;
}

} // namespace

// Quillet running for real under Xvfb + openbox: xclip copies as another
// application, xdotool presses the global shortcuts, and the test window
// receives pastes.
class QuilletX11Test : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DesktopSession> m_desktop;
    std::unique_ptr<QuilletApp> m_app;
    test::FakeGeminiServer m_gemini;
    // What the launcher's test application touches when it starts.
    const QString m_opened = test::isolatedHome() + QStringLiteral("/opened");

    AppState &state() { return m_app->state(); }
    FloatingPanelController &panels() { return m_app->panels(); }
    FloatingPanelView *panelView()
    {
        FloatingWindow *panel = panels().panel();
        return panel ? qobject_cast<FloatingPanelView *>(panel->content()) : nullptr;
    }
    // Waits until the monitor has looked at the clipboard's latest change.
    bool waitForMonitor()
    {
        Pasteboard &pasteboard = m_desktop->platform().pasteboard;
        return waitUntil([&] { return m_app->monitor().lastChangeCount() == pasteboard.changeCount(); });
    }
    // Ctrl+Alt+Space as the user presses it; the launcher's view once it has the focus.
    QWidget *openLauncher()
    {
        pressKeys(QStringLiteral("ctrl+alt+space"));
        waitUntil([&] { return panels().launcherPanel() && panels().launcherPanel()->isActiveWindow(); });
        return panels().launcherPanel() ? panels().launcherPanel()->content() : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A terminal emulator, known by its desktop entry before it is first read.
        const QString entries = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/applications");
        QDir().mkpath(entries);
        QFile terminal(entries + QStringLiteral("/org.example.Term.desktop"));
        QVERIFY(terminal.open(QIODevice::WriteOnly));
        terminal.write("[Desktop Entry]\nType=Application\nName=Term\nExec=true\nStartupWMClass=Term\n"
                       "Categories=System;TerminalEmulator;\n");
        terminal.close();
        // An application for the launcher to open.
        QFile entry(entries + QStringLiteral("/org.example.MarkerMaker.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Marker Maker\nExec=sh -c \"touch "
            + QFile::encodeName(m_opened) + "\"\n");
        entry.close();
        Defaults::shared().setString(keys::geminiBaseURL, m_gemini.baseUrl());
        Defaults::shared().setString(keys::geminiAPIKey, QString::fromLatin1(kApiKey));

        test::ClipboardOwner before(QStringLiteral("UTF8_STRING"), "already there at launch");
        QVERIFY(waitUntil([] {
            return test::readClipboard(QStringLiteral("UTF8_STRING"))
                == QByteArray("already there at launch");
        }));
        m_desktop = std::make_unique<DesktopSession>(Defaults::shared(), Clock::system());
        StoreOpening opening = openUserStoreWithRecovery();
        QVERIFY(opening.store);
        m_app = std::make_unique<QuilletApp>(m_desktop->platform(), std::move(opening.store));
        m_app->start();
        QVERIFY(m_app->monitor().isRunning());
    }

    void contentPresentAtLaunchIsNotRecorded()
    {
        test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "copied after launch");
        QVERIFY(waitUntil([&] { return m_app->store().itemCount() >= 1; }));
        QCOMPARE(test::historyTitles(m_app->store()), QStringList { QStringLiteral("copied after launch") });
    }

    void shortcutsShowAndHideThePanel()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(xdotool(
            { QStringLiteral("mousemove"), QString::number(area.right()), QString::number(area.bottom()) }));
        pressKeys(QStringLiteral("super+shift+v"));
        QVERIFY(waitUntil([&] { return panels().isHistoryPanelVisible(); }));
        QVERIFY(state().isPanelVisible());
        // In the bottom-right corner the panel keeps 8 pixels from the work area's edges.
        // The window manager confirms the placement asynchronously.
        QVERIFY2(waitUntil([&] {
            return panels().panel()->geometry().bottomRight() == area.bottomRight() - QPoint(8, 8);
        }),
            qPrintable(
                QStringLiteral("panel at %1,%2").arg(panels().panel()->x()).arg(panels().panel()->y())));
        QCOMPARE(panels().panel()->size(), QSize(320, 420));
        // On every desktop, above other windows.
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
            { QStringLiteral("-id"), QString::number(panels().panel()->winId()),
                QStringLiteral("_NET_WM_DESKTOP"), QStringLiteral("_NET_WM_STATE") });
        QVERIFY(xprop.waitForFinished(15000));
        const QString properties = QString::fromUtf8(xprop.readAllStandardOutput());
        QVERIFY2(properties.contains(QStringLiteral("_NET_WM_DESKTOP(CARDINAL) = 4294967295")),
            qPrintable(properties));
        QVERIFY2(properties.contains(QStringLiteral("_NET_WM_STATE_ABOVE")), qPrintable(properties));

        pressKeys(QStringLiteral("super+shift+v"));
        QVERIFY(waitUntil([&] { return !state().isPanelVisible(); }));
        QVERIFY(!panels().isHistoryPanelVisible());
        QCOMPARE(livePanels(), 0);

        pressKeys(QStringLiteral("super+shift+s"));
        QVERIFY(waitUntil([&] { return panels().isHistoryPanelVisible(); }));
        QCOMPARE(state().panelTab(), PanelTab::snippets);
        pressKeys(QStringLiteral("super+shift+c"));
        QVERIFY(waitUntil([&] { return state().panelTab() == PanelTab::history; }));
        QVERIFY(state().isPanelVisible());

        // Escape closes it like the shortcut does, and the flag follows.
        QVERIFY(waitUntil([&] { return panels().panel()->isActiveWindow(); }));
        pressKeys(QStringLiteral("Escape"));
        QVERIFY(waitUntil([&] { return !state().isPanelVisible(); }));
        QCOMPARE(livePanels(), 0);
    }

    void anOpenPanelFollowsNewCopies()
    {
        state().showPanel();
        QVERIFY(waitUntil([&] { return panelView() != nullptr; }));
        test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "live entry");
        QVERIFY(waitUntil([&] {
            auto *list = panelView() ? panelView()->findChild<QListView *>(QStringLiteral("list")) : nullptr;
            return list && list->model()->rowCount() > 0
                && list->model()->index(0, 0).data().toString() == QLatin1String("live entry");
        }));
        state().hidePanel();
        QVERIFY(waitUntil([&] { return livePanels() == 0; }));
    }

    void returnPastesIntoTheWindowThatHadTheFocus()
    {
        test::TestWindow window(
            { QStringLiteral("--class"), QStringLiteral("editor"), QStringLiteral("Editor") });
        QVERIFY(window.waitForWindow() != 0);
        {
            test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "paste me");
            QVERIFY(waitUntil(
                [&] { return test::historyTitles(m_app->store()).value(0) == QLatin1String("paste me"); }));
        }
        test::ClipboardOwner newer(QStringLiteral("UTF8_STRING"), "newest");
        QVERIFY(waitUntil(
            [&] { return test::historyTitles(m_app->store()).value(0) == QLatin1String("newest"); }));
        const qint64 entries = m_app->store().itemCount();
        const ClipboardItem before
            = *m_app->store().findItemByHash(m_app->store().itemsByLastUsed().at(1).contentHash.value());
        QCOMPARE(before.title, QStringLiteral("paste me"));

        pressKeys(QStringLiteral("super+shift+v"));
        QVERIFY(waitUntil([&] { return panelView() && panels().panel()->isActiveWindow(); }));
        pressKeys(QStringLiteral("Down"));
        QVERIFY(waitUntil([&] { return panelView()->selectedIndex() == 1; }));
        pressKeys(QStringLiteral("Return"));

        QVERIFY2(window.waitForText(QStringLiteral("paste me")),
            qPrintable(window.texts().join(QLatin1Char('|'))));
        QVERIFY(!state().isPanelVisible());
        QVERIFY(waitForMonitor());
        QCOMPARE(m_app->store().itemCount(), entries);
        const ClipboardItem after = m_app->store().itemsByLastUsed().first();
        QCOMPARE(after.id, before.id);
        QCOMPARE(after.useCount, before.useCount + 1);
    }

    void aCopyInAQuilletFieldIsRecordedWhileQuilletKeepsAnswering()
    {
        state().showPanel();
        QVERIFY(waitUntil([&] { return panelView() && panels().panel()->isActiveWindow(); }));
        auto *search = panelView()->findChild<QLineEdit *>(QStringLiteral("search"));
        QVERIFY(search);
        pressKeys(QStringLiteral("h e l l o"));
        QVERIFY(waitUntil([&] { return search->text() == QLatin1String("hello"); }));
        QElapsedTimer timer;
        timer.start();
        pressKeys(QStringLiteral("ctrl+a ctrl+c End exclam"));
        QVERIFY(waitUntil([&] { return search->text() == QLatin1String("hello!"); }, 1000));
        QVERIFY2(
            waitUntil(
                [&] { return test::historyTitles(m_app->store()).value(0) == QLatin1String("hello"); }, 1000),
            qPrintable(QString::number(timer.elapsed())));
        state().hidePanel();
    }

    void afterAQuilletPasteCtrlVInAQuilletFieldPastesTheEntry()
    {
        test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "pasted back");
        QVERIFY(waitUntil(
            [&] { return test::historyTitles(m_app->store()).value(0) == QLatin1String("pasted back"); }));
        state().paste(m_app->store().itemsByLastUsed().first());
        QVERIFY(waitUntil([&] { return !copy.isRunning(); })); // Quillet owns the clipboard now
        state().showPanel();
        QVERIFY(waitUntil([&] { return panelView() && panels().panel()->isActiveWindow(); }));
        auto *search = panelView()->findChild<QLineEdit *>(QStringLiteral("search"));
        pressKeys(QStringLiteral("ctrl+v"));
        QVERIFY(waitUntil([&] { return search->text() == QLatin1String("pasted back"); }, 1000));
        state().hidePanel();
    }

    void aCopyOutlivesTheApplicationThatMadeIt()
    {
        {
            test::ClipboardOwner copy(QStringLiteral("UTF8_STRING"), "survivor");
            QVERIFY(waitUntil(
                [&] { return test::historyTitles(m_app->store()).value(0) == QLatin1String("survivor"); }));
        } // xclip is killed
        QVERIFY(waitUntil([] { return test::readClipboard(QStringLiteral("UTF8_STRING")) == "survivor"; }));
        QCOMPARE(m_app->store().itemsByLastUsed().first().useCount, 0);
    }

    void addFromTheCommandLineIsRecordedOnce()
    {
        const qint64 entries = m_app->store().itemCount();
        cli::Request add { cli::findCommand(QStringLiteral("add")), {} };
        add.values.insert(QStringLiteral("data"), QByteArray("added by a command"));
        QVERIFY(m_app->commandServer().execute(add).reply.ok());
        QVERIFY(waitUntil([&] { return m_app->store().itemCount() == entries + 1; }));
        QCOMPARE(test::readClipboard(QStringLiteral("UTF8_STRING")),
            std::optional<QByteArray>("added by a command"));
        // Quillet's own write of it is seen and not taken for another copy.
        QVERIFY(waitForMonitor());
        QVERIFY(waitUntil([&] { return !m_app->history().isBusy(); }));
        QCOMPARE(m_app->store().itemCount(), entries + 1);
        const ClipboardItem added = m_app->store().itemsByLastUsed(1).first();
        QCOMPARE(added.title, QStringLiteral("added by a command"));
        QCOMPARE(added.useCount, 0);
    }

    // The selection reaches the model and the answer takes its place: read
    // from PRIMARY where the window holds it there, else copied with the
    // user's clipboard put back before the answer arrives.
    void anAnswerReplacesTheSelection_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("window");
        const QStringList plain { QStringLiteral("--class"), QStringLiteral("editor"),
            QStringLiteral("Editor") };
        const QString aiKeys = QStringLiteral("super+shift+a");
        const QString promptKeys = QStringLiteral("ctrl+alt+p");
        QTest::newRow("AI hot key, PRIMARY") << aiKeys << plain + QStringList { QStringLiteral("--primary") };
        QTest::newRow("AI hot key, copied") << aiKeys << plain;
        QTest::newRow("saved prompt, copied") << promptKeys << plain;
        QTest::newRow("saved prompt, terminal")
            << promptKeys
            << QStringList { QStringLiteral("--class"), QStringLiteral("term"), QStringLiteral("Term"),
                   QStringLiteral("--terminal") };
    }
    void anAnswerReplacesTheSelection()
    {
        QFETCH(QString, press);
        QFETCH(QStringList, window);
        const QString selection = QStringLiteral("teh cat sat on teh mat");
        const QString answer = QStringLiteral("the cat sat on the mat");
        const SavedPrompt prompt = *m_app->prompts().create(QStringLiteral("Proofread"),
            QStringLiteral("checkmark.circle"), QStringLiteral("Fix the typos."), TransformMode::replace);
        const auto forget = qScopeGuard([&] { m_app->prompts().remove(prompt); });
        m_app->shortcuts().setShortcut(
            shortcuts::Shortcut(shortcuts::keys::p, shortcuts::control | shortcuts::option),
            HotkeyManager::promptName(prompt));

        test::TestWindow editor(
            window + QStringList { QStringLiteral("--text"), selection, QStringLiteral("--select") });
        const quint64 editorWindow = editor.waitForWindow();
        QVERIFY(editorWindow);
        // Each row copies its own text, so the wait below sees this row's
        // owner and not the one the row before left in the history.
        const QByteArray userCopy = "what the user copied in " + QByteArray(QTest::currentDataTag());
        test::ClipboardOwner copied(QStringLiteral("UTF8_STRING"), userCopy);
        QVERIFY(waitUntil(
            [&] { return test::historyTitles(m_app->store()).value(0) == QString::fromUtf8(userCopy); }));
        test::FakeReply held = test::gemini::textStream({ QStringLiteral("the cat ") });
        held.holdOpen = true;
        m_gemini.enqueue(held);
        const qsizetype requests = m_gemini.requests().size();

        pressKeys(press);
        QVERIFY(waitUntil([&] { return panels().aiPanel() && panels().aiPanel()->isActiveWindow(); }));
        auto *view = qobject_cast<AITransformView *>(panels().aiPanel()->content());
        QCOMPARE(view->findChild<QLabel *>(QStringLiteral("selection"))->text(), selection);
        if (press == QLatin1String("super+shift+a"))
            pressKeys(QStringLiteral("Return")); // the first built-in prompt
        QVERIFY(waitUntil([&] { return m_gemini.requests().size() == requests + 1; }));
        QVERIFY(waitUntil([&] { return m_app->transform().result() == QStringLiteral("the cat "); }));
        // Read from PRIMARY, the clipboard stays with its owner; copied, the
        // user's clipboard is back while the answer still streams.
        if (window.contains(QStringLiteral("--primary")))
            QVERIFY(copied.isRunning());
        QCOMPARE(test::readClipboard(QStringLiteral("UTF8_STRING")), userCopy);
        const test::RecordedRequest &request = m_gemini.requests().last();
        QVERIFY(request.json["contents"][0]["parts"][0]["text"].toString().endsWith(
            QStringLiteral("\n\n") + selection));
        // The key travels in its header alone.
        QCOMPARE(request.header("x-goog-api-key"), kApiKey);
        for (const auto &[name, value] : request.headers)
            QVERIFY2(name == "x-goog-api-key" || !value.contains(kApiKey), name.constData());
        QVERIFY(!request.path.contains(kApiKey) && !request.body.contains(kApiKey));

        m_gemini.finishHeld(test::gemini::textStream({ QStringLiteral("sat on the mat\n") }));
        QVERIFY(waitUntil([&] { return !m_app->transform().isProcessing(); }));
        QCOMPARE(m_app->transform().result(), answer);
        QVERIFY(waitForMonitor());
        const qint64 entries = m_app->store().itemCount();
        pressKeys(QStringLiteral("Return"));
        QVERIFY2(editor.waitForText(answer), qPrintable(editor.texts().join(QLatin1Char('|'))));
        QVERIFY(!panels().aiPanel());
        QCOMPARE(m_desktop->platform().workspace.activeWindow(), std::optional<WindowId>(editorWindow));
        QVERIFY(waitForMonitor());
        QVERIFY(waitUntil([&] { return !m_app->history().isBusy(); }));
        QCOMPARE(m_app->store().itemCount(), entries);
    }

    // After a failed answer Return inserts nothing: the selection and the
    // user's clipboard stay as they were, and the panel stays open.
    void aFailedAnswerChangesNothing_data()
    {
        QTest::addColumn<test::FakeReply>("reply");
        QTest::addColumn<QString>("error");
        QTest::newRow("400") << test::FakeReply::body(
            400, R"({"error":{"code":400,"message":"API key not valid."}})")
                             << "API key not valid.";
        test::FakeReply cut
            = test::FakeReply::events({ test::gemini::textChunk(QStringLiteral("the cat ")) });
        cut.dropAfterWrites = true;
        QTest::newRow("mid-stream") << cut << QString();
    }
    void aFailedAnswerChangesNothing()
    {
        QFETCH(test::FakeReply, reply);
        QFETCH(QString, error);
        const QString selection = QStringLiteral("teh cat sat");
        test::TestWindow editor({ QStringLiteral("--class"), QStringLiteral("editor"),
            QStringLiteral("Editor"), QStringLiteral("--text"), selection, QStringLiteral("--select"),
            QStringLiteral("--primary") });
        QVERIFY(editor.waitForWindow());
        test::ClipboardOwner copied(QStringLiteral("UTF8_STRING"), "what the user copied");
        QVERIFY(waitUntil([] {
            return test::readClipboard(QStringLiteral("UTF8_STRING")) == QByteArray("what the user copied");
        }));
        m_gemini.enqueue(reply);

        pressKeys(QStringLiteral("super+shift+a"));
        QVERIFY(waitUntil([&] { return panels().aiPanel() && panels().aiPanel()->isActiveWindow(); }));
        QCOMPARE(m_app->transform().selectedText(), std::optional<QString>(selection));
        pressKeys(QStringLiteral("Return"));
        QVERIFY(waitUntil([&] { return !m_app->transform().isProcessing() && m_app->transform().error(); }));
        QVERIFY2(m_app->transform().error()->startsWith(error), qPrintable(*m_app->transform().error()));
        pressKeys(QStringLiteral("Return Escape"));
        QVERIFY(waitUntil([&] { return !panels().aiPanel(); }));
        // Typed over the selection: the first change the editor sees.
        QVERIFY(xdotool({ QStringLiteral("type"), QStringLiteral("x") }));
        QVERIFY(editor.waitForText(QStringLiteral("x")));
        QCOMPARE(editor.texts(), QStringList { QStringLiteral("x") });
        QCOMPARE(test::readClipboard(QStringLiteral("UTF8_STRING")), QByteArray("what the user copied"));
    }

    // PRIMARY left behind by another window is no selection: with nothing
    // selected in the active window, nothing is transformed.
    void aStaleSelectionIsNotTransformed()
    {
        test::TestWindow other({ QStringLiteral("--class"), QStringLiteral("other"), QStringLiteral("Other"),
            QStringLiteral("--text"), QStringLiteral("old words"), QStringLiteral("--select"),
            QStringLiteral("--primary") });
        QVERIFY(other.waitForWindow());
        test::TestWindow editor({ QStringLiteral("--class"), QStringLiteral("editor"),
            QStringLiteral("Editor"), QStringLiteral("--text"), QStringLiteral("nothing selected") });
        const quint64 editorWindow = editor.waitForWindow();
        QVERIFY(editorWindow);
        QVERIFY(waitUntil([&] { return m_desktop->platform().workspace.activeWindow() == editorWindow; }));
        const qsizetype requests = m_gemini.requests().size();

        pressKeys(QStringLiteral("super+shift+a"));
        QVERIFY(waitUntil([&] { return panels().aiPanel() && panels().aiPanel()->isActiveWindow(); }));
        QCOMPARE(m_app->transform().selectedText(), std::nullopt);
        pressKeys(QStringLiteral("Return"));
        QVERIFY(waitUntil([&] { return m_app->transform().error().has_value(); }));
        QCOMPARE(m_app->transform().error(), std::optional<QString>(QStringLiteral("No text selected")));
        QCOMPARE(m_gemini.requests().size(), requests);
        QVERIFY(editor.texts().isEmpty());
    }

    void theLauncherOpensAnApplicationByName()
    {
        QVERIFY(openLauncher());
        QVERIFY(waitUntil([&] { return m_app->launcher().appIndex().isIndexed(); }));
        QVERIFY(xdotool({ QStringLiteral("type"), QStringLiteral("marker") }));
        QVERIFY(waitUntil(
            [&] { return m_app->launcher().results().value(0).name == QLatin1String("Marker Maker"); }));
        pressKeys(QStringLiteral("Return"));
        QVERIFY(waitUntil([&] { return QFile::exists(m_opened); }));
        QVERIFY(waitUntil([&] { return !panels().isLauncherVisible(); }));
    }

    void anApplicationInstalledWhileRunningIsFoundAndOpened()
    {
        QWidget *launcher = openLauncher();
        QVERIFY(launcher);
        QVERIFY(waitUntil([&] { return m_app->launcher().appIndex().isIndexed(); }));
        QVERIFY(xdotool({ QStringLiteral("type"), QStringLiteral("lantern") }));
        auto *noMatch = launcher->findChild<QLabel *>(QStringLiteral("noMatch"));
        QVERIFY(waitUntil([&] { return noMatch && noMatch->isVisible(); }));

        // Installed now; the query already typed finds it without a keystroke.
        const QString opened = test::isolatedHome() + QStringLiteral("/lantern-opened");
        QElapsedTimer installed;
        installed.start();
        test::writeFile(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                + QStringLiteral("/applications/org.example.Lantern.desktop"),
            "[Desktop Entry]\nType=Application\nName=Late Lantern\nExec=touch " + QFile::encodeName(opened)
                + "\n");
        QVERIFY(waitUntil(
            [&] { return m_app->launcher().results().value(0).name == QLatin1String("Late Lantern"); },
            2000));
        pressKeys(QStringLiteral("Return"));
        QVERIFY(waitUntil([&] { return QFile::exists(opened); }, 2000));
        QVERIFY2(installed.elapsed() < 2000, qPrintable(QString::number(installed.elapsed())));
        QVERIFY(waitUntil([&] { return !panels().isLauncherVisible(); }));
    }

    void theTerminalAgentRunsWhatIsHarmlessAndAsksFirstForTheRest()
    {
        const QString kept = test::isolatedHome() + QStringLiteral("/keep-me");
        QVERIFY(QFile(kept).open(QIODevice::WriteOnly));
        using namespace test::gemini;
        for (const QString &command :
            { QStringLiteral(R"(printf '\033[31mred\033[0m\n'; ls)"), QStringLiteral("rm -f ") + kept })
            m_gemini.enqueue(test::FakeReply::events({ callChunk(command) }));
        m_gemini.enqueue(textStream({ QStringLiteral("I left it alone.") }));
        m_gemini.enqueue(generated(QStringLiteral("Listing files")));

        QVERIFY(openLauncher());
        const auto launcherContent = [&] { return panels().launcherPanel()->content(); };
        QVERIFY(xdotool({ QStringLiteral("type"), QStringLiteral("> list the files") }));
        pressKeys(QStringLiteral("Return"));
        ConversationSessionPtr session;
        QVERIFY(waitUntil(
            [&] { return (session = m_app->launcher().activeSession()) && session->awaitingApproval(); }));
        // The harmless command ran at once, its output in colour.
        auto *output = launcherContent()->findChild<TerminalOutputView *>();
        QVERIFY(output);
        const QTextBlock first = output->document()->firstBlock();
        QCOMPARE(first.text(), QStringLiteral("red"));
        QCOMPARE(
            first.begin().fragment().charFormat().foreground().color().name(), QStringLiteral("#cc3333"));

        QTest::mouseClick(
            launcherContent()->findChild<QPushButton *>(QStringLiteral("deny")), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return session->title() == QLatin1String("Listing files"); }));
        QVERIFY(QFile::exists(kept));
        QCOMPARE(session->messages().at(3).content, "Denied: rm -f " + kept);

        // Back to the list: the conversation is there, and its button deletes it.
        pressKeys(QStringLiteral("Escape"));
        QWidget *remove = nullptr;
        QVERIFY(waitUntil([&] {
            return (remove = launcherContent()->findChild<QWidget *>(QStringLiteral("deleteSession")))
                && remove->isVisible();
        }));
        QTest::mouseClick(remove, Qt::LeftButton);
        QVERIFY(waitUntil([&] { return m_app->launcher().sessions().isEmpty(); }));
        pressKeys(QStringLiteral("Escape"));
        QVERIFY(waitUntil([&] { return !panels().isLauncherVisible(); }));
    }

    void unaskedCommandsReachNoSecretAndStopStops()
    {
        const QByteArray secret = "ssh-secret-x11-0454";
        const QString key = test::isolatedHome() + QStringLiteral("/.ssh/id_test");
        QDir().mkpath(QFileInfo(key).absolutePath());
        QFile keyFile(key);
        QVERIFY(keyFile.open(QIODevice::WriteOnly) && keyFile.write(secret) == secret.size());
        keyFile.close();
        const QString mark = QDir::current().filePath(QStringLiteral("MARK"));
        const auto removeFiles = qScopeGuard([&] {
            QFile::remove(key);
            QFile::remove(mark);
        });
        const QByteArray sleeping("sleep\0"
                                  "100",
            10);
        const int sleepingBefore = processesWithCommandLine(sleeping);

        using namespace test::gemini;
        for (const QString &command : { QStringLiteral("cat ~/.ssh/id_test"),
                 QStringLiteral("test -v 'x[$(touch MARK)]'"), QStringLiteral("sleep 100") })
            m_gemini.enqueue(test::FakeReply::events({ callChunk(command) }));
        m_gemini.enqueue(textStream({ QStringLiteral("Never sent.") }));
        const qsizetype requests = m_gemini.requests().size();

        QVERIFY(openLauncher());
        // The panel on screen now, looked up afresh: an earlier one may be on its way out.
        const auto child = [&](const char *name) -> QWidget * {
            FloatingWindow *panel = panels().launcherPanel();
            return panel ? panel->content()->findChild<QWidget *>(QLatin1String(name)) : nullptr;
        };
        QVERIFY(xdotool({ QStringLiteral("type"), QStringLiteral("> read my key") }));
        pressKeys(QStringLiteral("Return"));
        ConversationSessionPtr session;
        // The cat ran unasked, read-only; the test -v asks.
        QVERIFY(waitUntil(
            [&] { return (session = m_app->launcher().activeSession()) && session->awaitingApproval(); }));
        QVERIFY(session->messages().at(1).sandboxed);
        QVERIFY(waitUntil([&] {
            const auto *route = qobject_cast<QLabel *>(child("commandRoute"));
            return route && route->text() == QLatin1String("read-only");
        }));
        for (const test::RecordedRequest &request : m_gemini.requests().mid(requests))
            QVERIFY(!request.body.contains(secret));
        QTest::mouseClick(child("deny"), Qt::LeftButton);
        QVERIFY(!QFile::exists(mark));

        // sleep 100 asks too; approved, it runs until the stop button ends it.
        QVERIFY(waitUntil([&] { return session->awaitingApproval(); }));
        QTest::mouseClick(child("allow"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return processesWithCommandLine(sleeping) > sleepingBefore; }));
        const QStringList shown = [&] {
            QStringList lines;
            for (const ConversationMessage &message : session->messages())
                lines << message.content;
            return lines;
        }();
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(child("stop"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return processesWithCommandLine(sleeping) == sleepingBefore; }));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        // The turn ends without another word: no output row, no request.
        const std::weak_ptr<AgentTask> task = session->task();
        QVERIFY(waitUntil([&] { return task.use_count() <= 1; }));
        QCOMPARE(session->messages().size(), shown.size());
        QCOMPARE(session->messages().last().content, shown.last());
        QCOMPARE(session->messages().last().role, ConversationMessage::Role::command);
        QCOMPARE(m_gemini.requests().size(), requests + 3);
        QVERIFY(!QFile::exists(mark));
        m_app->launcher().deleteSession(session);
    }

    void aTrayThatStartsLaterShowsTheIcon()
    {
        QVERIFY(!m_app->tray().isAvailable());
        QProcess trayer;
        trayer.start(QStringLiteral("trayer"), { QStringLiteral("--edge"), QStringLiteral("top") });
        QVERIFY(waitUntil([&] { return m_app->tray().iconGeometry().isValid(); }));
        trayer.kill();
        trayer.waitForFinished(5000);
    }

    void cleanup()
    {
        m_gemini.dropScripted();
        m_gemini.finishHeld();
        if (FloatingWindow *ai = panels().aiPanel())
            ai->close();
        if (panels().isLauncherVisible())
            m_app->state().toggleLauncher();
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_desktop.reset();
    }
};

QUILLET_TEST_MAIN(QuilletX11Test)
#include "QuilletX11Test.moc"
