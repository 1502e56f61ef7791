// Renders the floating panel (both tabs, its menu, a row's context menu) and
// the tray popup (also with an entry reached with Tab) with a realistic
// history into docs/screenshots/. Run it under Xvfb:
//   scripts/with-xvfb build/tools/screenshots/quillet_panel_screenshots docs/screenshots
#include "clipboard/ExcludedAppsService.h"
#include "clipboard/HistoryManager.h"
#include "core/Translations.h"
#include "defaults/Defaults.h"
#include "snippets/SnippetsViewModel.h"
#include "support/FakeWorkspace.h"
#include "support/ManualClock.h"
#include "support/RecordingActions.h"
#include "support/TestEnvironment.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/SymbolIcons.h"
#include "ui/panel/FloatingPanelView.h"
#include "ui/tray/ClipboardItemRow.h"
#include "ui/tray/TrayPopup.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

QByteArray picture()
{
    QImage image(640, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(0x4f, 0x8c, 0xe8));
    sky.setColorAt(1, QColor(0xf5, 0xc2, 0x7a));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(0x2d, 0x5a, 0x3a));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(180, 520), 360, 220);
    painter.setBrush(QColor(0xff, 0xe0, 0x82));
    painter.drawEllipse(QPoint(500, 110), 50, 50);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

PasteboardSnapshot snapshot(QList<TypedContent> contents, const QString &app, const QString &name)
{
    PasteboardSnapshot s;
    s.contents = std::move(contents);
    s.sourceAppBundleID = app;
    s.sourceAppName = name;
    return s;
}

void save(QWidget &widget, const QString &path)
{
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        qFatal("the window was never shown");
    QTest::qWait(50);
    const QImage image = widget.grab().toImage();
    if (!image.save(path))
        qFatal("could not write %s", qPrintable(path));
    qInfo("wrote %s (%dx%d)", qPrintable(path), image.width(), image.height());
}

// The screen around a window and the menu it opened: menus are windows of
// their own, so only the screen holds both.
void saveScreen(const QRect &area, const QString &path)
{
    QTest::qWait(300);
    const QImage image = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    if (!image.save(path))
        qFatal("could not write %s", qPrintable(path));
    qInfo("wrote %s (%dx%d)", qPrintable(path), image.width(), image.height());
}

} // namespace

int main(int argc, char **argv)
{
    test::isolateEnvironment();
    QApplication app(argc, argv);
    // In the language of the environment: LANG=de_DE.UTF-8 renders the German screenshots.
    installTranslations(app);
    installIconThemeFallback();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    QTemporaryDir dir;
    Defaults defaults(dir.filePath(QStringLiteral("Quillet.conf")));
    QString error;
    auto store = Store::open(dir.filePath(QStringLiteral("Quillet.store")), &error);
    test::FakeWorkspace workspace;
    ExcludedAppsService excluded(defaults, workspace);
    test::ManualClock clock(QDateTime::currentDateTimeUtc().addSecs(-3 * 3600));
    HistoryManager history(*store, excluded, defaults, clock);

    const QString editor = QStringLiteral("org.gnome.TextEditor");
    const QString browser = QStringLiteral("org.mozilla.firefox");
    const QString files = QStringLiteral("org.gnome.Nautilus");
    const QString terminal = QStringLiteral("org.gnome.Terminal");
    const QList<PasteboardSnapshot> copies {
        snapshot({ { QStringLiteral("text/plain"), "ssh deploy@build-01.internal" } }, terminal,
            QStringLiteral("Terminal")),
        snapshot({ { QStringLiteral("text/uri-list"), "file:///home/ana/Documents/Quarterly%20Report.pdf" } },
            files, QStringLiteral("Files")),
        snapshot({ { QStringLiteral("text/html"), "<p>The <b>meeting</b> moved to Thursday</p>" },
                     { QStringLiteral("text/plain"), "The meeting moved to Thursday" } },
            browser, QStringLiteral("Firefox")),
        snapshot({ { QStringLiteral("image/png"), picture() } }, browser, QStringLiteral("Firefox")),
        snapshot({ { QStringLiteral("text/rtf"),
                       "{\\rtf1\\ansi Release notes for version 2.4\\par Fixed the sync}" },
                     { QStringLiteral("text/plain"), "Release notes for version 2.4\nFixed the sync" } },
            editor, QStringLiteral("Text Editor")),
        snapshot({ { QStringLiteral("text/plain"), "git rebase -i origin/main" } }, terminal,
            QStringLiteral("Terminal")),
        snapshot({ { QStringLiteral("text/plain"), "Thanks for the quick turnaround — looks great!" } },
            browser, QStringLiteral("Firefox")),
        snapshot({ { QStringLiteral("text/plain"), "https://quillet.app/docs/shortcuts" } }, browser,
            QStringLiteral("Firefox")),
        snapshot({ { QStringLiteral("text/plain"),
                     "const total = items.reduce((sum, item) => sum + item.price, 0);" } },
            editor, QStringLiteral("Text Editor")),
        snapshot({ { QStringLiteral("text/plain"), "Ana Lima · +351 912 345 678" } }, editor,
            QStringLiteral("Text Editor")),
    };
    for (const auto &copy : copies) {
        clock.advance(17min);
        history.addSnapshot(copy);
    }
    // Entries are stored once their derived values are worked out off the main thread.
    while (history.isBusy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ClipboardItem pinned = store->itemsByLastUsed().at(7);
    pinned.isPinned = true;
    store->updateItem(pinned);

    const SnippetFolder replies { QUuid::createUuid(), QStringLiteral("Replies"), 0 };
    const SnippetFolder code { QUuid::createUuid(), QStringLiteral("Code"), 1 };
    store->insertFolder(replies);
    store->insertFolder(code);
    const auto snippet
        = [&](const QString &title, qint64 order, const SnippetFolder &folder, const QByteArray &text) {
              store->insertSnippet({ QUuid::createUuid(), title, order, QStringLiteral("text/plain"),
                                       QString::fromUtf8(text), std::nullopt, clock.now(), folder.id, true },
                  text);
          };
    snippet(QStringLiteral("Thank you"), 0, replies, "Thank you for reaching out!");
    snippet(QStringLiteral("Out of office"), 1, replies, "I'm away until Monday.");
    snippet(QStringLiteral("License header"), 2, code, "// SPDX-License-Identifier: MIT");
    snippet(QStringLiteral("Signature"), 3, replies, "Best regards,\nAna");
    snippet(QStringLiteral("Debug print"), 4, code, "qDebug() << __func__;");

    SnippetsViewModel snippets(*store);
    test::RecordingActions actions(*store);

    {
        auto *view = new FloatingPanelView(actions, *store, snippets);
        FloatingWindow panel(view, QSize(FloatingPanelView::width, FloatingPanelView::height));
        QTest::keyClick(view->focusProxy(), Qt::Key_Down);
        save(panel, out + QStringLiteral("/panel-history.png"));

        // Placed where the pictures below are taken; positions are worked out
        // from there rather than asked of Qt, whose idea of a new window's
        // place can lag behind the window manager's.
        const QPoint origin(60, 60);
        // A desktop behind the panel, as the pictures take the screen.
        QWidget desktop(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        desktop.setGeometry(0, 0, 600, 460);
        QPalette backdrop = desktop.palette();
        backdrop.setColor(QPalette::Window, QColor(0x3d, 0x5a, 0x80));
        desktop.setPalette(backdrop);
        desktop.setAutoFillBackground(true);
        desktop.show();
        panel.move(origin);
        panel.raise();
        QTest::qWait(300);
        auto *menuButton = view->findChild<QToolButton *>(QStringLiteral("menu"));
        const QPoint below = origin + menuButton->mapTo(&panel, QPoint(0, menuButton->height() + 2));
        view->menu()->popup(below);
        QTest::qWait(100);
        saveScreen(QRect(origin - QPoint(20, 20), QSize(420, 240)), out + QStringLiteral("/panel-menu.png"));
        view->menu()->close();

        auto *list = view->findChild<QListView *>(QStringLiteral("list"));
        const QRect third = list->visualRect(list->model()->index(2, 0));
        const QPoint at = origin + list->viewport()->mapTo(&panel, third.center() + QPoint(40, 0));
        // A right click on the third row, with the pointer there.
        QCursor::setPos(at);
        QTest::qWait(100);
        QContextMenuEvent click(QContextMenuEvent::Mouse, third.center() + QPoint(40, 0), at);
        QApplication::sendEvent(list->viewport(), &click);
        saveScreen(
            QRect(origin - QPoint(20, 20), QSize(460, 300)), out + QStringLiteral("/panel-row-menu.png"));
        if (QWidget *rowMenu = QApplication::activePopupWidget())
            rowMenu->close();

        actions.setPanelTab(PanelTab::snippets);
        save(panel, out + QStringLiteral("/panel-snippets.png"));
    }
    actions.setPanelTab(PanelTab::history);
    {
        // The pointer away from the rows: only the keyboard's place is marked.
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
        TrayPopup view(actions, *store, snippets, defaults);
        view.setAutoFillBackground(true);
        save(view, out + QStringLiteral("/tray-popup.png"));

        // Tab from the search field to the first entry, as a keyboard user would.
        view.activateWindow();
        if (!QTest::qWaitForWindowActive(&view))
            qFatal("the tray popup never took the keyboard");
        for (int tab = 0; tab < 10 && !qobject_cast<ClipboardItemRow *>(QApplication::focusWidget()); ++tab)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &view, Qt::Key_Tab);
        if (!qobject_cast<ClipboardItemRow *>(QApplication::focusWidget()))
            qFatal("Tab never reached an entry of the tray popup");
        save(view, out + QStringLiteral("/tray-popup-focus.png"));
    }
    return 0;
}
