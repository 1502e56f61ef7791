#include "ui/settings/ExcludedAppsSettingsView.h"
#include "clipboard/ClipboardMonitor.h"
#include "clipboard/HistoryManager.h"
#include "defaults/PreferenceKeys.h"
#include "support/FakePasteboard.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "ui/controls/SearchField.h"
#include "ui/controls/ToggleSwitch.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSemaphore>
#include <QSignalSpy>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

InstalledApplication app(const QString &id, const QString &name)
{
    return { id, name, QString(), QStringLiteral("/usr/share/applications/%1.desktop").arg(id) };
}

// A workspace whose listing waits until the test lets it finish, so the
// loading state can be seen.
class SlowWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override { }
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override
    {
        started.release();
        proceed.acquire();
        ++listingCalls;
        return installed;
    }
    QIcon applicationIcon(const InstalledApplication &) override { return {}; }
    bool openApplication(const QString &, QString *) override { return false; }

    QList<InstalledApplication> installed;
    int listingCalls = 0;
    QSemaphore started;
    QSemaphore proceed;
};

void waitLoaded(ExcludedAppsSettingsView &view)
{
    QTRY_VERIFY_WITH_TIMEOUT(!view.isLoading(), 20000);
}

} // namespace

class ExcludedAppsSettingsViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsTheApplicationsByNameWithTheirIDs()
    {
        test::SettingsFixture f;
        f.workspace.installed = { app(QStringLiteral("org.kde.kate"), QStringLiteral("Kate")),
            app(QStringLiteral("firefox-esr"), QStringLiteral("Firefox ESR")),
            app(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor")),
            app(QStringLiteral("org.kde.kate"), QStringLiteral("Kate (shadowed)")) };
        ExcludedAppsSettingsView view(f.excludedApps);
        view.show();
        waitLoaded(view);
        QCOMPARE(view.visibleAppIDs(),
            (QStringList { QStringLiteral("firefox-esr"), QStringLiteral("org.kde.kate"),
                QStringLiteral("org.gnome.TextEditor") }));
        const QList<QLabel *> names = view.findChildren<QLabel *>(QStringLiteral("appName"));
        QCOMPARE(names.size(), 3);
        QCOMPARE(names.first()->font().pixelSize(), 13);
        const QList<QLabel *> ids = view.findChildren<QLabel *>(QStringLiteral("appId"));
        QCOMPARE(ids.first()->text(), QStringLiteral("firefox-esr"));
        QCOMPARE(ids.first()->font().pixelSize(), 10);
    }

    void searchMatchesNameOrIdInAnyCase_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("empty") << QString()
                               << QStringList { QStringLiteral("firefox-esr"), QStringLiteral("org.kde.kate"),
                                      QStringLiteral("org.gnome.TextEditor") };
        QTest::newRow("name, other case")
            << QStringLiteral("TEXT ed") << QStringList { QStringLiteral("org.gnome.TextEditor") };
        QTest::newRow("id only") << QStringLiteral("ORG.KDE")
                                 << QStringList { QStringLiteral("org.kde.kate") };
        QTest::newRow("both") << QStringLiteral("e")
                              << QStringList { QStringLiteral("firefox-esr"), QStringLiteral("org.kde.kate"),
                                     QStringLiteral("org.gnome.TextEditor") };
        QTest::newRow("none") << QStringLiteral("zzz") << QStringList {};
    }
    void searchMatchesNameOrIdInAnyCase()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        test::SettingsFixture f;
        f.workspace.installed = { app(QStringLiteral("org.kde.kate"), QStringLiteral("Kate")),
            app(QStringLiteral("firefox-esr"), QStringLiteral("Firefox ESR")),
            app(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor")) };
        ExcludedAppsSettingsView view(f.excludedApps);
        view.show();
        waitLoaded(view);
        auto *field = view.findChild<SearchField *>();
        QTest::keyClicks(field->lineEdit(), search);
        QCOMPARE(view.visibleAppIDs(), shown);
        const auto *caption = view.findChild<QLabel *>(QStringLiteral("emptyCaption"));
        QCOMPARE(caption->isVisibleTo(&view), shown.isEmpty());
        if (shown.isEmpty())
            QCOMPARE(caption->text(), QStringLiteral("No matches"));
    }

    void loadsOffTheMainThreadEachTimeItIsShown()
    {
        test::SettingsFixture f;
        SlowWorkspace workspace;
        workspace.installed = { app(QStringLiteral("org.kde.kate"), QStringLiteral("Kate")) };
        ExcludedAppsService service(f.defaults, workspace);
        ExcludedAppsSettingsView view(service);
        QSignalSpy loading(&view, &ExcludedAppsSettingsView::loadingChanged);
        view.show();
        QVERIFY(workspace.started.tryAcquire(1, 20000));
        // The listing is under way and the main thread is free: the view
        // shows its progress indicator meanwhile.
        QVERIFY(view.isLoading());
        QVERIFY(view.findChild<QProgressBar *>(QStringLiteral("loadingIndicator"))->isVisible());
        workspace.installed.append(app(QStringLiteral("gimp"), QStringLiteral("GIMP")));
        workspace.proceed.release();
        waitLoaded(view);
        QCOMPARE(
            view.visibleAppIDs(), (QStringList { QStringLiteral("gimp"), QStringLiteral("org.kde.kate") }));

        view.hide();
        workspace.installed.removeFirst();
        workspace.proceed.release();
        view.show();
        waitLoaded(view);
        QCOMPARE(view.visibleAppIDs(), (QStringList { QStringLiteral("gimp") }));
        QCOMPARE(workspace.listingCalls, 2);
        QCOMPARE(loading.size(), 4);
    }

    void aSwitchExcludesTheApplicationAtOnce()
    {
        test::SettingsFixture f;
        f.workspace.installed = { app(QStringLiteral("org.kde.kate"), QStringLiteral("Kate")),
            app(QStringLiteral("keepassxc"), QStringLiteral("KeePassXC")) };
        HistoryManager history(*f.store, f.excludedApps, f.defaults, f.clock);
        test::FakePasteboard pasteboard;
        ClipboardMonitor monitor(pasteboard, f.workspace, f.defaults, f.clock,
            [&](const PasteboardSnapshot &snapshot) { history.addSnapshot(snapshot); });
        monitor.start();
        const auto copyFrom = [&](const QString &id, const QString &text) {
            f.workspace.setFrontmost(id, id);
            pasteboard.copyText(text);
            f.clock.advance(500ms);
            QVERIFY(QTest::qWaitFor([&] { return !history.isBusy(); }));
        };

        ExcludedAppsSettingsView view(f.excludedApps);
        view.show();
        waitLoaded(view);
        ToggleSwitch *keepass = view.switchFor(QStringLiteral("keepassxc"));
        QVERIFY(keepass && !keepass->isChecked());
        copyFrom(QStringLiteral("keepassxc"), QStringLiteral("before"));
        QCOMPARE(f.store->itemCount(), 1);

        QTest::mouseClick(keepass, Qt::LeftButton);
        QVERIFY(keepass->isChecked());
        QCOMPARE(
            f.defaults.stringList(keys::excludedAppBundleIDs), QStringList { QStringLiteral("keepassxc") });
        copyFrom(QStringLiteral("keepassxc"), QStringLiteral("secret"));
        copyFrom(QStringLiteral("org.kde.kate"), QStringLiteral("kept"));
        QCOMPARE(f.store->itemCount(), 2);

        QTest::mouseClick(keepass, Qt::LeftButton);
        QCOMPARE(f.defaults.stringList(keys::excludedAppBundleIDs), QStringList {});
        copyFrom(QStringLiteral("keepassxc"), QStringLiteral("after"));
        QCOMPARE(f.store->itemCount(), 3);

        // A change made elsewhere shows in the switch.
        f.excludedApps.addExcluded(QStringLiteral("org.kde.kate"));
        QVERIFY(view.switchFor(QStringLiteral("org.kde.kate"))->isChecked());
    }

    void saysWhenTheDesktopCannotTellTheSourceApplication_data()
    {
        QTest::addColumn<bool>("knowsFrontmost");
        QTest::newRow("X11, Wayland with foreign-toplevel") << true;
        QTest::newRow("Wayland without it") << false;
    }

    void saysWhenTheDesktopCannotTellTheSourceApplication()
    {
        QFETCH(bool, knowsFrontmost);
        test::SettingsFixture f;
        f.workspace.knowsFrontmost = knowsFrontmost;
        ExcludedAppsSettingsView view(f.excludedApps);
        const auto *caption = view.findChild<QLabel *>(QStringLiteral("sourceUnknownCaption"));
        QCOMPARE(caption != nullptr, !knowsFrontmost);
    }
};

QUILLET_TEST_MAIN(ExcludedAppsSettingsViewTest)
#include "ExcludedAppsSettingsViewTest.moc"
