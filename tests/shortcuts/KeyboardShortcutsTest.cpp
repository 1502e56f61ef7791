#include "shortcuts/KeyboardShortcuts.h"
#include "defaults/Defaults.h"
#include "shortcuts/SpecialKey.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeyboardLayout.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

using namespace quillet;
using namespace quillet::shortcuts;
using quillet::test::FakeHotKeyBackend;
using quillet::test::FakeKeyboardLayout;

Q_DECLARE_METATYPE(quillet::shortcuts::Shortcut)

namespace {

const Shortcut kCommandShiftV(keys::v, command | shift);
const Shortcut kOptionSpace(keys::space, option);
const Shortcut kControlOptionX(keys::x, control | option);

} // namespace

class KeyboardShortcutsTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Defaults> m_defaults;
    FakeHotKeyBackend m_backend;
    FakeKeyboardLayout m_layout;
    std::unique_ptr<KeyboardShortcuts> m_library;

    QString path() const { return m_dir.filePath(QStringLiteral("Quillet.conf")); }

    // A new process: preferences read from the file again, nothing grabbed.
    KeyboardShortcuts &restart()
    {
        m_library.reset();
        m_defaults = std::make_unique<Defaults>(path());
        m_backend.grabbed.clear();
        m_library = std::make_unique<KeyboardShortcuts>(*m_defaults, &m_backend, &m_layout);
        return *m_library;
    }

private Q_SLOTS:
    void init()
    {
        m_library.reset();
        QFile::remove(path());
        m_backend.takenElsewhere.clear();
        m_backend.grabCalls = 0;
        m_layout = FakeKeyboardLayout();
        restart();
    }

    void description_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("expected");
        QTest::newRow("command-shift-V") << kCommandShiftV << QStringLiteral("Shift+Super+V");
        QTest::newRow("all four and space") << Shortcut(keys::space, control | option | command | shift)
                                            << QStringLiteral("Ctrl+Alt+Shift+Super+Space");
        QTest::newRow("option-F5") << Shortcut(keys::f5, option) << QStringLiteral("Alt+F5");
        QTest::newRow("F5 alone") << Shortcut(keys::f5, 0) << QStringLiteral("F5");
        QTest::newRow("function") << Shortcut(keys::a, function | command) << QStringLiteral("Super+Fn+A");
        QTest::newRow("digit") << Shortcut(keys::one, control) << QStringLiteral("Ctrl+1");
        QTest::newRow("unknown key") << Shortcut(93, command) << QStringLiteral("Super+\uFFFD");
    }
    void description()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, expected);
        QCOMPARE(m_library->description(shortcut), expected);
    }

    void keysTypingNoSingleCharacterDescribeAsReplacement_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("two characters") << QStringLiteral("ab");
        QTest::newRow("nothing") << QString();
        QTest::newRow("one astral character") << QStringLiteral("\U0001D11E");
    }
    void keysTypingNoSingleCharacterDescribeAsReplacement()
    {
        QFETCH(QString, typed);
        m_layout.characters.insert(keys::v.rawValue, typed);
        const QString expected = typed.toUcs4().size() == 1 ? typed : QStringLiteral("\uFFFD");
        QCOMPARE(m_library->description(kCommandShiftV), QStringLiteral("Shift+Super+") + expected);
    }

    void noLayoutDescribesAsReplacement()
    {
        m_layout.available = false;
        QCOMPARE(m_library->description(kCommandShiftV), QStringLiteral("Shift+Super+\uFFFD"));
        QCOMPARE(m_library->layoutCharacter(keys::v.rawValue), std::nullopt);
        // Special keys need no layout.
        QCOMPARE(m_library->description(Shortcut(keys::escape, command)), QStringLiteral("Super+Escape"));
    }

    void modifierConversionDropsUnknownBits()
    {
        QCOMPARE(modifiersFromQt(Qt::MetaModifier | Qt::ShiftModifier | Qt::KeypadModifier), command | shift);
        QCOMPARE(qtModifiers(control | option | 0x4), Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(Shortcut(keys::v, command | 0x80000 | 0x1).carbonModifiers, int(command));
        QCOMPARE(Shortcut(keys::v, Qt::KeyboardModifiers(Qt::AltModifier)).carbonModifiers, int(option));
    }

    void storedFormIsJsonAndSurvivesARestart()
    {
        const Name name(QStringLiteral("togglePanel"));
        m_library->setShortcut(kCommandShiftV, name);
        const auto stored
            = Shortcut::fromJson(m_defaults->string(QStringLiteral("KeyboardShortcuts_togglePanel")));
        QCOMPARE(stored, kCommandShiftV);
        QVERIFY(m_defaults->string(QStringLiteral("KeyboardShortcuts_togglePanel"))
                    .contains(QStringLiteral("\"carbonModifiers\":768")));
        QCOMPARE(restart().shortcut(name), kCommandShiftV);
    }

    void valuesThatAreNoShortcutReadAsNone_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("text") << QStringLiteral("hello");
        QTest::newRow("empty object") << QStringLiteral("{}");
        QTest::newRow("array") << QStringLiteral("[9,768]");
        QTest::newRow("string member") << QStringLiteral("{\"carbonKeyCode\":\"9\",\"carbonModifiers\":768}");
        QTest::newRow("fraction") << QStringLiteral("{\"carbonKeyCode\":9.5,\"carbonModifiers\":768}");
        QTest::newRow("missing member") << QStringLiteral("{\"carbonKeyCode\":9}");
        QTest::newRow("out of range") << QStringLiteral("{\"carbonKeyCode\":1e12,\"carbonModifiers\":768}");
        QTest::newRow("truncated") << QStringLiteral("{\"carbonKeyCode\":9,");
        QTest::newRow("empty") << QString();
    }
    void valuesThatAreNoShortcutReadAsNone()
    {
        QFETCH(QString, stored);
        m_defaults->setString(QStringLiteral("KeyboardShortcuts_broken"), stored);
        const Name name(QStringLiteral("broken"), kCommandShiftV);
        int runs = 0;
        m_library->onKeyUp(name, [&] { ++runs; });
        QCOMPARE(m_library->shortcut(name), std::nullopt);
        QVERIFY(m_library->hasStoredValue(name));
        QVERIFY(m_backend.grabbed.isEmpty());
    }

    void factoryShortcutIsStoredOnFirstUse()
    {
        const Name name(QStringLiteral("togglePanel"), kCommandShiftV);
        QVERIFY(!m_defaults->contains(name.defaultsKey()));
        QVERIFY(m_library->hasStoredValue(name));
        QCOMPARE(Shortcut::fromJson(m_defaults->string(name.defaultsKey())), kCommandShiftV);
    }

    void removedFactoryShortcutStaysRemovedUntilReset()
    {
        const Name name(QStringLiteral("togglePanel"), kCommandShiftV);
        int runs = 0;
        m_library->onKeyUp(name, [&] { ++runs; });
        QVERIFY(m_backend.isGrabbed(kCommandShiftV));

        m_library->setShortcut(std::nullopt, name);
        QCOMPARE(m_defaults->boolean(name.defaultsKey()), false);
        QVERIFY(!m_backend.isGrabbed(kCommandShiftV));

        KeyboardShortcuts &library = restart();
        library.onKeyUp(name, [&] { ++runs; });
        QCOMPARE(library.shortcut(name), std::nullopt);
        QVERIFY(m_backend.grabbed.isEmpty());

        library.reset({ name });
        QCOMPARE(library.shortcut(name), kCommandShiftV);
        QVERIFY(m_backend.click(kCommandShiftV));
        QCOMPARE(runs, 1);
    }

    void removingAShortcutWithoutFactoryRemovesTheKey()
    {
        const Name name(QStringLiteral("aiPrompt-X"));
        m_library->setShortcut(kControlOptionX, name);
        QSignalSpy changed(m_library.get(), &KeyboardShortcuts::shortcutByNameDidChange);
        m_library->setShortcut(std::nullopt, name);
        QVERIFY(!m_defaults->contains(name.defaultsKey()));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).value<Name>().rawValue, name.rawValue);
        // Removing what is not there changes nothing and says nothing.
        m_library->setShortcut(std::nullopt, name);
        QCOMPARE(changed.size(), 1);
    }

    void twoNamesOnOneCombinationShareOneHotKey()
    {
        const Name first(QStringLiteral("first"));
        const Name second(QStringLiteral("second"));
        QStringList runs;
        m_library->onKeyUp(first, [&] { runs << QStringLiteral("first"); });
        m_library->onKeyUp(second, [&] { runs << QStringLiteral("second"); });
        m_library->setShortcut(kControlOptionX, first);
        m_library->setShortcut(kControlOptionX, second);
        QCOMPARE(m_backend.grabbed.size(), 1);
        QCOMPARE(m_backend.grabCalls, 1);

        QVERIFY(m_backend.click(kControlOptionX));
        runs.sort();
        QCOMPARE(runs, (QStringList { QStringLiteral("first"), QStringLiteral("second") }));

        // Moving one name away keeps the other's hot key.
        runs.clear();
        m_library->setShortcut(kCommandShiftV, first);
        QVERIFY(m_backend.click(kControlOptionX));
        QVERIFY(m_backend.click(kCommandShiftV));
        QCOMPARE(runs, (QStringList { QStringLiteral("second"), QStringLiteral("first") }));
    }

    void handlersRunInOrderOnTheirEdge()
    {
        const Name name(QStringLiteral("name"), kOptionSpace);
        QStringList runs;
        m_library->onKeyDown(name, [&] { runs << QStringLiteral("down"); });
        m_library->onKeyUp(name, [&] { runs << QStringLiteral("up 1"); });
        m_library->onKeyUp(name, [&] { runs << QStringLiteral("up 2"); });
        QVERIFY(m_backend.press(kOptionSpace));
        QCOMPARE(runs, QStringList { QStringLiteral("down") });
        QVERIFY(m_backend.release(kOptionSpace));
        QCOMPARE(
            runs, (QStringList { QStringLiteral("down"), QStringLiteral("up 1"), QStringLiteral("up 2") }));
    }

    void removedHandlersReleaseTheirHotKeys()
    {
        const Name first(QStringLiteral("first"), kOptionSpace);
        const Name second(QStringLiteral("second"), kCommandShiftV);
        int runs = 0;
        m_library->onKeyUp(first, [&] { ++runs; });
        m_library->onKeyUp(second, [&] { ++runs; });
        QCOMPARE(m_backend.grabbed.size(), 2);

        m_library->removeHandler(first);
        QVERIFY(!m_backend.isGrabbed(kOptionSpace));
        QVERIFY(m_backend.isGrabbed(kCommandShiftV));

        m_library->removeAllHandlers();
        QVERIFY(m_backend.grabbed.isEmpty());
        QVERIFY(!m_backend.click(kCommandShiftV));
        QCOMPARE(runs, 0);
        // The stored combinations stay.
        QCOMPARE(m_library->shortcut(second), kCommandShiftV);
    }

    void handlerMayRemoveItselfWhileRunning()
    {
        const Name name(QStringLiteral("name"), kOptionSpace);
        int runs = 0;
        m_library->onKeyUp(name, [&] {
            ++runs;
            m_library->removeHandler(name);
        });
        QVERIFY(m_backend.click(kOptionSpace));
        QVERIFY(!m_backend.click(kOptionSpace));
        QCOMPARE(runs, 1);
    }

    void refusedGrabIsReportedAndTriedAgainOnResuming()
    {
        m_backend.takenElsewhere.insert(kControlOptionX);
        const Name name(QStringLiteral("name"));
        int runs = 0;
        m_library->onKeyUp(name, [&] { ++runs; });
        QSignalSpy refusals(m_library.get(), &KeyboardShortcuts::grabRefusalsChanged);
        test::StdoutCapture capture;
        m_library->setShortcut(kControlOptionX, name);
        QCOMPARE(capture.text(), QStringLiteral("Error registering hotkey Ctrl+Alt+X: 10\n").toUtf8());
        QVERIFY(m_backend.grabbed.isEmpty());
        QVERIFY(m_library->isSystemShortcut(kControlOptionX));
        QVERIFY(!m_library->isSystemShortcut(kCommandShiftV));
        QVERIFY(m_library->isGrabRefused(name));
        QCOMPARE(m_library->namesWithRefusedGrabs(), QList<Name> { name });
        QCOMPARE(refusals.size(), 1);

        // The other program let go; recording (or enabling) grabs again.
        m_backend.takenElsewhere.clear();
        m_library->setRecorderActive(true);
        m_library->setRecorderActive(false);
        QVERIFY(!m_library->isGrabRefused(name));
        QCOMPARE(refusals.size(), 2);
        QVERIFY(m_backend.click(kControlOptionX));
        QCOMPARE(runs, 1);
    }

    void disablingSuspendsHotKeys()
    {
        const Name name(QStringLiteral("name"), kOptionSpace);
        int runs = 0;
        m_library->onKeyUp(name, [&] { ++runs; });
        QSignalSpy enabled(m_library.get(), &KeyboardShortcuts::enabledChanged);

        m_library->setEnabled(false);
        QVERIFY(!m_backend.isGrabbed(kOptionSpace));
        // Set while disabled: remembered, grabbed on enabling.
        m_library->setShortcut(kCommandShiftV, name);
        QVERIFY(m_backend.grabbed.isEmpty());

        m_library->setEnabled(true);
        m_library->setEnabled(true);
        QCOMPARE(enabled.size(), 2);
        QVERIFY(m_backend.click(kCommandShiftV));
        QVERIFY(!m_backend.isGrabbed(kOptionSpace));
        QCOMPARE(runs, 1);
    }

    void recordingSilencesHandlers()
    {
        const Name name(QStringLiteral("name"), kOptionSpace);
        int runs = 0;
        m_library->onKeyUp(name, [&] { ++runs; });
        QSignalSpy active(m_library.get(), &KeyboardShortcuts::recorderActiveStatusDidChange);
        const quint32 id = m_backend.grabbed.keys().value(0);
        QVERIFY(id != 0);

        m_library->setRecorderActive(true);
        // An event already on its way when recording began runs nothing.
        Q_EMIT m_backend.released(id);
        QVERIFY(!m_backend.isGrabbed(kOptionSpace));
        m_library->setRecorderActive(false);

        QCOMPARE(runs, 0);
        QCOMPARE(active.size(), 2);
        QCOMPARE(active.at(0).at(0).toBool(), true);
        QCOMPARE(active.at(1).at(0).toBool(), false);
        QVERIFY(m_backend.click(kOptionSpace));
        QCOMPARE(runs, 1);
    }

    void matchingMenuItem()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Settings…"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QMenu *history = menu.addMenu(QStringLiteral("History"));
        QAction *clear = history->addAction(QStringLiteral("Clear"));
        clear->setShortcut(QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_V));
        QAction *refresh = history->addAction(QStringLiteral("Refresh"));
        refresh->setShortcut(QKeySequence(Qt::Key_F5));
        QAction *quit = menu.addAction(QStringLiteral("&Quit"));
        quit->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::META | Qt::Key_Q) });

        QCOMPARE(m_library->matchingMenuItem(&menu, kCommandShiftV), clear);
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::q, command)), quit);
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::q, control)), quit);
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::f5, 0)), refresh);
        QVERIFY(m_library->matchingMenuItem(&menu, Shortcut(keys::comma, control)));
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::v, command)), nullptr);
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::f5, shift)), nullptr);
        QCOMPARE(m_library->matchingMenuItem(&menu, Shortcut(keys::q, control | option)), nullptr);
        QCOMPARE(m_library->matchingMenuItem(nullptr, kCommandShiftV), nullptr);
    }
};

QUILLET_TEST_MAIN(KeyboardShortcutsTest)
#include "KeyboardShortcutsTest.moc"
