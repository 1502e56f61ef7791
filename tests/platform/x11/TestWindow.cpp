// A small outside application for the X11 and Wayland tests: one line edit in
// a window whose WM_CLASS (and optionally GTK application id) or Wayland app id
// the test chooses. It
// prints "window <id>" once its window is active and "text <text>" whenever
// the text changes, and selects its text on "--select" (as a program's own
// select-all does, leaving PRIMARY alone; "--primary" also takes PRIMARY with
// it, as selecting with the mouse does). "--copy" puts rich
// content on the clipboard (HTML, text and a 4 × 4 picture, which Qt offers in
// every image format it can write) and prints "copied"; "--picture-size N"
// makes the picture N × N; "--exit-after-copy" then quits the way a toolkit
// application does, handing its clipboard to the clipboard manager.
// "--terminal" behaves like a terminal emulator: Ctrl+Shift+C and Ctrl+Shift+V
// copy and paste, while Ctrl+C and Ctrl+V go to the program and do nothing.
//   quillet_test_window [--class INSTANCE CLASS] [--gtk-application-id ID] [--app-id ID] [--text TEXT]
//                       [--select] [--primary] [--copy] [--exit-after-copy] [--terminal]
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

// A terminal's copy and paste keys.
class TerminalKeys : public QObject {
public:
    explicit TerminalKeys(QLineEdit &edit)
        : m_edit(edit)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & Qt::ControlModifier) || (key->key() != Qt::Key_V && key->key() != Qt::Key_C))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        if (key->modifiers() & Qt::ShiftModifier) {
            if (key->key() == Qt::Key_V)
                m_edit.insert(QGuiApplication::clipboard()->text());
            else
                QGuiApplication::clipboard()->setText(m_edit.selectedText());
        }
        return true;
    }

private:
    QLineEdit &m_edit;
};

// Xlib's macros (KeyPress, …) come after the Qt code that shares their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

int main(int argc, char **argv)
{
    // The Wayland app id is the desktop file name, and must be known before
    // the first window exists.
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--app-id") == 0)
            QGuiApplication::setDesktopFileName(QString::fromUtf8(argv[i + 1]));
    }
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QByteArray instance, className, applicationId;
    QString text;
    bool select = false;
    bool primary = false;
    bool copy = false;
    bool exitAfterCopy = false;
    bool terminal = false;
    int pictureSize = 4;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--class") && i + 2 < arguments.size()) {
            instance = arguments[++i].toLatin1();
            className = arguments[++i].toLatin1();
        } else if (arguments[i] == QLatin1String("--gtk-application-id") && i + 1 < arguments.size()) {
            applicationId = arguments[++i].toUtf8();
        } else if (arguments[i] == QLatin1String("--text") && i + 1 < arguments.size()) {
            text = arguments[++i];
        } else if (arguments[i] == QLatin1String("--select")) {
            select = true;
        } else if (arguments[i] == QLatin1String("--primary")) {
            primary = true;
        } else if (arguments[i] == QLatin1String("--copy")) {
            copy = true;
        } else if (arguments[i] == QLatin1String("--terminal")) {
            terminal = true;
        } else if (arguments[i] == QLatin1String("--exit-after-copy")) {
            exitAfterCopy = true;
        } else if (arguments[i] == QLatin1String("--picture-size") && i + 1 < arguments.size()) {
            pictureSize = arguments[++i].toInt();
        }
    }

    QTextStream out(stdout);
    QLineEdit edit;
    edit.setText(text);
    edit.resize(400, 40);
    QObject::connect(
        &edit, &QLineEdit::textChanged, [&](const QString &value) { out << "text " << value << Qt::endl; });
    TerminalKeys terminalKeys(edit);
    if (terminal)
        edit.installEventFilter(&terminalKeys);
    edit.winId();
    auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    const Window window = Window(edit.windowHandle()->winId());
    if (!instance.isEmpty() && x11) {
        XClassHint hint { instance.data(), className.data() };
        XSetClassHint(x11->display(), window, &hint);
        XFlush(x11->display());
    }
    edit.show();
    edit.activateWindow();
    if (select)
        edit.selectAll();
    if (primary)
        QGuiApplication::clipboard()->setText(edit.selectedText(), QClipboard::Selection);

    if (copy) {
        auto *mime = new QMimeData;
        mime->setHtml(QStringLiteral("<b>rich</b> copy"));
        mime->setText(QStringLiteral("rich copy"));
        QImage picture(pictureSize, pictureSize, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        mime->setImageData(picture);
        QGuiApplication::clipboard()->setMimeData(mime);
        out << "copied" << Qt::endl;
        if (exitAfterCopy)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
    }

    bool reported = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (reported || !edit.isActiveWindow() || !edit.hasFocus())
            return;
        reported = true;
        // What GTK 3 and 4 applications set on their windows.
        if (!applicationId.isEmpty() && x11) {
            XChangeProperty(x11->display(), window, XInternAtom(x11->display(), "_GTK_APPLICATION_ID", False),
                XInternAtom(x11->display(), "UTF8_STRING", False), 8, PropModeReplace,
                reinterpret_cast<const unsigned char *>(applicationId.constData()),
                int(applicationId.size()));
            XSync(x11->display(), False);
        }
        out << "window " << window << Qt::endl;
    });
    poll.start(10);
    return app.exec();
}
