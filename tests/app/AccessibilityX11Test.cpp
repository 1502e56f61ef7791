#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "store/UserStore.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/settings/SettingsView.h"
#include "ui/tray/TrayPopup.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

using namespace quillet;

static SettingsView *settingsView()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *view = qobject_cast<SettingsView *>(widget); view && view->isVisible())
            return view;
    }
    return nullptr;
}

// Every window of Quillet as a screen reader sees it over AT-SPI: the walker
// lists each control the user can reach or act on that has no name.
class AccessibilityX11Test : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DesktopSession> m_desktop;
    std::unique_ptr<QuilletApp> m_app;

    // The window `what` opens in: "history", "snippets", "ai", "launcher" or "settings".
    QWidget *open(const QString &what, int settingsTab)
    {
        AppState &state = m_app->state();
        FloatingPanelController &panels = m_app->panels();
        if (what == QLatin1String("settings")) {
            state.openSettings();
            if (SettingsView *view = settingsView())
                view->setCurrentIndex(settingsTab);
            return settingsView();
        }
        if (what == QLatin1String("launcher")) {
            state.toggleLauncher();
            return panels.launcherPanel();
        }
        if (what == QLatin1String("ai")) {
            state.triggerAITransform();
            return QTest::qWaitFor([&] { return panels.aiPanel() != nullptr; }) ? panels.aiPanel() : nullptr;
        }
        state.setPanelTab(what == QLatin1String("history") ? PanelTab::history : PanelTab::snippets);
        state.showPanel();
        return panels.panel();
    }

    // The walker's findings for the window named `name`. The event loop
    // answers its questions as they come (qWaitFor would nap between them).
    // With `opening`, the walker finds the window as a screen reader finds a
    // popup, which Qt leaves out of the program's windows: by following the
    // focus, which `opening` puts there once the walker listens.
    QString walk(const QString &name, std::function<void()> opening = {})
    {
        QProcess walker; // ends a walker that hangs as it goes
        QEventLoop loop;
        connect(&walker, &QProcess::readyReadStandardOutput, &loop, [&] {
            if (opening && walker.canReadLine() && walker.readLine() == "listening\n")
                std::exchange(opening, {})();
        });
        connect(&walker, &QProcess::finished, &loop, &QEventLoop::quit);
        connect(&walker, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        QStringList arguments { qEnvironmentVariable("QUILLET_SOURCE_DIR")
                + QStringLiteral("/tests/app/walk-accessible-tree.py"),
            QString::number(QCoreApplication::applicationPid()), name };
        walker.start(QStringLiteral("/usr/bin/python3"),
            opening ? arguments << QStringLiteral("--follow-focus") : arguments);
        loop.exec();
        if (walker.state() != QProcess::NotRunning || walker.exitStatus() != QProcess::NormalExit
            || walker.exitCode() != 0)
            return QStringLiteral("the walk failed: ") + QString::fromUtf8(walker.readAllStandardError());
        return QString::fromUtf8(walker.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIntValue("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") == 1,
            "run inside scripts/with-accessibility-bus");
        m_desktop = std::make_unique<DesktopSession>(Defaults::shared(), Clock::system());
        m_app = std::make_unique<QuilletApp>(m_desktop->platform(), openUserStoreWithRecovery().store);
        m_app->start();
        test::insertText(m_app->store(), QStringLiteral("First copied line"), 20);
        test::insertText(m_app->store(), QStringLiteral("https://example.org/a/link"), 10, true);
        test::insertSnippet(m_app->store(), QStringLiteral("Signature"), QStringLiteral("Regards"), 0, {});
    }

    void everyControlHasAName_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("tab");
        for (const char *window : { "history", "snippets", "ai", "launcher" })
            QTest::newRow(window) << QString::fromLatin1(window) << 0;
        // One after the other: the second also opens the popup again.
        QTest::newRow("tray popup, History") << QStringLiteral("tray") << 0;
        QTest::newRow("tray popup, Snippets") << QStringLiteral("tray") << 1;
        const char *tabs[]
            = { "General", "Shortcuts", "Excluded Apps", "Appearance", "AI", "Snippets", "Advanced" };
        for (int tab = 0; tab < int(std::size(tabs)); ++tab)
            QTest::addRow("settings, %s", tabs[tab]) << QStringLiteral("settings") << tab;
    }

    void everyControlHasAName()
    {
        QFETCH(QString, what);
        QFETCH(int, tab);
        if (what == QLatin1String("tray")) {
            TrayController &tray = m_app->tray();
            const QString unnamed
                = walk(QCoreApplication::translate("quillet::TrayPopup", "Quillet Menu"), [&] {
                      tray.showPopup();
                      tray.popupView()->setSelectedTab(tab);
                  });
            QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("controls without a name:\n") + unnamed));
            return;
        }
        QWidget *window = open(what, tab);
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        const QString unnamed
            = walk(window->accessibleName().isEmpty() ? window->windowTitle() : window->accessibleName());
        QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("controls without a name:\n") + unnamed));
    }

    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                window->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QUILLET_TEST_MAIN(AccessibilityX11Test)
#include "AccessibilityX11Test.moc"
