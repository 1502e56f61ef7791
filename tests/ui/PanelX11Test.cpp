#include "snippets/SnippetsViewModel.h"
#include "support/RecordingActions.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/FloatingWindow.h"
#include "ui/panel/FloatingPanelView.h"

#include <QProcess>
#include <QToolButton>

using namespace quillet;

namespace {

// Moves the real pointer and presses its buttons, as a user would.
bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Where the X server has the window (Qt's own idea of it may lag behind the
// window manager's placement).
QPoint serverPosition(const QWidget &window)
{
    QProcess query;
    query.start(QStringLiteral("xdotool"),
        { QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window.winId()) });
    query.waitForFinished(10000);
    QPoint position(-1, -1);
    for (const QByteArray &line : query.readAllStandardOutput().split('\n')) {
        if (line.startsWith("X="))
            position.setX(line.mid(2).toInt());
        else if (line.startsWith("Y="))
            position.setY(line.mid(2).toInt());
    }
    return position;
}

} // namespace

class PanelX11Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void draggingTheBackgroundMovesThePanel()
    {
        test::TempStore store;
        test::fillHistory(*store, 3);
        SnippetsViewModel snippets(*store);
        test::RecordingActions actions(*store);
        auto *view = new FloatingPanelView(actions, *store, snippets);
        FloatingWindow panel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
        panel.move(200, 150);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTRY_COMPARE_WITH_TIMEOUT(serverPosition(panel), QPoint(200, 150), 10000);

        // The empty stretch of the tab row, right of the tabs.
        const auto *tab = view->findChild<QToolButton *>(QStringLiteral("snippetsTab"));
        const QPoint start = serverPosition(panel);
        const QPoint grip = start + tab->mapTo(&panel, QPoint(tab->width() + 60, tab->height() / 2));
        QVERIFY(
            xdotool({ QStringLiteral("mousemove"), QString::number(grip.x()), QString::number(grip.y()) }));
        QVERIFY(xdotool({ QStringLiteral("mousedown"), QStringLiteral("1") }));
        // The press reaches Quillet, which hands the move to the window manager.
        QTest::qWait(100);
        for (int step = 1; step <= 10; ++step) {
            QVERIFY(xdotool({ QStringLiteral("mousemove"), QString::number(grip.x() + step * 15),
                QString::number(grip.y() + step * 10) }));
            QTest::qWait(10);
        }
        QVERIFY(xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") }));
        // The window manager may start the move a step late.
        QPoint moved;
        const auto movedWithThePointer = [&] {
            moved = serverPosition(panel) - start;
            return moved.x() >= 120 && moved.x() <= 150 && moved.y() >= 80 && moved.y() <= 100;
        };
        QVERIFY2(QTest::qWaitFor(movedWithThePointer, 10000),
            qPrintable(QStringLiteral("moved by %1,%2").arg(moved.x()).arg(moved.y())));
        QVERIFY(actions.log.isEmpty()); // nothing was clicked
    }
};

QUILLET_TEST_MAIN(PanelX11Test)
#include "PanelX11Test.moc"
