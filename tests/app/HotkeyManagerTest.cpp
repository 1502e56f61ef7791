#include "app/HotkeyManager.h"
#include "defaults/Defaults.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FakeKeyboardLayout.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

#include <memory>

using namespace quillet;
using namespace quillet::shortcuts;

namespace {

const Shortcut kCommandShiftV(keys::v, command | shift);
const Shortcut kOptionSpace(keys::space, option);
const Shortcut kControlOptionSpace(keys::space, control | option);

} // namespace

class HotkeyManagerTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<Defaults> m_defaults;
    test::FakeHotKeyBackend m_backend;
    test::FakeKeyboardLayout m_layout;
    std::unique_ptr<KeyboardShortcuts> m_library;
    std::unique_ptr<HotkeyManager> m_manager;

    QString path() const { return m_dir.filePath(QStringLiteral("Quillet.conf")); }

    // A new run of Quillet on the same preferences.
    HotkeyManager &start()
    {
        m_manager.reset();
        m_library.reset();
        m_defaults = std::make_unique<Defaults>(path());
        m_backend.grabbed.clear();
        m_library = std::make_unique<KeyboardShortcuts>(*m_defaults, &m_backend, &m_layout);
        m_manager = std::make_unique<HotkeyManager>(*m_library, *m_defaults);
        return *m_manager;
    }

private Q_SLOTS:
    void init()
    {
        m_manager.reset();
        m_library.reset();
        QFile::remove(path());
    }

    void firstStartResetsTheLauncherOnce()
    {
        // A launcher shortcut left from before the launcher had its factory one.
        {
            Defaults defaults(path());
            defaults.setString(
                HotkeyManager::openLauncher().defaultsKey(), Shortcut(keys::l, control).toJson());
        }
        HotkeyManager &manager = start();
        manager.registerShortcuts();
        QCOMPARE(m_library->shortcut(HotkeyManager::openLauncher()), kControlOptionSpace);
        QCOMPARE(m_defaults->boolean(QStringLiteral("launcherShortcutInitialized")), true);
        for (const Name &name : HotkeyManager::names()) {
            QCOMPARE(m_library->shortcut(name), name.defaultShortcut);
            QVERIFY(m_backend.isGrabbed(*name.defaultShortcut));
        }

        // The user changes it; later starts keep the change.
        m_library->setShortcut(Shortcut(keys::l, control), HotkeyManager::openLauncher());
        start().registerShortcuts();
        QCOMPARE(m_library->shortcut(HotkeyManager::openLauncher()), Shortcut(keys::l, control));
    }

    void theOldAltSpaceDefaultMovesOnceToCtrlAltSpace()
    {
        // A user of an earlier Quillet, still on its factory Alt+Space.
        {
            Defaults defaults(path());
            defaults.setBool(QStringLiteral("launcherShortcutInitialized"), true);
            defaults.setString(HotkeyManager::openLauncher().defaultsKey(), kOptionSpace.toJson());
        }
        start().registerShortcuts();
        QCOMPARE(m_library->shortcut(HotkeyManager::openLauncher()), kControlOptionSpace);
        QVERIFY(!m_backend.isGrabbed(kOptionSpace));
        // Chosen again on purpose, it stays.
        m_library->setShortcut(kOptionSpace, HotkeyManager::openLauncher());
        start().registerShortcuts();
        QCOMPARE(m_library->shortcut(HotkeyManager::openLauncher()), kOptionSpace);
    }

    void clearedLauncherShortcutStaysClearedAfterARestart()
    {
        start().registerShortcuts();
        m_library->setShortcut(std::nullopt, HotkeyManager::openLauncher());
        start().registerShortcuts();
        QCOMPARE(m_library->shortcut(HotkeyManager::openLauncher()), std::nullopt);
        QVERIFY(!m_backend.isGrabbed(kControlOptionSpace));
    }

    void callbacksRunOnReleaseAfterTheKeyEvent()
    {
        HotkeyManager &manager = start();
        QStringList runs;
        manager.setOnTogglePanel([&] { runs << QStringLiteral("toggle"); });
        manager.setOnOpenLauncher([&] { runs << QStringLiteral("launcher"); });
        manager.registerShortcuts();

        QVERIFY(m_backend.press(kCommandShiftV));
        QVERIFY(m_backend.release(kCommandShiftV));
        QVERIFY(runs.isEmpty());
        QTRY_COMPARE(runs, QStringList { QStringLiteral("toggle") });

        // Absent callbacks are skipped; callbacks set after registering are used.
        QVERIFY(m_backend.click(Shortcut(keys::c, command | shift)));
        QCoreApplication::processEvents();
        QCOMPARE(runs.size(), 1);
        manager.setOnOpenHistory([&] { runs << QStringLiteral("history"); });
        QVERIFY(m_backend.click(Shortcut(keys::c, command | shift)));
        QVERIFY(m_backend.click(kControlOptionSpace));
        QTRY_COMPARE(runs.size(), 3);
        QCOMPARE(runs,
            (QStringList {
                QStringLiteral("toggle"), QStringLiteral("history"), QStringLiteral("launcher") }));
    }

    void nothingRunsOnceTheManagerIsGone()
    {
        HotkeyManager &manager = start();
        int runs = 0;
        manager.setOnTogglePanel([&] { ++runs; });
        manager.registerShortcuts();
        QVERIFY(m_backend.click(kCommandShiftV));
        m_manager.reset();
        QVERIFY(m_backend.click(kCommandShiftV));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
    }

    void savedPromptShortcuts()
    {
        HotkeyManager &manager = start();
        SavedPrompt first;
        first.id = QUuid::createUuid();
        first.name = QStringLiteral("Pirate");
        SavedPrompt second;
        second.id = QUuid::createUuid();
        second.name = QStringLiteral("Haiku");
        QList<QUuid> fired;
        manager.registerSavedPromptShortcut(first, [&](const QUuid &id) { fired.append(id); });
        manager.registerSavedPromptShortcut(second, [&](const QUuid &id) { fired.append(id); });

        const Name name = HotkeyManager::promptName(first);
        QCOMPARE(name.rawValue.size(), 45);
        QCOMPARE(
            name.rawValue, QStringLiteral("aiPrompt-") + first.id.toString(QUuid::WithoutBraces).toUpper());
        QVERIFY(!name.defaultShortcut);
        // Nothing is bound until the user records a combination.
        QVERIFY(m_backend.grabbed.isEmpty());

        m_library->setShortcut(Shortcut(keys::p, control | option), name);
        QVERIFY(m_backend.click(Shortcut(keys::p, control | option)));
        QTRY_COMPARE(fired.size(), 1);
        QCOMPARE(fired[0], first.id);

        // Registering again replaces the handler; forgetting drops it and its keys.
        manager.registerSavedPromptShortcut(first, [&](const QUuid &id) { fired.append(id); });
        QVERIFY(m_backend.click(Shortcut(keys::p, control | option)));
        QTRY_COMPARE(fired.size(), 2);
        manager.forgetSavedPromptShortcut(first);
        QVERIFY(!m_library->shortcut(name));
        QVERIFY(!m_backend.click(Shortcut(keys::p, control | option)));
    }

    void builtInPromptShortcuts()
    {
        HotkeyManager &manager = start();
        QList<TextPrompt> fired;
        manager.registerBuiltInPromptShortcuts([&](const TextPrompt &p) { fired.append(p); });
        const TextPrompt &summarize = builtInPrompts().at(5);
        const Name name = HotkeyManager::promptName(summarize);
        QCOMPARE(name.rawValue, QStringLiteral("aiBuiltIn-") + summarize.id);

        m_library->setShortcut(Shortcut(keys::s, control | option), name);
        QVERIFY(m_backend.click(Shortcut(keys::s, control | option)));
        QTRY_COMPARE(fired.size(), 1);
        QCOMPARE(fired[0], summarize);
    }
};

QUILLET_TEST_MAIN(HotkeyManagerTest)
#include "HotkeyManagerTest.moc"
