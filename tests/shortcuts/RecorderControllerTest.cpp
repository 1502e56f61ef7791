#include "shortcuts/RecorderController.h"
#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/Localization.h"
#include "shortcuts/SpecialKey.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeyboardLayout.h"
#include "support/FakeRecorderAlerts.h"
#include "support/TestEnvironment.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

using namespace quillet;
using namespace quillet::shortcuts;
using Disposition = RecorderController::Disposition;

Q_DECLARE_METATYPE(quillet::shortcuts::KeyStroke)

namespace {

const Shortcut kFactory(keys::v, command | shift);

KeyStroke stroke(Key key, int modifiers = 0)
{
    return { key.rawValue, modifiers };
}

} // namespace

class RecorderControllerTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Defaults> m_defaults;
    test::FakeHotKeyBackend m_backend;
    test::FakeKeyboardLayout m_layout;
    std::unique_ptr<KeyboardShortcuts> m_library;
    test::FakeRecorderAlerts m_alerts;
    const Name m_name { QStringLiteral("togglePanel"), kFactory };
    std::unique_ptr<RecorderController> m_recorder;
    QList<std::optional<Shortcut>> m_changes;

private Q_SLOTS:
    void init()
    {
        m_recorder.reset();
        m_library.reset();
        const QString path = m_dir.filePath(QStringLiteral("Quillet.conf"));
        QFile::remove(path);
        m_defaults = std::make_unique<Defaults>(path);
        m_backend.grabbed.clear();
        m_backend.takenElsewhere.clear();
        m_library = std::make_unique<KeyboardShortcuts>(*m_defaults, &m_backend, &m_layout);
        m_alerts = test::FakeRecorderAlerts();
        m_changes.clear();
        m_recorder = std::make_unique<RecorderController>(*m_library, m_name, m_alerts);
        m_recorder->setOnChange([this](std::optional<Shortcut> shortcut) { m_changes.append(shortcut); });
    }

    void showsTheStoredShortcutAndFollowsItsChanges()
    {
        QCOMPARE(m_recorder->text(), QStringLiteral("Shift+Super+V"));
        QVERIFY(m_recorder->isCancelButtonVisible());
        QCOMPARE(m_recorder->placeholder(), localized(QStringLiteral("record_shortcut")));

        QSignalSpy text(m_recorder.get(), &RecorderController::textChanged);
        m_library->setShortcut(Shortcut(keys::c, control), m_name);
        QCOMPARE(m_recorder->text(), QStringLiteral("Ctrl+C"));
        m_library->setShortcut(Shortcut(keys::c, control), Name(QStringLiteral("other")));
        m_library->setShortcut(std::nullopt, m_name);
        QCOMPARE(m_recorder->text(), QString());
        QVERIFY(!m_recorder->isCancelButtonVisible());
        QCOMPARE(text.size(), 2);
    }

    void recordingSetsTheLibraryFlag()
    {
        m_recorder->startRecording();
        QVERIFY(m_recorder->isRecording());
        QVERIFY(m_library->isRecorderActive());
        QCOMPARE(m_recorder->placeholder(), localized(QStringLiteral("press_shortcut")));
        m_recorder->stopRecording();
        QVERIFY(!m_library->isRecorderActive());
        QCOMPARE(m_recorder->placeholder(), localized(QStringLiteral("record_shortcut")));
    }

    void combinationsWithoutCommandOptionOrControlBeep_data()
    {
        QTest::addColumn<KeyStroke>("press");
        QTest::newRow("A") << stroke(keys::a);
        QTest::newRow("shift-A") << stroke(keys::a, shift);
        QTest::newRow("function-A") << stroke(keys::a, function);
        QTest::newRow("return") << stroke(keys::returnKey);
        QTest::newRow("shift-escape") << stroke(keys::escape, shift);
    }
    void combinationsWithoutCommandOptionOrControlBeep()
    {
        QFETCH(KeyStroke, press);
        m_recorder->startRecording();
        QCOMPARE(m_recorder->handleKeyPress(press), Disposition::swallow);
        QCOMPARE(m_alerts.beeps, 1);
        QVERIFY(m_recorder->isRecording());
        QCOMPARE(m_library->shortcut(m_name), kFactory);
        QVERIFY(m_changes.isEmpty());
    }

    void acceptedCombinations_data()
    {
        QTest::addColumn<KeyStroke>("press");
        QTest::addColumn<QString>("description");
        QTest::newRow("F5") << stroke(keys::f5) << QStringLiteral("F5");
        QTest::newRow("shift-F5") << stroke(keys::f5, shift) << QStringLiteral("Shift+F5");
        QTest::newRow("control-super-shift-V")
            << stroke(keys::v, control | command | shift) << QStringLiteral("Ctrl+Shift+Super+V");
        QTest::newRow("option-space") << stroke(keys::space, option) << QStringLiteral("Alt+Space");
        QTest::newRow("control-A") << stroke(keys::a, control) << QStringLiteral("Ctrl+A");
        QTest::newRow("lock bits dropped")
            << stroke(keys::b, command | 0x10000 | 0x400) << QStringLiteral("Super+B");
    }
    void acceptedCombinations()
    {
        QFETCH(KeyStroke, press);
        QFETCH(QString, description);
        int runs = 0;
        m_library->onKeyUp(m_name, [&] { ++runs; });
        QSignalSpy released(m_recorder.get(), &RecorderController::focusReleaseRequested);
        m_recorder->startRecording();

        QCOMPARE(m_recorder->handleKeyPress(press), Disposition::swallow);
        const Shortcut expected(press.keyCode, press.modifiers & knownModifiers);
        QCOMPARE(m_recorder->text(), description);
        QCOMPARE(m_library->shortcut(m_name), expected);
        QCOMPARE(m_changes, QList<std::optional<Shortcut>> { expected });
        QVERIFY(!m_recorder->isRecording());
        QVERIFY(!m_library->isRecorderActive());
        QCOMPARE(released.size(), 1);
        QCOMPARE(m_alerts.beeps, 0);
        // The new combination is live once recording ended.
        QVERIFY(m_backend.click(expected));
        QCOMPARE(runs, 1);
    }

    void escapeEndsRecordingAndKeepsTheShortcut()
    {
        m_recorder->startRecording();
        QCOMPARE(m_recorder->handleKeyPress(stroke(keys::escape)), Disposition::swallow);
        QVERIFY(!m_recorder->isRecording());
        QCOMPARE(m_library->shortcut(m_name), kFactory);
        QVERIFY(m_changes.isEmpty());
    }

    void tabEndsRecordingAndMovesOn()
    {
        m_recorder->startRecording();
        QCOMPARE(m_recorder->handleKeyPress(stroke(keys::tab)), Disposition::passOn);
        QVERIFY(!m_recorder->isRecording());
        QCOMPARE(m_library->shortcut(m_name), kFactory);
    }

    void deleteRemovesTheShortcut_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::newRow("delete") << keyCode(SpecialKey::deleteKey);
        QTest::newRow("forward delete") << keyCode(SpecialKey::deleteForward);
    }
    void deleteRemovesTheShortcut()
    {
        QFETCH(int, keyCode);
        m_recorder->startRecording();
        QCOMPARE(m_recorder->handleKeyPress({ keyCode, 0 }), Disposition::swallow);
        QCOMPARE(m_library->shortcut(m_name), std::nullopt);
        QCOMPARE(m_defaults->boolean(m_name.defaultsKey()), false);
        QCOMPARE(m_recorder->text(), QString());
        QCOMPARE(m_changes, QList<std::optional<Shortcut>> { std::nullopt });
    }

    void cancelButtonRemovesTheShortcut()
    {
        m_recorder->clear();
        QCOMPARE(m_defaults->boolean(m_name.defaultsKey()), false);
        QVERIFY(!m_recorder->isCancelButtonVisible());
        QCOMPARE(m_changes, QList<std::optional<Shortcut>> { std::nullopt });
    }

    void menuConflictIsRefused()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("&Quit Quillet"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        m_recorder->setMenu(&menu);
        QSignalSpy focus(m_recorder.get(), &RecorderController::focusRequested);
        m_recorder->startRecording();

        QCOMPARE(m_recorder->handleKeyPress(stroke(keys::q, control)), Disposition::swallow);
        QCOMPARE(m_alerts.alerts.size(), 1);
        QCOMPARE(m_alerts.alerts[0].message,
            localized(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                .arg(QStringLiteral("Quit Quillet")));
        QVERIFY(m_alerts.alerts[0].message.contains(QStringLiteral("Quit Quillet")));
        QCOMPARE(m_library->shortcut(m_name), kFactory);
        QVERIFY(m_changes.isEmpty());
        // Focus comes back so the user can try again.
        QCOMPARE(focus.size(), 1);
        QVERIFY(m_recorder->isRecording());
        QCOMPARE(m_recorder->handleKeyPress(stroke(keys::w, control)), Disposition::swallow);
        QCOMPARE(m_library->shortcut(m_name), Shortcut(keys::w, control));
    }

    void systemConflictIsStoredOnlyWhenForced_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stored");
        QTest::newRow("OK") << 0 << false;
        QTest::newRow("use anyway") << 1 << true;
    }
    void systemConflictIsStoredOnlyWhenForced()
    {
        QFETCH(int, answer);
        QFETCH(bool, stored);
        const Shortcut taken(keys::t, control | option);
        m_backend.takenElsewhere.insert(taken);
        m_alerts.answer = answer;
        m_recorder->startRecording();

        QCOMPARE(m_recorder->handleKeyPress(stroke(keys::t, control | option)), Disposition::swallow);
        QCOMPARE(m_alerts.alerts.size(), 1);
        const auto &alert = m_alerts.alerts[0];
        QCOMPARE(alert.message, localized(QStringLiteral("keyboard_shortcut_used_by_system")));
        QCOMPARE(alert.informativeText, localized(QStringLiteral("keyboard_shortcuts_can_be_changed")));
        QCOMPARE(alert.buttons,
            (QStringList {
                localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut")) }));
        QCOMPARE(m_library->shortcut(m_name), stored ? taken : kFactory);
        QCOMPARE(m_changes.size(), stored ? 1 : 0);
        QCOMPARE(m_recorder->isRecording(), !stored);
    }

    void clicksOutsideTheFieldEndRecording_data()
    {
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<bool>("recording");
        QTest::newRow("inside") << QPointF(50, 10) << true;
        QTest::newRow("just outside, within the slack") << QPointF(132.5, 10) << true;
        QTest::newRow("outside") << QPointF(134, 10) << false;
        QTest::newRow("above") << QPointF(50, -4) << false;
    }
    void clicksOutsideTheFieldEndRecording()
    {
        QFETCH(QPointF, position);
        QFETCH(bool, recording);
        m_recorder->startRecording();
        QCOMPARE(m_recorder->handleMouseUp(position, QRectF(0, 0, 130, 22)), Disposition::passOn);
        QCOMPARE(m_recorder->isRecording(), recording);
    }

    void destroyingARecordingRecorderClearsTheFlag()
    {
        m_recorder->startRecording();
        m_recorder.reset();
        QVERIFY(!m_library->isRecorderActive());
    }
};

QUILLET_TEST_MAIN(RecorderControllerTest)
#include "RecorderControllerTest.moc"
