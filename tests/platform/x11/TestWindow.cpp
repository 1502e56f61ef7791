// A small outside application for the X11 tests: one line edit in a window
// whose WM_CLASS (and optionally desktop-file name) the test chooses. It
// prints "window <id>" once its window is active and "text <text>" whenever
// the text changes, and selects its text on "--select".
//   quillet_test_window [--class INSTANCE CLASS] [--desktop-file ID] [--text TEXT] [--select]
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList arguments = app.arguments();
    QByteArray instance, className;
    QString text;
    bool select = false;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--class") && i + 2 < arguments.size()) {
            instance = arguments[++i].toLatin1();
            className = arguments[++i].toLatin1();
        } else if (arguments[i] == QLatin1String("--desktop-file") && i + 1 < arguments.size()) {
            QGuiApplication::setDesktopFileName(arguments[++i]);
        } else if (arguments[i] == QLatin1String("--text") && i + 1 < arguments.size()) {
            text = arguments[++i];
        } else if (arguments[i] == QLatin1String("--select")) {
            select = true;
        }
    }

    QTextStream out(stdout);
    QLineEdit edit;
    edit.setText(text);
    edit.resize(400, 40);
    QObject::connect(
        &edit, &QLineEdit::textChanged, [&](const QString &value) { out << "text " << value << Qt::endl; });
    edit.winId();
    auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!instance.isEmpty() && x11) {
        XClassHint hint { instance.data(), className.data() };
        XSetClassHint(x11->display(), Window(edit.windowHandle()->winId()), &hint);
        XFlush(x11->display());
    }
    edit.show();
    edit.activateWindow();
    if (select)
        edit.selectAll();

    bool reported = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!reported && edit.isActiveWindow() && edit.hasFocus()) {
            reported = true;
            out << "window " << edit.windowHandle()->winId() << Qt::endl;
        }
    });
    poll.start(10);
    return app.exec();
}
