#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

// Xlib's headers define macros (None, Status, Bool, …) that clash with Qt and
// with Quillet's own names, so they stay out of every header.
struct _XDisplay;

namespace quillet::x11 {

using XWindow = unsigned long;
using XAtom = unsigned long;

// A private Xlib connection to the X server Qt uses. Each X11 service has its
// own, so that one service's round trips never read another's events.
class X11Connection {
public:
    // Opens `displayName` (the display Qt is connected to; empty means
    // $DISPLAY). Returns nothing when the server cannot be reached.
    static std::shared_ptr<X11Connection> open(const QByteArray &displayName = {});
    // The display name Qt's xcb platform is connected to, or empty when Qt
    // does not run on X11.
    static QByteArray qtDisplayName();

    ~X11Connection();
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    _XDisplay *display() const { return m_display; }
    XWindow root() const { return m_root; }
    int fileDescriptor() const;

    XAtom atom(const char *name);
    QString atomName(XAtom atom);

    // A whole property, or nothing when it is absent, of another type, or
    // the window is gone. `format` receives 8, 16 or 32; 32-bit items are
    // returned as native `long`s, as Xlib delivers them.
    struct Property {
        XAtom type = 0;
        int format = 0;
        unsigned long items = 0;
        QByteArray bytes;
    };
    std::optional<Property> property(XWindow window, XAtom property, XAtom type, long maxBytes = 1 << 20);
    std::optional<XWindow> windowProperty(XWindow window, const char *name);
    std::optional<QString> utf8Property(XWindow window, const char *name);
    std::optional<quint32> cardinalProperty(XWindow window, const char *name);

    // The window that owns a selection ("PRIMARY", say), if any.
    std::optional<XWindow> selectionOwner(const char *selection);
    // Whether two windows were made by the same client connection: the
    // server hands each connection its own range of resource IDs.
    bool sameConnection(XWindow a, XWindow b) const;

    // EWMH: the window the window manager reports as active, and asking it
    // to activate another one (as a pager would, so it is not refused as
    // focus stealing).
    std::optional<XWindow> activeWindow();
    void requestActivation(XWindow window);
    // EWMH: the window appears on every desktop (workspace).
    void showOnAllDesktops(XWindow window);

    // Sends the pending requests and waits for the server to process them;
    // returns whether none of them failed with an X error.
    bool sync();
    void flush();

private:
    explicit X11Connection(_XDisplay *display);

    _XDisplay *m_display;
    XWindow m_root;
    QHash<QByteArray, XAtom> m_atoms;
    QHash<XAtom, QString> m_atomNames;
};

} // namespace quillet::x11
