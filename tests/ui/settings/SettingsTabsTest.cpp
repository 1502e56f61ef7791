#include "defaults/PreferenceKeys.h"
#include "support/SettingsFixture.h"
#include "support/StdoutCapture.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetHelpers.h"
#include "ui/controls/Stepper.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/settings/AISettingsView.h"
#include "ui/settings/AdvancedSettingsView.h"
#include "ui/settings/AppearanceSettingsView.h"
#include "ui/settings/ExcludedAppsSettingsView.h"
#include "ui/settings/GeneralSettingsView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/ShortcutSettingsView.h"
#include "ui/settings/SnippetsSettingsView.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QWheelEvent>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

template<typename T> T *child(QWidget &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

QString labelText(QWidget &parent, const char *name)
{
    const auto *label = child<QLabel>(parent, name);
    return label ? label->text() : QString();
}

// Steps a stepper as its arrow buttons do, `count` times.
void step(QSpinBox *box, int count)
{
    for (int i = 0; i < qAbs(count); ++i)
        box->stepBy(count > 0 ? 1 : -1);
}

} // namespace

class SettingsTabsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void steppersStopAtTheirBounds_data()
    {
        QTest::addColumn<bool>("appearance");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("steps");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<QString>("label");
        QTest::newRow("history down from 500") << false << keys::maxHistorySize << -20 << qint64(50)
                                               << QStringLiteral("Maximum history size: 50");
        QTest::newRow("history up from 500") << false << keys::maxHistorySize << 200 << qint64(5000)
                                             << QStringLiteral("Maximum history size: 5000");
        QTest::newRow("history one step") << false << keys::maxHistorySize << 1 << qint64(550)
                                          << QStringLiteral("Maximum history size: 550");
        QTest::newRow("items down from 20")
            << true << keys::menuItemCount << -10 << qint64(5) << QStringLiteral("Items to show: 5");
        QTest::newRow("items up from 20")
            << true << keys::menuItemCount << 10 << qint64(50) << QStringLiteral("Items to show: 50");
    }
    void steppersStopAtTheirBounds()
    {
        QFETCH(bool, appearance);
        QFETCH(QString, key);
        QFETCH(int, steps);
        QFETCH(qint64, expected);
        QFETCH(QString, label);
        test::SettingsFixture f;
        std::unique_ptr<QWidget> view;
        QSpinBox *box = nullptr;
        if (appearance) {
            view = std::make_unique<AppearanceSettingsView>(f.viewModel);
            box = child<QSpinBox>(*view, "itemCount");
        } else {
            view = std::make_unique<GeneralSettingsView>(
                f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
            box = child<QSpinBox>(*view, "historySize");
        }
        QVERIFY(box);
        step(box, steps);
        QCOMPARE(f.defaults.integer(key), expected);
        QCOMPARE(labelText(*view, appearance ? "itemCountLabel" : "historySizeLabel"), label);
    }

    void aTypedNumberGoesToTheNearestStep()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        auto *box = child<QSpinBox>(view, "historySize");
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("1234"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.viewModel.maxHistorySize(), qint64(1250));
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("99999"));
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(f.viewModel.maxHistorySize() <= 5000);
        QCOMPARE(f.viewModel.maxHistorySize() % 50, 0);
    }

    void theHistorySizeChangesOnlyWhenMeant()
    {
        test::SettingsFixture f;
        test::fillHistory(*f.store, 120);
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        auto *box = child<QSpinBox>(view, "historySize");
        // No wheel without the focus; no half-typed number when the focus goes.
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("10"));
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &focusOut);
        QCOMPARE(box->value(), 500);
        // A size that would remove entries asks first: Cancel keeps it, Remove takes it.
        for (const QString &answer : { QStringLiteral("Cancel"), QStringLiteral("Remove") }) {
            QVERIFY(!f.defaults.contains(keys::maxHistorySize));
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("50"));
            QTest::keyClick(box, Qt::Key_Return);
            auto *question = test::shownWindow<QMessageBox>(QStringLiteral("pruneConfirmation"));
            QCOMPARE(question->text(), QStringLiteral("Remove the 70 oldest entries?"));
            for (QAbstractButton *button : question->buttons())
                button->text() == answer ? button->click() : void();
        }
        QCOMPARE(f.viewModel.maxHistorySize(), 50);
    }

    void pollingIntervalAndPasteAfterSelectionWriteThrough()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        auto *picker = child<QComboBox>(view, "pollingInterval");
        QCOMPARE(picker->currentIndex(), 1); // the 0.5 s default
        picker->setCurrentIndex(0);
        Q_EMIT picker->activated(0);
        QCOMPARE(f.defaults.doubleValue(keys::pollingInterval), 0.25);

        auto *paste = child<ToggleSwitch>(view, "pasteAfterSelection");
        QVERIFY(paste->isChecked());
        QTest::mouseClick(paste, Qt::LeftButton);
        QCOMPARE(f.defaults.boolean(keys::pasteAfterSelection), std::optional<bool>(false));
    }

    void menuWidthSnapsToTensAndShowsPixels_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("294 → 290") << 294 << 290.0 << QStringLiteral("290 px");
        QTest::newRow("286 → 290") << 286 << 290.0 << QStringLiteral("290 px");
        QTest::newRow("500") << 500 << 500.0 << QStringLiteral("500 px");
        QTest::newRow("281 → 280") << 281 << 280.0 << QStringLiteral("280 px");
    }
    void menuWidthSnapsToTensAndShowsPixels()
    {
        QFETCH(int, dragged);
        QFETCH(double, stored);
        QFETCH(QString, shown);
        test::SettingsFixture f;
        AppearanceSettingsView view(f.viewModel);
        auto *slider = child<QSlider>(view, "menuWidth");
        QCOMPARE(labelText(view, "menuWidthValue"), QStringLiteral("340 px"));
        slider->setSliderPosition(dragged);
        QCOMPARE(slider->value(), int(stored));
        QCOMPARE(f.defaults.doubleValue(keys::menuWidth), stored);
        QCOMPARE(labelText(view, "menuWidthValue"), shown);
    }

    void updatesAreOffAndCannotBeCheckedWhenUnconfigured()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        auto *automatic = child<ToggleSwitch>(view, "automaticUpdates");
        QVERIFY(!automatic->isChecked());
        QVERIFY(!automatic->isEnabled());
        QVERIFY(!child<QPushButton>(view, "checkForUpdates")->isEnabled());
        QVERIFY(!labelText(view, "lastChecked").startsWith(QStringLiteral("Last checked: ")));
    }

    void accessibilityIsRecheckedEveryTwoSecondsWhileShown()
    {
        test::SettingsFixture f;
        f.keys.trusted = false;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        view.show();
        QCOMPARE(labelText(view, "accessibilityStatus"), QStringLiteral("Chosen entries are only copied"));
        QVERIFY(child<QPushButton>(view, "grantAccess")->isVisible());

        f.keys.trusted = true;
        f.clock.advance(1900ms);
        QVERIFY(!view.accessibilityGranted());
        f.clock.advance(100ms);
        QVERIFY(view.accessibilityGranted());
        QCOMPARE(labelText(view, "accessibilityStatus"),
            QStringLiteral("Quillet pastes through the X server's XTest extension"));
        QVERIFY(!child<QPushButton>(view, "grantAccess")->isVisible());

        // Hidden: no more checks.
        view.hide();
        f.keys.trusted = false;
        f.clock.advance(10s);
        QVERIFY(view.accessibilityGranted());
        QCOMPARE(f.clock.pendingCount(), 0);
    }

    void grantAccessExplainsWhatIsMissing()
    {
        test::SettingsFixture f;
        f.keys.trusted = false;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        view.show();
        QString explanation;
        test::ModalAnswer answer([&](QWidget *dialog) {
            if (auto *box = qobject_cast<QMessageBox *>(dialog))
                explanation = box->informativeText();
            dialog->close();
        });
        child<QPushButton>(view, "grantAccess")->click();
        QVERIFY(answer.answered);
        QVERIFY2(explanation.contains(QStringLiteral("XTest")), qPrintable(explanation));
    }

    void theLaunchAtLoginSwitchFollowsTheService()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock, *f.store);
        auto *toggle = child<ToggleSwitch>(view, "launchAtLogin");
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QCOMPARE(f.loginItems.current, LoginItems::Status::enabled);

        // Refused by the desktop: the switch snaps back.
        f.loginItems.failure = QStringLiteral("refused");
        test::StdoutCapture quiet;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QCOMPARE(f.loginItems.current, LoginItems::Status::enabled);
    }

    void advancedShowsTheSizeEachTimeItIsShown()
    {
        test::SettingsFixture f;
        AdvancedSettingsView view(f.viewModel, *f.store);
        QCOMPARE(labelText(view, "databaseSize"), QStringLiteral("Calculating..."));
        view.show();
        QCOMPARE(labelText(view, "databaseSize"), QStringLiteral("0 bytes"));
        view.hide();
        QFile file(f.dir.filePath(QStringLiteral("data/blob")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2500, 'x'));
        file.close();
        view.show();
        QCOMPARE(labelText(view, "databaseSize"), QStringLiteral("2.5 kB"));
    }

    void exportAsksWhereAndWritesNothingWhenCancelled()
    {
        test::SettingsFixture f;
        AdvancedSettingsView view(f.viewModel, *f.store);
        const QString path = f.dir.filePath(QStringLiteral("quillet-export.json"));
        view.setSaveFileChooser([&](QWidget *) { return QString(); });
        child<QPushButton>(view, "exportHistory")->click();
        QVERIFY(!QFile::exists(path));

        test::insertText(*f.store, QStringLiteral("Hello"));
        view.setSaveFileChooser([&](QWidget *) { return path; });
        child<QPushButton>(view, "exportHistory")->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(file.readAll()).array().size(), 1);
    }

    void anExportOfAnUnreadableHistorySaysSoAndKeepsTheFile()
    {
        test::SettingsFixture f;
        AdvancedSettingsView view(f.viewModel, *f.store);
        const QString path = f.dir.filePath(QStringLiteral("quillet-export.json"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[\"an earlier export\"]");
        file.close();
        test::breakHistoryTable(*f.store);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("fetching history")));
        view.setSaveFileChooser([&](QWidget *) { return path; });
        QString shown;
        test::ModalAnswer answer([&](QWidget *dialog) {
            shown = dialog->objectName();
            dialog->close();
        });
        child<QPushButton>(view, "exportHistory")->click();
        QVERIFY(answer.answered);
        QCOMPARE(shown, QStringLiteral("exportError"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[\"an earlier export\"]"));
    }

    void resetAsksAndDeletesPinnedEntriesButKeepsSnippets_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<qint64>("itemsLeft");
        QTest::newRow("Reset") << QStringLiteral("Reset") << qint64(0);
        QTest::newRow("Cancel") << QStringLiteral("Cancel") << qint64(2);
    }
    void resetAsksAndDeletesPinnedEntriesButKeepsSnippets()
    {
        QFETCH(QString, answer);
        QFETCH(qint64, itemsLeft);
        test::SettingsFixture f;
        test::insertText(*f.store, QStringLiteral("pinned"), 0, true);
        test::insertText(*f.store, QStringLiteral("loose"));
        const SnippetFolder folder = test::snippetFolder(QStringLiteral("Folder"));
        QVERIFY(f.store->insertFolder(folder));
        test::insertSnippet(*f.store, QStringLiteral("Signature"), QStringLiteral("Regards"), 0, folder.id);

        AdvancedSettingsView view(f.viewModel, *f.store);
        test::ModalAnswer modal(test::clickButton(answer));
        child<QPushButton>(view, "resetHistory")->click();
        QVERIFY(modal.answered);
        QCOMPARE(f.store->itemCount(), itemsLeft);
        QCOMPARE(f.store->folders().size(), 1);
        QCOMPARE(f.store->allSnippets().size(), 1);
    }

    void snippetsComeBeforeAdvancedAndTheAITabAfterAppearance()
    {
        test::SettingsFixture f;
        SettingsView view(f.services());
        QCOMPARE(view.tabLabel(view.count() - 2), QStringLiteral("Snippets"));
        QCOMPARE(view.tab(view.count() - 2), view.snippetsTab());
        QVERIFY(qobject_cast<AdvancedSettingsView *>(view.tab(view.count() - 1)));
        QCOMPARE(view.tabLabel(view.count() - 3), QStringLiteral("AI"));
        QCOMPARE(view.tabLabel(view.count() - 4), QStringLiteral("Appearance"));
        view.tabButton(view.count() - 3)->click();
        QVERIFY(qobject_cast<AISettingsView *>(view.tab(view.currentIndex())));
    }

    void showingAgainRaisesTheOpenWindowAndClosingRebuildsIt()
    {
        test::SettingsFixture f;
        SettingsWindow window(f.services());
        QVERIFY(!window.view());
        window.show();
        QPointer<SettingsView> first = window.view();
        QVERIFY(first && first->isVisible());
        first->setCurrentIndex(3);
        window.show();
        QCOMPARE(window.view(), first.data());
        QCOMPARE(first->currentIndex(), 3);
        QCOMPARE(QApplication::topLevelWidgets().count(first.data()), 1);

        // The application lives in the tray: closing this window must not
        // count towards quitting.
        QVERIFY(!first->testAttribute(Qt::WA_QuitOnClose));
        first->close();
        QTRY_VERIFY(!first);
        QVERIFY(!window.view());
        window.show();
        QVERIFY(window.view());
        QCOMPARE(window.view()->currentIndex(), 0);
    }
};

QUILLET_TEST_MAIN(SettingsTabsTest)
#include "SettingsTabsTest.moc"
