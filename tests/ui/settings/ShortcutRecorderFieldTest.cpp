#include "ui/settings/ShortcutRecorderField.h"
#include "shortcuts/Localization.h"
#include "support/FakeDesktopShortcuts.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "ui/settings/KeyStrokeReader.h"
#include "ui/settings/ShortcutSettingsView.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>

using namespace quillet;
using namespace quillet::shortcuts;

Q_DECLARE_METATYPE(std::optional<quillet::shortcuts::Shortcut>)

namespace {

class RecordingAlerts final : public RecorderAlerts {
public:
    void beep() override { ++beeps; }
    int showAlert(const QString &message, const QString &, const QStringList &) override
    {
        alerts.append(message);
        return answer;
    }
    int beeps = 0;
    QStringList alerts;
    int answer = 0;
};

// A recorder in a shown window, focused so that it records.
struct Recorder {
    test::SettingsFixture &f;
    QWidget window;
    QLineEdit other { &window };
    ShortcutRecorderField *field;
    RecordingAlerts alerts;

    Recorder(test::SettingsFixture &fixture, const Name &name)
        : f(fixture)
        , field(new ShortcutRecorderField(fixture.library, name, &window))
    {
        field->setAlerts(&alerts);
        field->move(0, 40);
        window.resize(300, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        field->setFocus(Qt::MouseFocusReason);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(field, key, modifiers);
    }
};

const Name &panel()
{
    return HotkeyManager::togglePanel();
}

} // namespace

class ShortcutRecorderFieldTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheStoredShortcutAndRecordsWhileFocused()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        QCOMPARE(r.field->text(), QStringLiteral("⇧⌘V"));
        QVERIFY(r.field->hasFocus());
        QVERIFY(r.field->isRecording());
        QVERIFY(f.library.isRecorderActive());
        QCOMPARE(r.field->placeholderText(), QStringLiteral("Press Shortcut"));
        QCOMPARE(QWidget::keyboardGrabber(), r.field);

        r.other.setFocus(Qt::TabFocusReason);
        QVERIFY(!r.field->isRecording());
        QVERIFY(!f.library.isRecorderActive());
        QCOMPARE(r.field->placeholderText(), QStringLiteral("Record Shortcut"));
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
        QVERIFY(r.field->sizeHint().width() >= ShortcutRecorderField::minimumFieldWidth);
    }

    void closingWhileRecordingGivesTheHotKeysBack()
    {
        test::SettingsFixture f;
        f.library.onKeyUp(panel(), [] {});
        auto r = std::make_unique<Recorder>(f, HotkeyManager::openHistory());
        QVERIFY(f.library.isRecorderActive());
        QVERIFY(!f.hotKeys.isGrabbed(Shortcut(keys::v, command | shift)));
        r.reset();
        QVERIFY(!f.library.isRecorderActive());
        QVERIFY(f.hotKeys.isGrabbed(Shortcut(keys::v, command | shift)));
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    }

    void refusesCombinationsWithoutAModifier_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("description");
        QTest::newRow("A") << int(Qt::Key_A) << int(Qt::NoModifier) << false << QString();
        QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << false << QString();
        QTest::newRow("Shift+1") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << false << QString();
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << false << QString();
        QTest::newRow("F5") << int(Qt::Key_F5) << int(Qt::NoModifier) << true << QStringLiteral("F5");
        QTest::newRow("Shift+F5") << int(Qt::Key_F5) << int(Qt::ShiftModifier) << true
                                  << QStringLiteral("⇧F5");
        QTest::newRow("Ctrl+Super+Shift+V")
            << int(Qt::Key_V) << int(Qt::ControlModifier | Qt::MetaModifier | Qt::ShiftModifier) << true
            << QStringLiteral("⌃⇧⌘V");
        QTest::newRow("Alt+Space") << int(Qt::Key_Space) << int(Qt::AltModifier) << true
                                   << QStringLiteral("⌥Space");
        QTest::newRow("Ctrl+keypad 7") << int(Qt::Key_7) << int(Qt::ControlModifier | Qt::KeypadModifier)
                                       << true << QStringLiteral("⌃7\u20E3");
    }
    void refusesCombinationsWithoutAModifier()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, accepted);
        QFETCH(QString, description);
        test::SettingsFixture f;
        const Name name(QStringLiteral("edited"));
        Recorder r(f, name);
        QSignalSpy changes(&f.library, &KeyboardShortcuts::shortcutByNameDidChange);
        std::optional<Shortcut> reported;
        int reports = 0;
        r.field->setOnChange([&](std::optional<Shortcut> shortcut) {
            reported = shortcut;
            ++reports;
        });
        r.press(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (accepted) {
            QCOMPARE(r.alerts.beeps, 0);
            QCOMPARE(r.field->text(), description);
            QVERIFY(f.library.shortcut(name));
            QCOMPARE(f.library.description(*f.library.shortcut(name)), description);
            QCOMPARE(reports, 1);
            QCOMPARE(reported, f.library.shortcut(name));
            // Done: the field gives up the focus and the keyboard.
            QVERIFY(!r.field->isRecording());
            QVERIFY(!r.field->hasFocus());
            QCOMPARE(QWidget::keyboardGrabber(), nullptr);
            QCOMPARE(changes.size(), 1);
        } else {
            QCOMPARE(r.alerts.beeps, 1);
            QCOMPARE(r.field->text(), QString());
            QCOMPARE(f.library.shortcut(name), std::nullopt);
            QCOMPARE(reports, 0);
            QVERIFY(r.field->isRecording());
        }
    }

    void aModifierAloneIsNotRefused()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        r.press(Qt::Key_Control, Qt::ControlModifier);
        r.press(Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(r.alerts.beeps, 0);
        QVERIFY(r.field->isRecording());
        QCOMPARE(r.field->text(), QStringLiteral("⇧⌘V"));
    }

    void escapeKeepsTheShortcutAndDeleteRemovesIt()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        r.press(Qt::Key_Escape);
        QVERIFY(!r.field->isRecording());
        QVERIFY(!r.field->hasFocus());
        QCOMPARE(f.library.shortcut(panel()), Shortcut(keys::v, command | shift));
        QCOMPARE(r.field->text(), QStringLiteral("⇧⌘V"));

        r.field->setFocus(Qt::MouseFocusReason);
        r.press(Qt::Key_Backspace);
        QCOMPARE(r.field->text(), QString());
        QCOMPARE(f.library.shortcut(panel()), std::nullopt);
        // A factory shortcut is remembered as removed, so it does not return.
        QCOMPARE(f.defaults.boolean(panel().defaultsKey()), std::optional<bool>(false));
        QVERIFY(!f.hotKeys.isGrabbed(Shortcut(keys::v, command | shift)));
        QCOMPARE(r.alerts.beeps, 0);
    }

    void theClearButtonShowsOnlyWithText()
    {
        test::SettingsFixture f;
        Recorder r(f, HotkeyManager::openHistory());
        r.other.setFocus();
        auto *clear = r.field->findChild<QAction *>(QStringLiteral("clearShortcut"));
        QVERIFY(clear);
        QVERIFY(clear->isVisible());
        clear->trigger();
        QCOMPARE(r.field->text(), QString());
        QVERIFY(!clear->isVisible());
        QCOMPARE(f.library.shortcut(HotkeyManager::openHistory()), std::nullopt);
        f.library.setShortcut(Shortcut(keys::h, control | option), HotkeyManager::openHistory());
        QVERIFY(clear->isVisible());
    }

    void followsChangesMadeElsewhere()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        r.other.setFocus();
        f.library.setShortcut(Shortcut(keys::b, control | option), panel());
        QCOMPARE(r.field->text(), QStringLiteral("⌃⌥B"));
        f.library.setShortcut(Shortcut(keys::b, control), HotkeyManager::openSnippets());
        QCOMPARE(r.field->text(), QStringLiteral("⌃⌥B"));
        f.library.reset({ panel() });
        QCOMPARE(r.field->text(), QStringLiteral("⇧⌘V"));
    }

    void aClickOutsideStopsRecording()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        auto *label = new QLabel(QStringLiteral("elsewhere"), &r.window);
        label->setGeometry(150, 0, 100, 30);
        label->show();
        // Within the 3-point slack: still recording.
        QTest::mouseClick(r.field, Qt::LeftButton, {}, QPoint(r.field->width() + 2, 5));
        QVERIFY(r.field->isRecording());
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(50, 10));
        QVERIFY(!r.field->isRecording());
        QVERIFY(!r.field->hasFocus());
    }

    void whileRecordingTheHotKeysAreReleased()
    {
        test::SettingsFixture f;
        int runs = 0;
        f.library.onKeyUp(panel(), [&] { ++runs; });
        QVERIFY(f.hotKeys.isGrabbed(Shortcut(keys::v, command | shift)));
        Recorder r(f, HotkeyManager::openHistory());
        QVERIFY(!f.hotKeys.isGrabbed(Shortcut(keys::v, command | shift)));
        QVERIFY(!f.hotKeys.click(Shortcut(keys::v, command | shift)));
        r.press(Qt::Key_Escape);
        QVERIFY(f.hotKeys.click(Shortcut(keys::v, command | shift)));
        QCOMPARE(runs, 1);
    }

    void aCombinationOfTheMenuIsRefusedWithAnAlert()
    {
        test::SettingsFixture f;
        QMenu menu;
        QAction *copy = menu.addAction(QStringLiteral("&Copy Item"));
        copy->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
        Recorder r(f, panel());
        r.field->setMenu(&menu);
        r.press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(r.alerts.alerts.size(), 1);
        QVERIFY2(r.alerts.alerts.first().contains(QStringLiteral("Copy Item")),
            qPrintable(r.alerts.alerts.first()));
        QCOMPARE(f.library.shortcut(panel()), Shortcut(keys::v, command | shift));
        // The user may try again at once.
        QVERIFY(r.field->isRecording());
    }

    void aSystemCombinationNeedsTheSecondButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("stored");
        QTest::newRow("OK") << QStringLiteral("OK") << false;
        QTest::newRow("Use Anyway") << QStringLiteral("Use Anyway") << true;
    }
    void aSystemCombinationNeedsTheSecondButton()
    {
        QFETCH(QString, button);
        QFETCH(bool, stored);
        test::SettingsFixture f;
        const Shortcut taken(keys::t, control | option);
        f.hotKeys.takenElsewhere.insert(taken);
        Recorder r(f, panel());
        r.field->setAlerts(nullptr); // the real message box
        QString text;
        QStringList buttons;
        test::ModalAnswer answer([&](QWidget *dialog) {
            auto *box = static_cast<QMessageBox *>(dialog);
            text = box->text();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            test::clickButton(button)(dialog);
        });
        r.press(Qt::Key_T, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(answer.answered);
        QCOMPARE(text, localized(QStringLiteral("keyboard_shortcut_used_by_system")));
        QVERIFY(buttons.contains(QStringLiteral("OK")) && buttons.contains(QStringLiteral("Use Anyway")));
        QCOMPARE(f.library.shortcut(panel()),
            stored ? std::optional<Shortcut>(taken)
                   : std::optional<Shortcut>(Shortcut(keys::v, command | shift)));
        QCOMPARE(r.field->isRecording(), !stored);
    }

    void tabMovesToTheNextRecorder()
    {
        test::SettingsFixture f;
        ShortcutSettingsView view(f.library, test::appShortcutNames());
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        ShortcutRecorderField *first = view.recorders().at(1);
        ShortcutRecorderField *next = view.recorders().at(2);
        first->setFocus(Qt::MouseFocusReason);
        QVERIFY(first->isRecording());
        QTest::keyClick(first, Qt::Key_Tab);
        QVERIFY(!first->isRecording());
        QVERIFY(next->hasFocus());
        QVERIFY(next->isRecording());
        QCOMPARE(
            f.library.shortcut(HotkeyManager::openHistory()), HotkeyManager::openHistory().defaultShortcut);
    }

    void theShortcutsTabHasFiveRecorders()
    {
        test::SettingsFixture f;
        ShortcutSettingsView view(f.library, test::appShortcutNames());
        const QStringList expected { QStringLiteral("togglePanel"), QStringLiteral("openHistory"),
            QStringLiteral("openSnippets"), QStringLiteral("aiTransform"), QStringLiteral("openLauncher") };
        QStringList names;
        for (ShortcutRecorderField *recorder : view.recorders())
            names.append(recorder->shortcutName().rawValue);
        QCOMPARE(names, expected);
        QCOMPARE(view.recorders().last()->text(), QStringLiteral("⌃⌥Space"));
        QStringList labels;
        for (QLabel *label : view.findChildren<QLabel *>()) {
            if (label->text().endsWith(QLatin1Char(':')))
                labels.append(label->text());
        }
        QCOMPARE(labels,
            (QStringList { QStringLiteral("Toggle floating panel:"), QStringLiteral("Open history:"),
                QStringLiteral("Open snippets:"), QStringLiteral("AI Transform:"),
                QStringLiteral("App Launcher:") }));
    }

    // Where the desktop keeps global shortcuts, or where there are none.
    void theShortcutsTabSaysWhoDecidesTheKeys_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("caption");
        QTest::newRow("desktop portal")
            << int(DesktopShortcutService::State::ready) << true
            << "Your desktop keeps these shortcuts. Click one to change it in the desktop's own dialog.";
        QTest::newRow("no global shortcuts (sway)")
            << int(DesktopShortcutService::State::unavailable) << false
            << "This desktop offers applications no global shortcuts. Bind Quillet's commands to keys in "
               "your "
               "compositor's configuration instead, for sway in ~/.config/sway/config:\n"
               "bindsym $mod+Shift+v exec quillet toggle\n"
               "bindsym $mod+Shift+s exec quillet show snippets";
    }

    void theShortcutsTabSaysWhoDecidesTheKeys()
    {
        QFETCH(int, state);
        QFETCH(bool, enabled);
        QFETCH(QString, caption);
        test::SettingsFixture f;
        test::FakeDesktopShortcuts desktop;
        desktop.current = DesktopShortcutService::State::connecting;
        desktop.notations.insert(
            *HotkeyManager::togglePanel().defaultShortcut, QStringLiteral("SHIFT+LOGO+v"));
        desktop.notations.insert(
            *HotkeyManager::openSnippets().defaultShortcut, QStringLiteral("SHIFT+LOGO+s"));
        desktop.assigned.insert(HotkeyManager::togglePanel().rawValue, QStringLiteral("Shift+Meta+V"));
        KeyboardShortcuts library(f.defaults, nullptr, nullptr, &desktop);
        ShortcutSettingsView view(library, test::appShortcutNames());
        view.show();

        // The tab follows the answer, which comes after it was built.
        desktop.setState(DesktopShortcutService::State(state));
        QCOMPARE(view.caption()->isVisible(), true);
        QTextDocument document;
        document.setHtml(view.caption()->text());
        QCOMPARE(document.toPlainText().trimmed(), caption);
        for (ShortcutRecorderField *recorder : view.recorders())
            QCOMPARE(recorder->isEnabled(), enabled);
        if (enabled) {
            QCOMPARE(view.recorders().first()->text(), QStringLiteral("Shift+Meta+V"));
            QTest::mouseClick(view.recorders().first(), Qt::LeftButton);
            QCOMPARE(desktop.configureCalls, 1);
            QVERIFY(!view.recorders().first()->isRecording());
        }
    }

    void qtKeysReadAsUsKeyPositions_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("storedModifiers");
        QTest::newRow("V") << int(Qt::Key_V) << int(Qt::MetaModifier) << keys::v.rawValue << int(command);
        QTest::newRow("shifted 2 is the 2 key")
            << int(Qt::Key_At) << int(Qt::ShiftModifier | Qt::ControlModifier) << keys::two.rawValue
            << int(shift | control);
        QTest::newRow("slash") << int(Qt::Key_Slash) << int(Qt::AltModifier) << keys::slash.rawValue
                               << int(option);
        QTest::newRow("keypad slash") << int(Qt::Key_Slash) << int(Qt::KeypadModifier) << 75 << 0;
        QTest::newRow("Backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << keys::tab.rawValue
                                 << int(shift);
        QTest::newRow("F12") << int(Qt::Key_F12) << 0 << keys::f12.rawValue << 0;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << 0 << 117 << 0;
        QTest::newRow("Meta alone") << int(Qt::Key_Meta) << int(Qt::MetaModifier) << -1 << 0;
        QTest::newRow("umlaut") << int(Qt::Key_Odiaeresis) << 0 << -1 << 0;
    }
    void qtKeysReadAsUsKeyPositions()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, keyCode);
        QFETCH(int, storedModifiers);
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers));
        const auto stroke = keyStrokeFromQtEvent(event);
        QCOMPARE(stroke.has_value(), keyCode >= 0);
        if (stroke) {
            QCOMPARE(stroke->keyCode, keyCode);
            QCOMPARE(stroke->modifiers, storedModifiers);
        }
    }
};

QUILLET_TEST_MAIN(ShortcutRecorderFieldTest)
#include "ShortcutRecorderFieldTest.moc"
