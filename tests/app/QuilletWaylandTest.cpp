#include "app/DesktopSession.h"
#include "app/QuilletApp.h"
#include "core/Clock.h"
#include "defaults/Defaults.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "store/Store.h"
#include "support/FakeGlobalShortcutsPortal.h"
#include "support/PrivateSessionBus.h"
#include "support/TestEnvironment.h"
#include "ui/common/FloatingWindow.h"

#include "../platform/wayland/WaylandTestTools.h"

#include <QTemporaryDir>

using namespace quillet;
using test::waitUntil;

// Quillet running for real on a headless sway, and on a headless KWin (whose
// permission checks are off: on a desktop, Quillet's desktop entry is what
// grants it KWin's window management and fake input), with the desktop
// portal's global shortcuts faked on a private session bus.
class QuilletWaylandTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<test::PrivateSessionBus> m_bus;
    std::unique_ptr<test::FakeGlobalShortcutsPortal> m_portal;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<DesktopSession> m_desktop;
    std::unique_ptr<QuilletApp> m_app;

    // Waits until the monitor has looked at the clipboard's latest change.
    bool settled()
    {
        Pasteboard &pasteboard = m_desktop->platform().pasteboard;
        return waitUntil([&] {
            return m_app->monitor().lastChangeCount() == pasteboard.changeCount()
                && !m_app->monitor().isCapturing();
        });
    }
    QStringList titles() const
    {
        QStringList out;
        for (const ClipboardItem &item : m_app->store().itemsByLastUsed())
            out.append(item.title);
        return out;
    }

    // The desktop's keys for a shortcut going down and up.
    void press(const QString &id)
    {
        m_portal->activate(id);
        m_portal->deactivate(id);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_bus = std::make_unique<test::PrivateSessionBus>();
        QVERIFY(!m_bus->address().isEmpty());
        m_portal = std::make_unique<test::FakeGlobalShortcutsPortal>(m_bus->address());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());

        m_defaults = std::make_unique<Defaults>(m_dir.filePath(QStringLiteral("Quillet.conf")));
        m_desktop = std::make_unique<DesktopSession>(*m_defaults, Clock::system());
        QString error;
        auto store = Store::open(m_dir.filePath(QStringLiteral("Quillet.store")), &error);
        QVERIFY2(store, qPrintable(error));
        m_app = std::make_unique<QuilletApp>(m_desktop->platform(), std::move(store));
        m_app->start();
        QVERIFY(waitUntil([&] { return !m_portal->bindCalls.isEmpty(); }));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        m_desktop.reset();
        m_portal.reset();
        m_bus.reset();
    }

    void aCopyInAnotherApplicationIsRecordedWithItsTypesAndSource()
    {
        test::installDesktopEntry(QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
        test::TestWindow notes({ QStringLiteral("--app-id"), QStringLiteral("org.example.Notes") });
        QVERIFY(notes.waitForWindow());
        test::WlCopy copy("<p>copied in Notes</p>", QStringLiteral("text/html"));
        QVERIFY(waitUntil([&] { return m_app->store().itemCount() == 1; }));
        const ClipboardItem item = m_app->store().itemsByLastUsed().first();
        QCOMPARE(item.sourceAppBundleID, QStringLiteral("org.example.Notes"));
        QCOMPARE(item.sourceAppName, QStringLiteral("Notes"));
        QStringList types;
        for (const ClipboardContent &content : m_app->store().contents(item.id))
            types.append(content.utTypeIdentifier);
        QVERIFY2(types.contains(QStringLiteral("text/html")), qPrintable(types.join(QLatin1Char(' '))));
    }

    void quilletsOwnWritesAndSecretsAreNotRecorded()
    {
        QVERIFY(settled());
        const qint64 before = m_app->store().itemCount();
        // Pasting an entry back: other applications read it, the history
        // does not record it again.
        const ClipboardItem entry = m_app->store().itemsByLastUsed().first();
        m_app->state().paste(entry);
        QVERIFY(waitUntil([] {
            return test::wlPaste(QStringLiteral("text/html")) == QByteArray("<p>copied in Notes</p>");
        }));
        QVERIFY(settled());
        // Recorded again, the entry would have been used twice.
        QCOMPARE(m_app->store().item(entry.id)->useCount, entry.useCount + 1);

        // Another application's copy that a password manager marked secret.
        wayland::WaylandPasteboard passwordManager(wayland::WaylandConnection::open());
        passwordManager
            .write({ PasteboardItem { { { QStringLiteral("text/plain"), QByteArray("hunter2") },
                { QStringLiteral("x-kde-passwordManagerHint"), QByteArray("secret") } } } })
            .waitForFinished();
        QVERIFY(waitUntil([] { return test::wlPaste() == QByteArray("hunter2"); }));
        QVERIFY(settled());
        QCOMPARE(m_app->store().itemCount(), before);
    }

    void theClipboardOutlivesTheApplicationThatCopied()
    {
        {
            test::WlCopy copy("copied by a short-lived program");
            QVERIFY(waitUntil(
                [&] { return titles().contains(QStringLiteral("copied by a short-lived program")); }));
        }
        // wl-copy is gone; Quillet offers the entry again.
        QVERIFY(waitUntil([] { return test::wlPaste() == QByteArray("copied by a short-lived program"); }));
        QVERIFY(settled());
        QCOMPARE(titles().count(QStringLiteral("copied by a short-lived program")), 1);
    }

    void aPasteFromThePanelReachesTheWindowThatHadTheFocus()
    {
        test::TestWindow target({ QStringLiteral("--app-id"), QStringLiteral("paste.target") });
        QVERIFY(target.waitForWindow());
        press(QStringLiteral("togglePanel"));
        QVERIFY(
            waitUntil([&] { return m_app->panels().panel() && m_app->panels().panel()->isActiveWindow(); }));
        const ClipboardItem entry = m_app->store().itemsByLastUsed().first();
        m_app->state().paste(entry);
        QVERIFY2(target.waitForText(entry.title), qPrintable(target.texts().join(QLatin1Char('|'))));
        QVERIFY(!m_app->state().isPanelVisible());
    }

    // No primary selection to read (KWin's data-control has none): the text
    // is copied with the copy key, and the user's clipboard put back.
    void theAITransformCopiesTheSelectedTextAndPutsTheClipboardBack()
    {
        test::WlCopy copied("what the user copied");
        QVERIFY(waitUntil([] { return test::wlPaste() == QByteArray("what the user copied"); }));
        test::TestWindow editor({ QStringLiteral("--app-id"), QStringLiteral("org.example.Notes"),
            QStringLiteral("--text"), QStringLiteral("teh cat"), QStringLiteral("--select") });
        QVERIFY(editor.waitForWindow());
        QVERIFY(settled());

        press(QStringLiteral("aiTransform"));
        QVERIFY(waitUntil([&] { return m_app->panels().aiPanel() != nullptr; }));
        QCOMPARE(m_app->transform().selectedText(), std::optional<QString>(QStringLiteral("teh cat")));
        QVERIFY(waitUntil([] { return test::wlPaste() == QByteArray("what the user copied"); }));
        QTest::keyClick(m_app->panels().aiPanel()->content(), Qt::Key_Escape);
        QVERIFY(waitUntil([&] { return !m_app->panels().aiPanel(); }));
    }

    void thePortalsShortcutTogglesThePanel()
    {
        press(QStringLiteral("togglePanel"));
        QVERIFY(waitUntil([&] { return m_app->panels().isHistoryPanelVisible(); }));
        QVERIFY(m_app->state().isPanelVisible());
        press(QStringLiteral("togglePanel"));
        QVERIFY(waitUntil([&] { return !m_app->state().isPanelVisible(); }));
        QVERIFY(!m_app->panels().panel());
    }

    void thePanelClosesWhenAnotherWindowTakesTheFocus()
    {
        press(QStringLiteral("togglePanel"));
        QVERIFY(
            waitUntil([&] { return m_app->panels().panel() && m_app->panels().panel()->isActiveWindow(); }));
        test::TestWindow other({ QStringLiteral("--app-id"), QStringLiteral("other.window") });
        QVERIFY(other.waitForWindow());
        QVERIFY(waitUntil([&] { return !m_app->state().isPanelVisible(); }));
        QVERIFY(!m_app->panels().panel());
    }
};

QUILLET_TEST_MAIN(QuilletWaylandTest)
#include "QuilletWaylandTest.moc"
