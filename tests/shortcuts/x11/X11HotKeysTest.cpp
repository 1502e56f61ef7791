#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/RecorderController.h"
#include "shortcuts/SpecialKey.h"
#include "shortcuts/x11/X11HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"
#include "shortcuts/x11/X11KeyboardLayout.h"
#include "support/FakeRecorderAlerts.h"
#include "support/StdoutCapture.h"
#include "support/TestEnvironment.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

// Xlib names event types after Qt's.
#undef KeyPress
#undef KeyRelease

#include <memory>

using namespace quillet;
using namespace quillet::shortcuts;

Q_DECLARE_METATYPE(std::optional<quillet::shortcuts::KeyStroke>)

namespace {

// Generous: the X server and xdotool run beside other builds.
constexpr int kTimeout = 20000;

const Shortcut kSuperShiftV(keys::v, command | shift);
const Shortcut kSuperShiftB(keys::b, command | shift);
const Shortcut kControlAltX(keys::x, control | option);

void xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY2(process.waitForFinished(kTimeout), "xdotool did not finish");
    QCOMPARE(process.exitCode(), 0);
}

// Counts the key presses of one X key code that reach this process, before
// the hot-key backend sees them (filters installed later run first).
class PressCounter final : public QAbstractNativeEventFilter {
public:
    explicit PressCounter(unsigned int keyCode)
        : m_keyCode(keyCode)
    {
        QCoreApplication::eventDispatcher()->installNativeEventFilter(this);
    }
    ~PressCounter() override { QCoreApplication::eventDispatcher()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS
            && static_cast<const xcb_key_press_event_t *>(message)->detail == m_keyCode)
            ++presses;
        return false;
    }

    int presses = 0;

private:
    unsigned int m_keyCode;
};

// A window that keeps the key events it receives.
class KeyWindow final : public QWidget {
public:
    std::vector<std::unique_ptr<QKeyEvent>> presses;
    std::vector<std::unique_ptr<QKeyEvent>> releases;

protected:
    void keyPressEvent(QKeyEvent *event) override { presses.emplace_back(event->clone()); }
    void keyReleaseEvent(QKeyEvent *event) override { releases.emplace_back(event->clone()); }
};

} // namespace

class X11HotKeysTest : public QObject {
    Q_OBJECT
private:
    Display *m_display = nullptr;
    QTemporaryDir m_dir;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<x11::X11HotKeyBackend> m_backend;
    std::unique_ptr<x11::X11KeyboardLayout> m_layout;
    std::unique_ptr<KeyboardShortcuts> m_library;
    const Name m_paste { QStringLiteral("paste"), kSuperShiftV };
    const Name m_sentinel { QStringLiteral("sentinel"), kSuperShiftB };
    int m_downs = 0;
    int m_ups = 0;
    int m_sentinels = 0;

    unsigned int xKeyCode(unsigned long keysym) const { return XKeysymToKeycode(m_display, keysym); }

    // A press of another hot key, waited for: every key event before it has
    // been handled once it runs, so the counts can be read.
    void pressSentinel()
    {
        const int before = m_sentinels;
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+b") });
        QTRY_COMPARE_WITH_TIMEOUT(m_sentinels, before + 1, kTimeout);
    }

    unsigned int lockedModifiers() const
    {
        XkbStateRec state;
        XkbGetState(m_display, XkbUseCoreKbd, &state);
        return state.locked_mods;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_display = x11::applicationDisplay();
        QVERIFY2(m_display, "these tests need the xcb platform");
        // Server-side auto-repeat is what a held key does on a real desktop.
        XAutoRepeatOn(m_display);
        XSync(m_display, False);
    }

    void init()
    {
        m_library.reset();
        m_backend.reset();
        const QString path = m_dir.filePath(QStringLiteral("Quillet.conf"));
        QFile::remove(path);
        m_defaults = std::make_unique<Defaults>(path);
        m_backend = std::make_unique<x11::X11HotKeyBackend>(m_display);
        m_layout = std::make_unique<x11::X11KeyboardLayout>(m_display);
        m_library = std::make_unique<KeyboardShortcuts>(*m_defaults, m_backend.get(), m_layout.get());
        m_downs = m_ups = m_sentinels = 0;
        m_library->onKeyDown(m_paste, [this] { ++m_downs; });
        m_library->onKeyUp(m_paste, [this] { ++m_ups; });
        m_library->onKeyUp(m_sentinel, [this] { ++m_sentinels; });
    }

    // A failed test may leave keys down or NumLock on; the next test starts
    // from a released keyboard.
    void cleanup()
    {
        m_library.reset();
        m_backend.reset();
        QProcess::execute(QStringLiteral("xdotool"),
            { QStringLiteral("keyup"), QStringLiteral("v"), QStringLiteral("b"), QStringLiteral("shift"),
                QStringLiteral("super") });
        const unsigned int numLock = x11::modifierMasks(m_display).numLock;
        if (lockedModifiers() & numLock) {
            QProcess::execute(
                QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Num_Lock") });
            QTRY_VERIFY_WITH_TIMEOUT(!(lockedModifiers() & numLock), kTimeout);
        }
    }

    void tapRunsTheKeyUpHandlerOnce()
    {
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_ups, 1, kTimeout);
        pressSentinel();
        QCOMPARE(m_downs, 1);
        QCOMPARE(m_ups, 1);
    }

    void heldKeyRunsOnceThoughItRepeats()
    {
        PressCounter counter(xKeyCode(XK_v));
        xdotool({ QStringLiteral("keydown"), QStringLiteral("super+shift+v") });
        // The server repeats the held key; wait until it has, several times.
        QTRY_VERIFY_WITH_TIMEOUT(counter.presses >= 4, kTimeout);
        QCOMPARE(m_ups, 0);
        xdotool({ QStringLiteral("keyup"), QStringLiteral("v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_ups, 1, kTimeout);
        xdotool({ QStringLiteral("keyup"), QStringLiteral("shift+super") });
        pressSentinel();
        QCOMPARE(m_downs, 1);
        QCOMPARE(m_ups, 1);
    }

    void numLockDoesNotMatter()
    {
        const unsigned int numLock = x11::modifierMasks(m_display).numLock;
        QVERIFY(!(lockedModifiers() & numLock));
        xdotool({ QStringLiteral("key"), QStringLiteral("Num_Lock") });
        QTRY_VERIFY_WITH_TIMEOUT(lockedModifiers() & numLock, kTimeout);
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_ups, 1, kTimeout);
        xdotool({ QStringLiteral("key"), QStringLiteral("Num_Lock") });
        QTRY_VERIFY_WITH_TIMEOUT(!(lockedModifiers() & numLock), kTimeout);
    }

    void nothingFiresAfterTheHandlerIsRemoved()
    {
        m_library->removeHandler(m_paste);
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        pressSentinel();
        QCOMPARE(m_downs, 0);
        QCOMPARE(m_ups, 0);

        // The grab is gone: another client can have the combination now.
        Display *other = XOpenDisplay(nullptr);
        QVERIFY(other);
        QVERIFY(!m_library->isSystemShortcut(kSuperShiftV));
        XCloseDisplay(other);
    }

    void combinationGrabbedByAnotherClientIsUsedBySystem()
    {
        Display *other = XOpenDisplay(nullptr);
        QVERIFY(other);
        const auto masks = x11::modifierMasks(other);
        XGrabKey(other, int(XKeysymToKeycode(other, XK_x)), ControlMask | masks.alt, DefaultRootWindow(other),
            False, GrabModeAsync, GrabModeAsync);
        XSync(other, False);

        QVERIFY(m_library->isSystemShortcut(kControlAltX));
        // Our own hot key and a free combination are not the system's.
        QVERIFY(!m_library->isSystemShortcut(kSuperShiftV));
        QVERIFY(!m_library->isSystemShortcut(Shortcut(keys::y, control | option)));

        QByteArray output;
        {
            test::StdoutCapture capture;
            m_library->setShortcut(kControlAltX, m_paste);
            output = capture.text();
        }
        QCOMPARE(output, QStringLiteral("Error registering hotkey Ctrl+Alt+X: %1\n").arg(BadAccess).toUtf8());
        XCloseDisplay(other);

        // Nothing of the refused grab stayed behind: the key is free again.
        QVERIFY(!m_library->isSystemShortcut(kControlAltX));
    }

    void recordingLetsTheKeyReachTheRecorderAndRunsNoHandler()
    {
        test::FakeRecorderAlerts alerts;
        const Name edited(QStringLiteral("edited"));
        RecorderController recorder(*m_library, edited, alerts);

        KeyWindow window;
        window.resize(200, 40);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window, kTimeout));
        recorder.startRecording();

        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_VERIFY_WITH_TIMEOUT(
            !window.releases.empty() && window.releases.back()->nativeScanCode() == xKeyCode(XK_v), kTimeout);
        QCOMPARE(m_downs, 0);
        QCOMPARE(m_ups, 0);

        const QKeyEvent *press = nullptr;
        for (const auto &event : window.presses) {
            if (event->nativeScanCode() == xKeyCode(XK_v))
                press = event.get();
        }
        QVERIFY(press);
        const auto stroke = x11::keyStrokeFromEvent(*press, m_display);
        QVERIFY(stroke);
        QCOMPARE(recorder.handleKeyPress(*stroke), RecorderController::Disposition::swallow);
        QCOMPARE(m_library->shortcut(edited), kSuperShiftV);
        QCOMPARE(recorder.text(), QStringLiteral("Shift+Super+V"));
        QVERIFY(!recorder.isRecording());

        // Recording over: the hot key works again, for both names.
        int editedRuns = 0;
        m_library->onKeyUp(edited, [&] { ++editedRuns; });
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_ups, 1, kTimeout);
        QCOMPARE(editedRuns, 1);
    }

    void hotKeysWorkWhileOurMenuIsOpen()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Quit"));
        menu.popup(QPoint(100, 100));
        QVERIFY(QTest::qWaitForWindowExposed(&menu, kTimeout));
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() == &menu, kTimeout);
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_ups, 1, kTimeout);
        QVERIFY(menu.isVisible());
        menu.close();
    }

    void disablingReleasesTheGrabs()
    {
        m_library->setEnabled(false);
        QVERIFY(!m_library->isSystemShortcut(kSuperShiftV));
        Display *other = XOpenDisplay(nullptr);
        QVERIFY(other);
        XGrabKey(other, int(XKeysymToKeycode(other, XK_v)), ShiftMask | x11::modifierMasks(other).super,
            DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
        XSync(other, False);
        // Someone took it meanwhile: enabling reports it, the rest still works.
        QByteArray output;
        {
            test::StdoutCapture capture;
            m_library->setEnabled(true);
            output = capture.text();
        }
        QCOMPARE(
            output, QStringLiteral("Error registering hotkey Shift+Super+V: %1\n").arg(BadAccess).toUtf8());
        XCloseDisplay(other);
        pressSentinel();
    }

    void layoutCharacters()
    {
        QCOMPARE(m_library->layoutCharacter(keys::v.rawValue), QStringLiteral("v"));
        QCOMPARE(m_library->layoutCharacter(keys::one.rawValue), QStringLiteral("1"));
        QCOMPARE(m_library->layoutCharacter(keys::slash.rawValue), QStringLiteral("/"));
        QCOMPARE(m_library->description(kSuperShiftV), QStringLiteral("Shift+Super+V"));
    }

    void everyKeyCodeHasAKeysymAndBack()
    {
        for (int code = 0; code < 128; ++code) {
            const auto keysym = x11::keysymForKeyCode(code);
            if (!keysym)
                continue;
            QCOMPARE(x11::keyCodeForKeysym(*keysym), code);
        }
        for (const SpecialKey key : allSpecialKeys())
            QVERIFY2(x11::keysymForKeyCode(keyCode(key)), qPrintable(QString::number(keyCode(key))));
        QCOMPARE(x11::keyCodeForKeysym(XK_V), keys::v.rawValue);
        QCOMPARE(x11::keyCodeForKeysym(XK_ISO_Left_Tab), keys::tab.rawValue);
        QCOMPARE(x11::keyCodeForKeysym(XK_Super_L), std::nullopt);
    }

    void keyEventsInTheStoredEncoding_data()
    {
        const auto masks = x11::modifierMasks(x11::applicationDisplay());
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<quint32>("eventKeysym");
        QTest::addColumn<quint32>("state");
        QTest::addColumn<std::optional<KeyStroke>>("expected");
        const auto row = [](const char *name, quint32 keysym, quint32 eventKeysym, quint32 state,
                             std::optional<KeyStroke> expected) {
            QTest::newRow(name) << keysym << eventKeysym << state << expected;
        };
        row("super-shift-V", XK_v, XK_V, ShiftMask | masks.super,
            KeyStroke { keys::v.rawValue, command | shift });
        row("control-alt with locks", XK_x, XK_x, ControlMask | masks.alt | LockMask | masks.numLock,
            KeyStroke { keys::x.rawValue, control | option });
        row("shifted digit", XK_1, XK_exclam, ShiftMask, KeyStroke { keys::one.rawValue, shift });
        row("keypad without NumLock", XK_KP_7, XK_KP_Home, ControlMask, KeyStroke { 89, control });
        row("F5", XK_F5, XK_F5, 0, KeyStroke { keys::f5.rawValue, 0 });
        row("super alone", XK_Super_L, XK_Super_L, 0, std::nullopt);
    }
    void keyEventsInTheStoredEncoding()
    {
        QFETCH(quint32, keysym);
        QFETCH(quint32, eventKeysym);
        QFETCH(quint32, state);
        QFETCH(std::optional<KeyStroke>, expected);
        const QKeyEvent event(
            QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, xKeyCode(keysym), eventKeysym, state);
        const auto stroke = x11::keyStrokeFromEvent(event, m_display);
        QCOMPARE(stroke.has_value(), expected.has_value());
        if (expected) {
            QCOMPARE(stroke->keyCode, expected->keyCode);
            QCOMPARE(stroke->modifiers, expected->modifiers);
        }
    }
};

QUILLET_TEST_MAIN(X11HotKeysTest)
#include "X11HotKeysTest.moc"
