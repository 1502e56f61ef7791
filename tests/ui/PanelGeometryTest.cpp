#include "ui/common/PanelGeometry.h"
#include "support/TestEnvironment.h"

using namespace quillet;

class PanelGeometryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void historyPanelNearThePointer_data()
    {
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("expected");
        // A 1280x800 screen with a 32-pixel top bar.
        const QRect screen(0, 32, 1280, 768);
        QTest::newRow("centred under the pointer") << screen << QPoint(600, 200) << QPoint(440, 210);
        QTest::newRow("top-left corner") << screen << QPoint(0, 32) << QPoint(8, 42);
        QTest::newRow("pointer above the work area") << screen << QPoint(5, 0) << QPoint(8, 40);
        QTest::newRow("bottom-right corner")
            << screen << QPoint(1279, 799) << QPoint(1280 - 320 - 8, 800 - 420 - 8);
        QTest::newRow("second screen")
            << QRect(1280, 0, 1920, 1080) << QPoint(1300, 500) << QPoint(1288, 510);
        // Too small for the panel: the left and bottom margins win.
        QTest::newRow("tiny work area")
            << QRect(0, 0, 300, 300) << QPoint(150, 150) << QPoint(8, 300 - 420 - 8);
    }
    void historyPanelNearThePointer()
    {
        QFETCH(QRect, visible);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        QCOMPARE(panelPositionNearPointer(visible, pointer, QSize(320, 420)), expected);
    }

    void launcherFitsTheWorkArea_data()
    {
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("room to spare") << QRect(0, 0, 1000, 1000) << QRect(200, 220, 600, 474);
        QTest::newRow("second screen") << QRect(1280, 32, 1920, 1048) << QRect(1940, 263, 600, 474);
        // 22 % down would put the bottom off the screen: it moves up instead.
        QTest::newRow("800x600") << QRect(0, 0, 800, 600) << QRect(100, 118, 600, 474);
        QTest::newRow("smaller than the launcher") << QRect(0, 0, 500, 300) << QRect(8, 8, 484, 284);
        QTest::newRow("no screen") << QRect() << QRect(0, 0, 600, 474);
    }
    void launcherFitsTheWorkArea()
    {
        QFETCH(QRect, visible);
        QFETCH(QRect, expected);
        QCOMPARE(launcherGeometry(visible, QSize(600, 474)), expected);
    }
};

QUILLET_TEST_MAIN(PanelGeometryTest)
#include "PanelGeometryTest.moc"
