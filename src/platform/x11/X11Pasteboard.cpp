#include "platform/x11/X11Pasteboard.h"

#include "platform/x11/X11SelectionOwner.h"

#include <QAbstractEventDispatcher>
#include <QLoggingCategory>
#include <QPromise>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

const QString kPlainText = QStringLiteral("text/plain");
const QString kUtf8PlainText = QStringLiteral("text/plain;charset=utf-8");
const QString kSelfMarker = QStringLiteral("app.quillet.Quillet.self-marker");

} // namespace

// Everything that touches the clipboard connection; lives on the clipboard
// thread from start() to stop().
class X11ClipboardWorker : public QObject {
    Q_OBJECT
public:
    X11ClipboardWorker(std::shared_ptr<X11Connection> connection, std::shared_ptr<std::atomic<qint64>> count)
        : m_connection(std::move(connection))
        , m_changeCount(std::move(count))
    {
        Display *display = m_connection->display();
        m_clipboard = m_connection->atom("CLIPBOARD");
        m_primary = XA_PRIMARY;
        m_manager = m_connection->atom("CLIPBOARD_MANAGER");
        int errorBase = 0;
        if (!XFixesQueryExtension(display, &m_xfixesEventBase, &errorBase)) {
            m_xfixesEventBase = -1;
            qCWarning(lcX11) << "The X server lacks the XFixes extension; the clipboard is polled";
        }
    }

    bool notifies() const { return m_xfixesEventBase >= 0; }

    void start()
    {
        Display *display = m_connection->display();
        m_owner = std::make_unique<X11SelectionOwner>(*m_connection, m_clipboard);
        m_managerOwner = std::make_unique<X11SelectionOwner>(*m_connection, m_manager);
        // A read of CLIPBOARD gives way as soon as XFixes reports a new owner
        // or the old one gone: a hung or dripping application must not cost
        // the copy that follows it.
        m_reader = std::make_unique<X11SelectionReader>(
            *m_connection, [this](XEvent &event) { dispatch(event); },
            [this](XAtom selection, qint64 generation) {
                return selection == m_clipboard && notifies() && m_changeCount->load() != generation;
            });
        if (notifies()) {
            XFixesSelectSelectionInput(display, m_connection->root(), m_clipboard,
                XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                    | XFixesSelectionClientCloseNotifyMask);
        }
        // Another clipboard manager keeps its place; Quillet does not fight it.
        if (XGetSelectionOwner(display, m_manager) == None)
            m_managerOwner->take({}, m_reader->serverTime(m_managerOwner->window()));
        XSync(display, False);

        m_notifier = new QSocketNotifier(m_connection->fileDescriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11ClipboardWorker::processPendingEvents);
        // Round trips read events into Xlib's queue without waking the socket
        // notifier; look there before the event loop sleeps.
        connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] {
                if (XEventsQueued(m_connection->display(), QueuedAlready) > 0)
                    processPendingEvents();
            });
        processPendingEvents();
    }

    void stop()
    {
        // Nothing may read the connection once it starts closing.
        delete m_notifier;
        m_notifier = nullptr;
        disconnect(QAbstractEventDispatcher::instance(thread()), nullptr, this, nullptr);
        m_reader.reset();
        m_owner.reset();
        m_managerOwner.reset();
        XSync(m_connection->display(), False);
    }

    // From the main thread, before stop() is queued: a read waiting for a
    // slow owner ends now instead of at its time-out.
    void interrupt() { m_reader->interrupt(); }

    void setMaxBytes(qsizetype bytes) { m_reader->setMaxBytes(bytes); }
    void setTimeout(int milliseconds) { m_reader->setTimeout(milliseconds); }

    bool ownsClipboard()
    {
        processPendingEvents();
        return m_owner->owns()
            && XGetSelectionOwner(m_connection->display(), m_clipboard) == m_owner->window();
    }
    bool isManager()
    {
        processPendingEvents();
        return m_managerOwner->owns();
    }

    void checkForChanges()
    {
        const Window owner = XGetSelectionOwner(m_connection->display(), m_clipboard);
        std::optional<quint32> stamp;
        if (owner != None && owner != m_owner->window())
            stamp = m_reader->ownerTimestamp(m_clipboard);
        if (owner == m_lastOwner && stamp == m_lastOwnerStamp)
            return;
        m_lastOwner = owner;
        m_lastOwnerStamp = stamp;
        noteChange();
    }

    PasteboardContents read(const ReadPlan &plan)
    {
        processPendingEvents();
        PasteboardContents contents;
        const qint64 generation = m_changeCount->load();
        contents.changeCount = generation;
        const bool own = ownsClipboard();
        const int supersededBefore = m_reader->supersededReads();
        if (own) {
            for (const auto &[type, data] : m_owner->offered().representations)
                contents.types.append(type);
        } else {
            contents.types = m_reader->types(m_clipboard, generation);
        }
        readItems(contents, plan, [&](const QString &type) {
            return own ? ownedData(type) : m_reader->data(m_clipboard, generation, type);
        });
        // Part of a copy that is gone is not a copy; the monitor reads the
        // new one next.
        if (m_reader->supersededReads() != supersededBefore)
            contents.items.clear();
        return contents;
    }

    std::optional<QString> readText(Selection selection)
    {
        processPendingEvents();
        const bool clipboard = selection == Selection::clipboard;
        if (clipboard && ownsClipboard()) {
            for (const QString &type : { kPlainText, kUtf8PlainText }) {
                if (const auto data = ownedData(type))
                    return QString::fromUtf8(*data);
            }
            return std::nullopt;
        }
        const XAtom atom = clipboard ? m_clipboard : m_primary;
        // PRIMARY changes unnoticed: every read is a fresh offer.
        const qint64 generation = clipboard ? m_changeCount->load() : ++m_primaryReads;
        const QStringList offered = m_reader->types(atom, generation);
        for (const QString &type : { kPlainText, kUtf8PlainText }) {
            if (!offered.contains(type))
                continue;
            if (const auto bytes = m_reader->data(atom, generation, type))
                return QString::fromUtf8(*bytes);
        }
        return std::nullopt;
    }

    void write(const PasteboardItem &item, std::optional<unsigned long> time = std::nullopt)
    {
        m_owner->take(item, time ? *time : m_reader->serverTime(m_owner->window()));
        // The owner change is reported before the server answers the sync,
        // so the count has moved when the write is done.
        XSync(m_connection->display(), False);
        processPendingEvents();
        if (!notifies())
            checkForChanges();
    }

    void restore(const PasteboardItem &item)
    {
        processPendingEvents();
        // Stamped with the moment the owner went away, so that the server
        // refuses it if anyone took the selection after that.
        if (m_lostAt && XGetSelectionOwner(m_connection->display(), m_clipboard) == None)
            write(item, m_lostAt);
    }

Q_SIGNALS:
    void changed();
    void ownerLost();

private:
    std::optional<QByteArray> ownedData(const QString &type) const
    {
        for (const auto &[ownedType, data] : m_owner->offered().representations) {
            if (ownedType == type)
                return data;
        }
        return std::nullopt;
    }

    void noteChange()
    {
        ++*m_changeCount;
        Q_EMIT changed();
    }

    void processPendingEvents()
    {
        Display *display = m_connection->display();
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            dispatch(event);
        }
    }

    void dispatch(XEvent &event)
    {
        if (m_xfixesEventBase >= 0 && event.type == m_xfixesEventBase + XFixesSelectionNotify) {
            const auto &notify = reinterpret_cast<const XFixesSelectionNotifyEvent &>(event);
            if (notify.selection != m_clipboard)
                return;
            noteChange();
            // The owner went away without handing its data over: the
            // clipboard is empty now.
            if ((notify.subtype != XFixesSetSelectionOwnerNotify || notify.owner == None)
                && XGetSelectionOwner(m_connection->display(), m_clipboard) == None) {
                m_lostAt = notify.timestamp;
                Q_EMIT ownerLost();
            }
            return;
        }
        if (event.type == SelectionRequest && event.xselectionrequest.selection == m_manager
            && event.xselectionrequest.target == m_connection->atom("SAVE_TARGETS")) {
            saveClipboard(event.xselectionrequest);
            return;
        }
        if (!m_owner->handleEvent(event))
            m_managerOwner->handleEvent(event);
    }

    // An exiting application hands its clipboard over (the freedesktop
    // clipboard manager convention): read everything it offers, offer it
    // from now on, then tell it that it may go.
    void saveClipboard(const XSelectionRequestEvent &request)
    {
        Display *display = m_connection->display();
        bool saved = false;
        if (m_managerOwner->owns() && request.owner == m_managerOwner->window()) {
            const Window owner = XGetSelectionOwner(display, m_clipboard);
            if (owner != None && owner != m_owner->window()) {
                const qint64 generation = m_changeCount->load();
                PasteboardItem item;
                for (const QString &type : m_reader->types(m_clipboard, generation)) {
                    if (const auto data = m_reader->data(m_clipboard, generation, type))
                        item.representations.append({ type, *data });
                }
                if (!item.representations.isEmpty()) {
                    // Already in the history from when it was copied.
                    item.representations.append({ kSelfMarker, QByteArray() });
                    write(item);
                }
            }
            saved = true;
        }
        XEvent reply {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;
        if (saved && request.property != None) {
            XChangeProperty(display, request.requestor, request.property, m_connection->atom("NULL"), 32,
                PropModeReplace, nullptr, 0);
            reply.xselection.property = request.property;
        }
        XSendEvent(display, request.requestor, False, NoEventMask, &reply);
        XFlush(display);
    }

    std::shared_ptr<X11Connection> m_connection;
    std::shared_ptr<std::atomic<qint64>> m_changeCount;
    std::unique_ptr<X11SelectionOwner> m_owner;
    std::unique_ptr<X11SelectionOwner> m_managerOwner;
    std::unique_ptr<X11SelectionReader> m_reader;
    QSocketNotifier *m_notifier = nullptr;
    int m_xfixesEventBase = 0;
    XAtom m_clipboard = 0;
    XAtom m_primary = 0;
    XAtom m_manager = 0;
    qint64 m_primaryReads = 0;
    XWindow m_lastOwner = 0;
    std::optional<quint32> m_lastOwnerStamp;
    std::optional<unsigned long> m_lostAt;
};

X11Pasteboard::X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent)
    : ThreadedPasteboard(parent)
{
    auto *worker = new X11ClipboardWorker(std::move(connection), m_changeCount);
    m_notifies = worker->notifies();
    run(worker);
}

X11Pasteboard::~X11Pasteboard() = default;

bool X11Pasteboard::notifiesChanges() const
{
    return m_notifies;
}

void X11Pasteboard::checkForChanges()
{
    if (!m_notifies)
        onClipboardThread<void>([](X11ClipboardWorker &worker) { worker.checkForChanges(); });
}

QFuture<bool> X11Pasteboard::ownsSelection()
{
    return onClipboardThread<bool>([](X11ClipboardWorker &worker) { return worker.ownsClipboard(); });
}

QFuture<bool> X11Pasteboard::isClipboardManager()
{
    return onClipboardThread<bool>([](X11ClipboardWorker &worker) { return worker.isManager(); });
}

} // namespace quillet::x11

template class quillet::ThreadedPasteboard<quillet::x11::X11ClipboardWorker>;

#include "X11Pasteboard.moc"
