#include "defaults/PreferenceKeys.h"
#include "platform/x11/XdgAutostart.h"
#include "support/SettingsFixture.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"
#include "ui/controls/Stepper.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/settings/AdvancedSettingsView.h"
#include "ui/settings/AppearanceSettingsView.h"
#include "ui/settings/ExcludedAppsSettingsView.h"
#include "ui/settings/GeneralSettingsView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/ShortcutSettingsView.h"

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

void addItem(Store &store, const QString &title, bool pinned)
{
    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.title = title;
    item.contentHash = title;
    item.isPinned = pinned;
    item.createdAt = item.lastUsedAt = QDateTime::currentDateTimeUtc();
    item.contentTypeRaw = QStringLiteral("text");
    QVERIFY(store.insertItem(item, std::nullopt, {}));
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
                f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
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
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
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

    void pollingIntervalAndPasteAfterSelectionWriteThrough()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
        auto *picker = child<QComboBox>(view, "pollingInterval");
        QCOMPARE(picker->count(), 4);
        QCOMPARE(picker->currentText(), QStringLiteral("0.5s (Default)"));
        QCOMPARE(picker->itemText(3), QStringLiteral("2.0s (Battery saver)"));
        picker->setCurrentIndex(0);
        Q_EMIT picker->activated(0);
        QCOMPARE(f.defaults.doubleValue(keys::pollingInterval), 0.25);

        auto *paste = child<ToggleSwitch>(view, "pasteAfterSelection");
        QVERIFY(paste->isChecked());
        QTest::mouseClick(paste, Qt::LeftButton);
        QCOMPARE(f.defaults.boolean(keys::pasteAfterSelection), std::optional<bool>(false));
    }

    void menuWidthSnapsToTensAndShowsPoints_data()
    {
        QTest::addColumn<int>("dragged");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("294 → 290") << 294 << 290.0 << QStringLiteral("290pt");
        QTest::newRow("286 → 290") << 286 << 290.0 << QStringLiteral("290pt");
        QTest::newRow("500") << 500 << 500.0 << QStringLiteral("500pt");
        QTest::newRow("281 → 280") << 281 << 280.0 << QStringLiteral("280pt");
    }
    void menuWidthSnapsToTensAndShowsPoints()
    {
        QFETCH(int, dragged);
        QFETCH(double, stored);
        QFETCH(QString, shown);
        test::SettingsFixture f;
        AppearanceSettingsView view(f.viewModel);
        auto *slider = child<QSlider>(view, "menuWidth");
        QCOMPARE(slider->minimum(), 280);
        QCOMPARE(slider->maximum(), 500);
        QCOMPARE(labelText(view, "menuWidthValue"), QStringLiteral("340pt"));
        slider->setSliderPosition(dragged);
        QCOMPARE(slider->value(), int(stored));
        QCOMPARE(f.defaults.doubleValue(keys::menuWidth), stored);
        QCOMPARE(labelText(view, "menuWidthValue"), shown);
        const auto *value = child<QLabel>(view, "menuWidthValue");
        QCOMPARE(value->width(), 50);
        QVERIFY(value->alignment() & Qt::AlignRight);
    }

    void updatesAreOffAndCannotBeCheckedWhenUnconfigured()
    {
        test::SettingsFixture f;
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
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
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
        view.show();
        QCOMPARE(labelText(view, "accessibilityStatus"), QStringLiteral("Accessibility access required"));
        QVERIFY(child<QPushButton>(view, "grantAccess")->isVisible());

        f.keys.trusted = true;
        f.clock.advance(1900ms);
        QVERIFY(!view.accessibilityGranted());
        f.clock.advance(100ms);
        QVERIFY(view.accessibilityGranted());
        QCOMPARE(labelText(view, "accessibilityStatus"), QStringLiteral("Accessibility access granted"));
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
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
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

    void launchAtLoginWritesTheAutostartEntry()
    {
        x11::XdgAutostart autostart(QStringLiteral("/usr/bin/quillet"));
        QVERIFY(autostart.filePath().startsWith(test::isolatedHome()));
        test::SettingsFixture f(&autostart);
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
        auto *toggle = child<ToggleSwitch>(view, "launchAtLogin");
        QVERIFY(!toggle->isChecked());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QCOMPARE(autostart.status(), LoginItems::Status::enabled);
        QFile entry(autostart.filePath());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("Exec=/usr/bin/quillet"));
        entry.close();

        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(autostart.status(), LoginItems::Status::notRegistered);
        QFile::remove(autostart.filePath());
    }

    void aRefusedAutostartWriteSnapsTheSwitchBack()
    {
        x11::XdgAutostart autostart(QStringLiteral("/usr/bin/quillet"));
        // A file where the autostart folder should be: the entry cannot be written.
        const QString folder = QFileInfo(autostart.filePath()).absolutePath();
        QDir(folder).removeRecursively();
        QDir().mkpath(QFileInfo(folder).absolutePath());
        {
            QFile blocker(folder);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        test::SettingsFixture f(&autostart);
        GeneralSettingsView view(f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.clock);
        auto *toggle = child<ToggleSwitch>(view, "launchAtLogin");
        QByteArray output;
        {
            test::StdoutCapture capture;
            QTest::mouseClick(toggle, Qt::LeftButton);
            output = capture.text();
        }
        QFile::remove(folder);
        QVERIFY2(output.startsWith("Failed to update launch at login: "), output.constData());
        QVERIFY(output.endsWith('\n'));
        QCOMPARE(output.count('\n'), 1);
        QVERIFY(!toggle->isChecked());
        QVERIFY(!f.launchAtLogin->isEnabled());
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

    void exportWritesTheHistoryOrNothingWhenCancelled()
    {
        test::SettingsFixture f;
        AdvancedSettingsView view(f.viewModel, *f.store);
        const QString path = f.dir.filePath(QStringLiteral("quillet-export.json"));
        int asked = 0;
        view.setSaveFileChooser([&](QWidget *) {
            ++asked;
            return QString();
        });
        child<QPushButton>(view, "exportHistory")->click();
        QCOMPARE(asked, 1);
        QVERIFY(!QFile::exists(path));

        view.setSaveFileChooser([&](QWidget *) { return path; });
        child<QPushButton>(view, "exportHistory")->click();
        QFile empty(path);
        QVERIFY(empty.open(QIODevice::ReadOnly));
        const QJsonDocument none = QJsonDocument::fromJson(empty.readAll());
        empty.close();
        QVERIFY(none.isArray());
        QCOMPARE(none.array().size(), 0);

        addItem(*f.store, QStringLiteral("Hello"), true);
        child<QPushButton>(view, "exportHistory")->click();
        QFile one(path);
        QVERIFY(one.open(QIODevice::ReadOnly));
        const QJsonArray records = QJsonDocument::fromJson(one.readAll()).array();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0)[QStringLiteral("title")].toString(), QStringLiteral("Hello"));
        QCOMPARE(records.at(0)[QStringLiteral("isPinned")].toBool(), true);
    }

    void anExportThatCannotBeWrittenSaysSo()
    {
        test::SettingsFixture f;
        AdvancedSettingsView view(f.viewModel, *f.store);
        const QString path = f.dir.filePath(QStringLiteral("missing-folder/quillet-export.json"));
        view.setSaveFileChooser([&](QWidget *) { return path; });
        QString message;
        test::ModalAnswer answer([&](QWidget *dialog) {
            message = dialog->objectName() + QLatin1Char(':')
                + static_cast<QMessageBox *>(dialog)->informativeText();
            dialog->close();
        });
        child<QPushButton>(view, "exportHistory")->click();
        QVERIFY(answer.answered);
        QVERIFY2(message.startsWith(QStringLiteral("exportError:")), qPrintable(message));
        QVERIFY(message.contains(path));
        QVERIFY(!QFile::exists(path));
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
        addItem(*f.store, QStringLiteral("pinned"), true);
        addItem(*f.store, QStringLiteral("loose"), false);
        SnippetFolder folder;
        folder.id = QUuid::createUuid();
        folder.name = QStringLiteral("Folder");
        QVERIFY(f.store->insertFolder(folder));
        Snippet snippet;
        snippet.id = QUuid::createUuid();
        snippet.title = QStringLiteral("Signature");
        snippet.contentUTType = QStringLiteral("text/plain");
        snippet.textContent = QStringLiteral("Regards");
        snippet.createdAt = QDateTime::currentDateTimeUtc();
        snippet.folder = folder.id;
        QVERIFY(f.store->insertSnippet(snippet, QByteArray("Regards")));

        AdvancedSettingsView view(f.viewModel, *f.store);
        QString title;
        QString message;
        QStringList buttons;
        test::ModalAnswer modal([&](QWidget *dialog) {
            auto *box = static_cast<QMessageBox *>(dialog);
            title = box->windowTitle();
            message = box->informativeText();
            for (QAbstractButton *button : box->buttons())
                buttons.append(button->text());
            test::clickButton(answer)(dialog);
        });
        child<QPushButton>(view, "resetHistory")->click();
        QVERIFY(modal.answered);
        QCOMPARE(title, QStringLiteral("Reset History"));
        QCOMPARE(message,
            QStringLiteral(
                "This will permanently delete all clipboard history. Pinned items will also be deleted. "
                "This action cannot be undone."));
        QCOMPARE(buttons, (QStringList { QStringLiteral("Cancel"), QStringLiteral("Reset") }));
        QCOMPARE(f.store->itemCount(), itemsLeft);
        QCOMPARE(f.store->folders().size(), 1);
        QCOMPARE(f.store->allSnippets().size(), 1);
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
