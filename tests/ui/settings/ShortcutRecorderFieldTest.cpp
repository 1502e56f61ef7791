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
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>

using namespace quillet;
using namespace quillet::shortcuts;

Q_DECLARE_METATYPE(std::optional<quillet::shortcuts::Shortcut>)

namespace {

// Counts beeps; the alerts the tests look at are the real message boxes.
class RecordingAlerts final : public RecorderAlerts {
public:
    void beep() override { ++beeps; }
    int showAlert(const QString &, const QString &, const QStringList &) override { return 0; }
    int beeps = 0;
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
        QCOMPARE(r.field->text(), QStringLiteral("Shift+Super+V"));
        QVERIFY(r.field->hasFocus());
        QVERIFY(r.field->isRecording());
        QVERIFY(f.library.isRecorderActive());
        QCOMPARE(r.field->placeholderText(), QStringLiteral("Press a shortcut"));
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

    void keyPressesGoThroughTheRecorder()
    {
        test::SettingsFixture f;
        const Name name(QStringLiteral("edited"));
        Recorder r(f, name);
        std::optional<Shortcut> reported;
        r.field->setOnChange([&](std::optional<Shortcut> shortcut) { reported = shortcut; });
        r.press(Qt::Key_A, Qt::ShiftModifier);
        QCOMPARE(r.alerts.beeps, 1);
        QVERIFY(r.field->isRecording());

        r.press(Qt::Key_V, Qt::ControlModifier | Qt::MetaModifier | Qt::ShiftModifier);
        QCOMPARE(r.field->text(), QStringLiteral("Ctrl+Shift+Super+V"));
        QCOMPARE(reported, f.library.shortcut(name));
        // Done: the field gives up the focus and the keyboard.
        QVERIFY(!r.field->isRecording());
        QVERIFY(!r.field->hasFocus());
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    }

    void aModifierAloneIsNotRefused()
    {
        test::SettingsFixture f;
        Recorder r(f, panel());
        r.press(Qt::Key_Control, Qt::ControlModifier);
        r.press(Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(r.alerts.beeps, 0);
        QVERIFY(r.field->isRecording());
        QCOMPARE(r.field->text(), QStringLiteral("Shift+Super+V"));
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

    // Taken globally, these keys would stop working in every application.
    void editingCommandsAreRefusedNamingTheirAction_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("action");
        QTest::newRow("Ctrl+V") << int(Qt::Key_V) << int(Qt::ControlModifier) << QStringLiteral("Paste");
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << int(Qt::ControlModifier) << QStringLiteral("Quit");
        QTest::newRow("Ctrl+Shift+V") << int(Qt::Key_V) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                      << QStringLiteral("Paste in Terminal");
    }
    void editingCommandsAreRefusedNamingTheirAction()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, action);
        test::SettingsFixture f;
        Recorder r(f, panel());
        r.field->setAlerts(nullptr); // the real message box
        QString text;
        test::ModalAnswer answer([&](QWidget *dialog) {
            text = static_cast<QMessageBox *>(dialog)->text();
            test::clickButton(QStringLiteral("OK"))(dialog);
        });
        r.press(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(answer.answered);
        QCOMPARE(text, localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg(action));
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

    void theShortcutsTabShowsShortcutsTheLinuxWay()
    {
        test::SettingsFixture f;
        ShortcutSettingsView view(f.library, test::appShortcutNames());
        QStringList names;
        for (ShortcutRecorderField *recorder : view.recorders())
            names.append(recorder->shortcutName().rawValue);
        QCOMPARE(names,
            (QStringList { QStringLiteral("togglePanel"), QStringLiteral("openHistory"),
                QStringLiteral("openSnippets"), QStringLiteral("aiTransform"),
                QStringLiteral("openLauncher") }));
        QCOMPARE(view.recorders().first()->text(), QStringLiteral("Shift+Super+V"));
        QCOMPARE(view.recorders().last()->text(), QStringLiteral("Ctrl+Alt+Space"));
    }

    void theShortcutsTabMarksKeysAnotherApplicationHolds()
    {
        test::SettingsFixture f;
        f.hotKeys.takenElsewhere.insert(*HotkeyManager::openLauncher().defaultShortcut);
        HotkeyManager hotkeys(f.library, f.defaults);
        hotkeys.registerShortcuts();
        ShortcutSettingsView view(f.library, test::appShortcutNames());
        QVERIFY(view.refusalNotes().first()->isHidden());
        QVERIFY(!view.refusalNotes().last()->isHidden());
        QCOMPARE(view.refusalNotes().last()->text(), QStringLiteral("Used by another application"));
        // Other keys: the note goes at once.
        f.library.setShortcut(Shortcut(keys::l, control | option), HotkeyManager::openLauncher());
        QVERIFY(view.refusalNotes().last()->isHidden());
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
