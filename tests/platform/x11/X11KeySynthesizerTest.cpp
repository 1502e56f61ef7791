#include "platform/x11/X11KeySynthesizer.h"
#include "X11TestTools.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestEnvironment.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::x11;

namespace {

// The modifier keys a user may hold, checked independently of the code
// under test.
QStringList pressedModifiers(X11Connection &connection)
{
    Display *display = connection.display();
    char keys[32] = {};
    XQueryKeymap(display, keys);
    QStringList pressed;
    const std::pair<KeySym, const char *> modifiers[] = { { XK_Shift_L, "Shift_L" },
        { XK_Shift_R, "Shift_R" }, { XK_Control_L, "Control_L" }, { XK_Control_R, "Control_R" },
        { XK_Alt_L, "Alt_L" }, { XK_Alt_R, "Alt_R" }, { XK_Super_L, "Super_L" }, { XK_Super_R, "Super_R" } };
    for (const auto &[keysym, name] : modifiers) {
        const KeyCode code = XKeysymToKeycode(display, keysym);
        if (code && (keys[code / 8] & (1 << (code % 8))))
            pressed.append(QString::fromLatin1(name));
    }
    return pressed;
}

bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

} // namespace

class X11KeySynthesizerTest : public QObject {
    Q_OBJECT

    std::shared_ptr<X11Connection> m_connection;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Workspace> m_workspace;
    std::unique_ptr<X11KeySynthesizer> m_keys;

private Q_SLOTS:
    void initTestCase()
    {
        const QByteArray display = X11Connection::qtDisplayName();
        m_connection = X11Connection::open(display);
        m_pasteboard = std::make_unique<X11Pasteboard>(X11Connection::open(display));
        m_workspace = std::make_unique<X11Workspace>(m_connection);
        m_keys = std::make_unique<X11KeySynthesizer>(m_connection);
        m_keys->setModifierTimeout(400);
        QVERIFY(m_keys->isTrusted());
    }

    void cleanup()
    {
        // Whatever happened, leave the keyboard as found.
        xdotool({ QStringLiteral("keyup"), QStringLiteral("super"), QStringLiteral("shift"),
            QStringLiteral("ctrl") });
    }

    void aPasteReachesTheTargetWindowWithNoModifierLeftDown_data()
    {
        QTest::addColumn<QStringList>("held");
        QTest::newRow("nothing held") << QStringList {};
        QTest::newRow("Super and Shift still held")
            << QStringList { QStringLiteral("super"), QStringLiteral("shift") };
        QTest::newRow("Control still held") << QStringList { QStringLiteral("ctrl") };
    }

    void aPasteReachesTheTargetWindowWithNoModifierLeftDown()
    {
        QFETCH(QStringList, held);
        TestWindow target({ QStringLiteral("--class"), QStringLiteral("target"), QStringLiteral("Target") });
        const quint64 targetWindow = target.waitForWindow();
        QVERIFY(targetWindow);
        // Another window takes the focus, as a Quillet panel would.
        TestWindow other({ QStringLiteral("--class"), QStringLiteral("other"), QStringLiteral("Other") });
        QVERIFY(other.waitForWindow());
        QVERIFY(waitUntil([&] { return m_workspace->activeWindow() != targetWindow; }));

        const QString text = QStringLiteral("pasted by Quillet %1").arg(QTest::currentDataTag());
        resultOf(
            m_pasteboard->write({ PasteboardItem { { { QStringLiteral("text/plain"), text.toUtf8() } } } }));
        if (!held.isEmpty()) {
            QVERIFY(xdotool(QStringList { QStringLiteral("keydown") } + held));
            QVERIFY(!pressedModifiers(*m_connection).isEmpty());
        }

        m_keys->postPaste(targetWindow);
        QVERIFY2(target.waitForText(text), qPrintable(target.texts().join(QLatin1Char('|'))));
        QVERIFY(other.texts().isEmpty());
        QCOMPARE(pressedModifiers(*m_connection), QStringList {});
        QVERIFY(!m_keys->anyModifierDown());
        QCOMPARE(m_workspace->activeWindow(), targetWindow);
    }

    void aCopyPutsTheSelectionOnTheClipboard()
    {
        TestWindow source({ QStringLiteral("--class"), QStringLiteral("source"), QStringLiteral("Source"),
            QStringLiteral("--text"), QStringLiteral("selected words"), QStringLiteral("--select") });
        QVERIFY(source.waitForWindow());
        resultOf(m_pasteboard->clear());
        const qint64 before = m_pasteboard->changeCount();
        QVERIFY(xdotool({ QStringLiteral("keydown"), QStringLiteral("shift") }));
        m_keys->postCopy();
        QVERIFY(waitUntil([&] { return m_pasteboard->changeCount() != before; }));
        QCOMPARE(resultOf(m_pasteboard->readText()), QStringLiteral("selected words"));
        QCOMPARE(pressedModifiers(*m_connection), QStringList {});
    }

    void aKeyReleasedInTimeIsNotForced()
    {
        // The user lets go of Shift while the paste waits: it goes out as
        // soon as the key is up, well before the bound.
        TestWindow target({ QStringLiteral("--class"), QStringLiteral("target"), QStringLiteral("Target") });
        const quint64 targetWindow = target.waitForWindow();
        QVERIFY(targetWindow);
        resultOf(m_pasteboard->write(
            { PasteboardItem { { { QStringLiteral("text/plain"), QByteArray("after release") } } } }));
        QVERIFY(xdotool({ QStringLiteral("keydown"), QStringLiteral("shift") }));
        QProcess release;
        release.start(QStringLiteral("xdotool"),
            { QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("keyup"),
                QStringLiteral("shift") });
        QVERIFY(release.waitForStarted());
        m_keys->setModifierTimeout(10000);
        QElapsedTimer timer;
        timer.start();
        m_keys->postPaste(targetWindow);
        m_keys->setModifierTimeout(400);
        QVERIFY(timer.elapsed() < 9000);
        QVERIFY(release.waitForFinished(5000));
        QVERIFY(target.waitForText(QStringLiteral("after release")));
    }
};

QUILLET_TEST_MAIN(X11KeySynthesizerTest)
#include "X11KeySynthesizerTest.moc"
