#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMutex>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

Q_LOGGING_CATEGORY(lcX11, "quillet.x11")

namespace quillet::x11 {

namespace {

// Errors on Quillet's own connections are expected (a window that closed
// while it was being looked at) and must not end the process, which is what
// Xlib's default handler does. They are counted per connection; errors on
// other connections go to whoever handled them before.
// Connections live on different threads (the clipboard has its own).
QMutex g_errorLock;

QHash<Display *, quint64> &errorCounts()
{
    static QHash<Display *, quint64> counts;
    return counts;
}

XErrorHandler g_previousHandler = nullptr;

int countingErrorHandler(Display *display, XErrorEvent *event)
{
    {
        QMutexLocker lock(&g_errorLock);
        auto it = errorCounts().find(display);
        if (it != errorCounts().end()) {
            ++*it;
            return 0;
        }
    }
    return g_previousHandler ? g_previousHandler(display, event) : 0;
}

} // namespace

std::shared_ptr<X11Connection> X11Connection::open(const QByteArray &displayName)
{
    Display *display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display)
        return nullptr;
    QMutexLocker lock(&g_errorLock);
    if (errorCounts().isEmpty()) {
        XErrorHandler previous = XSetErrorHandler(countingErrorHandler);
        if (previous != countingErrorHandler)
            g_previousHandler = previous;
    }
    errorCounts().insert(display, 0);
    return std::shared_ptr<X11Connection>(new X11Connection(display));
}

QByteArray X11Connection::qtDisplayName()
{
    auto *application = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!application || !application->display())
        return {};
    return QByteArray(DisplayString(application->display()));
}

X11Connection::X11Connection(Display *display)
    : m_display(display)
    , m_root(DefaultRootWindow(display))
{
}

X11Connection::~X11Connection()
{
    XCloseDisplay(m_display);
    QMutexLocker lock(&g_errorLock);
    errorCounts().remove(m_display);
}

int X11Connection::fileDescriptor() const
{
    return ConnectionNumber(m_display);
}

XAtom X11Connection::atom(const char *name)
{
    const QByteArray key(name);
    auto it = m_atoms.constFind(key);
    if (it != m_atoms.constEnd())
        return *it;
    const XAtom value = XInternAtom(m_display, name, False);
    m_atoms.insert(key, value);
    return value;
}

QString X11Connection::atomName(XAtom atom)
{
    if (atom == None)
        return {};
    auto cached = m_atomNames.constFind(atom);
    if (cached != m_atomNames.constEnd())
        return *cached;
    char *name = XGetAtomName(m_display, atom);
    if (!name)
        return {};
    QString result = QString::fromLatin1(name);
    XFree(name);
    // Atoms live as long as the server, so their names never change.
    m_atomNames.insert(atom, result);
    return result;
}

std::optional<X11Connection::Property> X11Connection::property(
    XWindow window, XAtom name, XAtom type, long maxBytes)
{
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(m_display, window, name, 0, (maxBytes + 3) / 4, False, type,
        &actualType, &format, &items, &bytesAfter, &data);
    if (status != Success || actualType == None || (type != AnyPropertyType && actualType != type)) {
        if (data)
            XFree(data);
        return std::nullopt;
    }
    Property result;
    result.type = actualType;
    result.format = format;
    result.items = items;
    const qsizetype unit = format == 8 ? 1
        : format == 16                 ? qsizetype(sizeof(short))
                                       : qsizetype(sizeof(long));
    if (data) {
        result.bytes = QByteArray(reinterpret_cast<const char *>(data), qsizetype(items) * unit);
        XFree(data);
    }
    return result;
}

std::optional<XWindow> X11Connection::windowProperty(XWindow window, const char *name)
{
    const auto value = property(window, atom(name), XA_WINDOW, 16);
    if (!value || value->format != 32 || value->items < 1)
        return std::nullopt;
    const auto id = XWindow(*reinterpret_cast<const long *>(value->bytes.constData()));
    if (id == None)
        return std::nullopt;
    return id;
}

std::optional<QString> X11Connection::utf8Property(XWindow window, const char *name)
{
    const auto value = property(window, atom(name), atom("UTF8_STRING"), 4096);
    if (!value || value->format != 8)
        return std::nullopt;
    return QString::fromUtf8(value->bytes);
}

std::optional<quint32> X11Connection::cardinalProperty(XWindow window, const char *name)
{
    const auto value = property(window, atom(name), XA_CARDINAL, 16);
    if (!value || value->format != 32 || value->items < 1)
        return std::nullopt;
    return quint32(*reinterpret_cast<const long *>(value->bytes.constData()));
}

std::optional<XWindow> X11Connection::selectionOwner(const char *selection)
{
    const XWindow owner = XGetSelectionOwner(m_display, atom(selection));
    if (owner == None)
        return std::nullopt;
    return owner;
}

bool X11Connection::sameConnection(XWindow a, XWindow b) const
{
    // Every client's range has the same mask, which the server announces at
    // connection; Qt's connection (to the same server) has it at hand.
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    const XWindow mask = xcb_get_setup(x11->connection())->resource_id_mask;
    return (a & ~mask) == (b & ~mask);
}

std::optional<XWindow> X11Connection::activeWindow()
{
    return windowProperty(m_root, "_NET_ACTIVE_WINDOW");
}

void X11Connection::requestActivation(XWindow window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // source: pager
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = long(activeWindow().value_or(None));
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_display);
}

void X11Connection::showOnAllDesktops(XWindow window)
{
    // The property covers a window not mapped yet; the message one that the
    // window manager already manages.
    const long all = long(0xFFFFFFFFUL);
    XChangeProperty(m_display, window, atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(&all), 1);
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom("_NET_WM_DESKTOP");
    event.xclient.format = 32;
    event.xclient.data.l[0] = all;
    event.xclient.data.l[1] = 2; // source: pager
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(m_display);
}

bool X11Connection::sync()
{
    const auto count = [this] {
        QMutexLocker lock(&g_errorLock);
        return errorCounts().value(m_display);
    };
    const quint64 before = count();
    XSync(m_display, False);
    return count() == before;
}

void X11Connection::flush()
{
    XFlush(m_display);
}

} // namespace quillet::x11
