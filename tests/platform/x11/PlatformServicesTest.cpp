#include "platform/x11/PlatformServices.h"
#include "support/TestEnvironment.h"

#include <QGuiApplication>

using namespace quillet;

// Without an X server (here the offscreen platform) Quillet still gets
// services: harmless stand-ins, and the reasons for the user.
class PlatformServicesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withoutX11TheServicesAreInertAndExplained()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        PlatformServices services = makePlatformServices();

        QCOMPARE(services.unavailableFeatures.size(), 3);
        for (const QString &line : std::as_const(services.unavailableFeatures))
            QVERIFY2(
                line.contains(QStringLiteral("X11 session")) && line.contains(QStringLiteral("“offscreen”")),
                qPrintable(line));
        QVERIFY(services.unavailableFeatures.first().startsWith(
            QStringLiteral("Clipboard history is unavailable")));

        Pasteboard &pasteboard = *services.pasteboard;
        const qint64 count = pasteboard.changeCount();
        pasteboard.write({ PasteboardItem { { { QStringLiteral("text/plain"), QByteArray("dropped") } } } });
        pasteboard.clear();
        QCOMPARE(pasteboard.changeCount(), count);
        const PasteboardContents contents = pasteboard.read({}).result();
        QVERIFY(contents.types.isEmpty() && contents.items.isEmpty());
        QCOMPARE(pasteboard.readText().result(), std::nullopt);

        QVERIFY(!services.keySynthesizer->isTrusted());
        services.keySynthesizer->postPaste(42);
        services.keySynthesizer->postCopy();

        QCOMPARE(services.workspace->frontmostApplication().has_value(), false);
        QCOMPARE(services.workspace->activeWindow().has_value(), false);
        services.workspace->activateWindow(42);

        // Login items need no X server.
        QCOMPARE(services.loginItems->status(), LoginItems::Status::notRegistered);
        QString error;
        QVERIFY2(services.loginItems->registerApp(&error), qPrintable(error));
        QCOMPARE(services.loginItems->status(), LoginItems::Status::enabled);
    }
};

QUILLET_TEST_MAIN(PlatformServicesTest)
#include "PlatformServicesTest.moc"
