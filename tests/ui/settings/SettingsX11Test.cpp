#include "platform/keyring/KeyringSecretStore.h"
#include "shortcuts/x11/X11HotKeyBackend.h"
#include "shortcuts/x11/X11KeyMap.h"
#include "shortcuts/x11/X11KeyboardLayout.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "ui/settings/AISettingsView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/ShortcutRecorderField.h"
#include "ui/settings/ShortcutSettingsView.h"

#include <QCoroTask>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#undef KeyPress
#undef KeyRelease

using namespace quillet;
using namespace quillet::shortcuts;

namespace {

// Generous: the X server and xdotool run beside other builds.
constexpr int kTimeout = 20000;

void xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY2(process.waitForFinished(kTimeout), "xdotool did not finish");
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

// The Shortcuts tab on a real X server: a combination typed by an outside
// client is recorded, and works as a hot key at once. The AI tab: a key typed
// there goes to the keyring (started by scripts/with-keyring).
class SettingsX11Test : public QObject {
    Q_OBJECT

    Display *m_display = nullptr;
    std::unique_ptr<test::SettingsFixture> m_fixture;
    std::unique_ptr<x11::X11HotKeyBackend> m_backend;
    std::unique_ptr<x11::X11KeyboardLayout> m_layout;
    std::unique_ptr<KeyboardShortcuts> m_library;
    std::unique_ptr<HotkeyManager> m_hotkeys;
    std::unique_ptr<ShortcutSettingsView> m_view;
    int m_panelToggles = 0;
    int m_launcherOpens = 0;

    ShortcutRecorderField *panelRecorder() const { return m_view->recorders().first(); }

    void startRecording(ShortcutRecorderField *recorder)
    {
        QTest::mouseClick(recorder, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->isRecording(), kTimeout);
        QCOMPARE(QWidget::keyboardGrabber(), recorder);
    }

    // Another hot key pressed and waited for: every key event before it has
    // been handled once it ran.
    void pressSentinel()
    {
        const int before = m_launcherOpens;
        xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+alt+space") });
        QTRY_COMPARE_WITH_TIMEOUT(m_launcherOpens, before + 1, kTimeout);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_display = x11::applicationDisplay();
        QVERIFY2(m_display, "these tests need the xcb platform");
    }

    void init()
    {
        m_fixture = std::make_unique<test::SettingsFixture>();
        m_backend = std::make_unique<x11::X11HotKeyBackend>(m_display);
        m_layout = std::make_unique<x11::X11KeyboardLayout>(m_display);
        m_library = std::make_unique<KeyboardShortcuts>(m_fixture->defaults, m_backend.get(), m_layout.get());
        m_hotkeys = std::make_unique<HotkeyManager>(*m_library, m_fixture->defaults);
        m_panelToggles = m_launcherOpens = 0;
        m_hotkeys->setOnTogglePanel([this] { ++m_panelToggles; });
        m_hotkeys->setOnOpenLauncher([this] { ++m_launcherOpens; });
        m_hotkeys->registerShortcuts();

        Display *display = m_display;
        m_view = std::make_unique<ShortcutSettingsView>(*m_library, test::appShortcutNames(),
            [display](const QKeyEvent &event) { return x11::keyStrokeFromEvent(event, display); });
        m_view->resize(SettingsView::windowWidth, 300);
        m_view->show();
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get(), kTimeout));
    }

    void cleanup()
    {
        m_view.reset();
        m_hotkeys.reset();
        m_library.reset();
        m_backend.reset();
        m_layout.reset();
        m_fixture.reset();
        QProcess::execute(QStringLiteral("xdotool"),
            { QStringLiteral("keyup"), QStringLiteral("ctrl"), QStringLiteral("alt"), QStringLiteral("shift"),
                QStringLiteral("super") });
    }

    void aRecordedShortcutWorksAtOnce()
    {
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        QTRY_COMPARE_WITH_TIMEOUT(m_panelToggles, 1, kTimeout);

        startRecording(panelRecorder());
        // Recording: the typed combination reaches the field, not the old
        // hot key's handler.
        xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+super+shift+k") });
        QTRY_COMPARE_WITH_TIMEOUT(panelRecorder()->text(), QStringLiteral("Ctrl+Shift+Super+K"), kTimeout);
        QVERIFY(!panelRecorder()->isRecording());
        QCOMPARE(
            m_library->shortcut(HotkeyManager::togglePanel()), Shortcut(keys::k, control | shift | command));

        xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+super+shift+k") });
        QTRY_COMPARE_WITH_TIMEOUT(m_panelToggles, 2, kTimeout);
        // The old combination is free again.
        xdotool({ QStringLiteral("key"), QStringLiteral("super+shift+v") });
        pressSentinel();
        QCOMPARE(m_panelToggles, 2);
    }

    void keysAnotherClientGrabbedFirstAreMarkedUntilFreed()
    {
        cleanup();
        Display *other = XOpenDisplay(nullptr);
        QVERIFY(other);
        XGrabKey(other, XKeysymToKeycode(other, XK_space), ControlMask | Mod1Mask, DefaultRootWindow(other),
            False, GrabModeAsync, GrabModeAsync);
        XSync(other, False);
        init(); // Quillet starts after it
        QVERIFY(m_view->refusalNotes().last()->isVisible());

        // Freed, then recorded again: the note goes and the keys work.
        XUngrabKey(other, AnyKey, AnyModifier, DefaultRootWindow(other));
        XCloseDisplay(other);
        startRecording(m_view->recorders().last());
        xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+alt+space") });
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->refusalNotes().last()->isVisible(), kTimeout);
        pressSentinel();
    }

    void aKeyTypedInTheAITabIsKeptInTheKeyringNotTheFile()
    {
        if (qEnvironmentVariable("QUILLET_TEST_KEYRING") != QLatin1String("1"))
            QSKIP("runs only inside scripts/with-keyring");
        KeyringSecretStore keyring(QStringLiteral("QuilletTest"));
        test::SettingsFixture f(&keyring);
        f.apiKey.load();
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        view.show();
        view.activateWindow();
        auto *field = view.findChild<QLineEdit *>(QStringLiteral("apiKey"));
        QTRY_VERIFY_WITH_TIMEOUT(field->isEnabled(), kTimeout);
        field->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(field->hasFocus(), kTimeout);

        xdotool({ QStringLiteral("type"), QStringLiteral("AIzaTypedKey42") });
        QTRY_COMPARE_WITH_TIMEOUT(QCoro::waitFor(keyring.read(ApiKeyStore::secretName)).value,
            QStringLiteral("AIzaTypedKey42"), kTimeout);
        QFile file(f.defaults.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("AIzaTypedKey42"));
    }
};

QUILLET_TEST_MAIN(SettingsX11Test)
#include "SettingsX11Test.moc"
