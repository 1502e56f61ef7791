#include "platform/x11/X11Pasteboard.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");
const QString kUtf8PlainText = QStringLiteral("text/plain;charset=utf-8");

// Targets that describe the selection protocol rather than content.
bool isProtocolTarget(const QString &name)
{
    static const QStringList protocol { QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"),
        QStringLiteral("INCR"), QStringLiteral("INSERT_SELECTION"), QStringLiteral("INSERT_PROPERTY") };
    return protocol.contains(name);
}

// Large values go out in chunks of this size (ICCCM INCR), below the
// server's request limit.
constexpr qsizetype kChunkBytes = 256 * 1024;
// A requestor that stops fetching chunks for this long is given up.
constexpr qint64 kTransferIdleMs = 10000;

} // namespace

// What the current owner offers, read once per change of the clipboard.
struct X11Pasteboard::Offer {
    qint64 changeCount = -1;
    bool own = false;
    QStringList types;
    // For each MIME name, the targets to ask for, best first.
    QHash<QString, QList<Atom>> sources;
    std::optional<std::optional<QByteArray>> uriList;
    // The owner let a request time out: it is not asked again for this
    // change, so a frozen application stalls Quillet once, not once per type.
    bool unresponsive = false;
};

// A value sent to another client in chunks.
struct X11Pasteboard::OutgoingTransfer {
    Window requestor = None;
    Atom property = None;
    Atom type = None;
    QByteArray data;
    qsizetype offset = 0;
    bool endSent = false;
    QElapsedTimer idle;
};

X11Pasteboard::X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
    Display *display = m_connection->display();
    m_clipboard = m_connection->atom("CLIPBOARD");
    m_transferProperty = m_connection->atom("_QUILLET_SELECTION");

    XSetWindowAttributes attributes {};
    attributes.event_mask = PropertyChangeMask;
    m_owner = XCreateWindow(display, m_connection->root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
        CopyFromParent, CWEventMask, &attributes);
    createRequestor();

    int errorBase = 0;
    if (XFixesQueryExtension(display, &m_xfixesEventBase, &errorBase)) {
        XFixesSelectSelectionInput(display, m_connection->root(), m_clipboard,
            XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask
                | XFixesSelectionClientCloseNotifyMask);
    } else {
        m_xfixesEventBase = -1;
        qCWarning(lcX11) << "The X server lacks the XFixes extension; clipboard changes cannot be seen";
    }
    XSync(display, False);

    m_notifier = new QSocketNotifier(m_connection->fileDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Pasteboard::processPendingEvents);
    // Round trips read events into Xlib's queue without waking the socket
    // notifier; look there before the event loop sleeps.
    if (auto *dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (XEventsQueued(m_connection->display(), QueuedAlready) > 0)
                processPendingEvents();
        });
    }
}

X11Pasteboard::~X11Pasteboard()
{
    // Nothing may read the connection once it starts closing.
    delete m_notifier;
    if (auto *dispatcher = QAbstractEventDispatcher::instance(thread()))
        disconnect(dispatcher, nullptr, this, nullptr);
    Display *display = m_connection->display();
    XDestroyWindow(display, m_requestor);
    XDestroyWindow(display, m_owner);
    XSync(display, False);
}

void X11Pasteboard::createRequestor()
{
    Display *display = m_connection->display();
    if (m_requestor != None)
        XDestroyWindow(display, m_requestor);
    XSetWindowAttributes attributes {};
    attributes.event_mask = PropertyChangeMask;
    m_requestor = XCreateWindow(display, m_connection->root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
        CopyFromParent, CWEventMask, &attributes);
}

void X11Pasteboard::processPendingEvents()
{
    Display *display = m_connection->display();
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        dispatch(event);
    }
}

void X11Pasteboard::dispatch(XEvent &event)
{
    if (m_xfixesEventBase >= 0 && event.type == m_xfixesEventBase + XFixesSelectionNotify) {
        const auto &notify = reinterpret_cast<const XFixesSelectionNotifyEvent &>(event);
        if (notify.selection == m_clipboard)
            ++m_changeCount;
        return;
    }
    switch (event.type) {
    case SelectionRequest:
        answerRequest(event);
        break;
    case SelectionClear:
        if (event.xselectionclear.selection == m_clipboard && event.xselectionclear.window == m_owner) {
            m_owning = false;
            m_owned = {};
        }
        break;
    case PropertyNotify:
        if (event.xproperty.state == PropertyDelete)
            continueTransfer(event.xproperty.window, event.xproperty.atom);
        break;
    default:
        break;
    }
}

bool X11Pasteboard::waitForEvent(const std::function<bool(XEvent &)> &matches, QDeadlineTimer deadline)
{
    Display *display = m_connection->display();
    XFlush(display);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (matches(event))
                return true;
            dispatch(event);
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return false;
        pollfd descriptor { m_connection->fileDescriptor(), POLLIN, 0 };
        ::poll(&descriptor, 1, int(remaining));
    }
}

unsigned long X11Pasteboard::serverTime()
{
    // A zero-length append changes nothing but makes the server report the
    // current time in a PropertyNotify (ICCCM's recommended way).
    Display *display = m_connection->display();
    const Atom marker = m_connection->atom("_QUILLET_TIMESTAMP");
    XChangeProperty(display, m_owner, marker, XA_INTEGER, 8, PropModeAppend, nullptr, 0);
    Time time = CurrentTime;
    waitForEvent(
        [&](XEvent &event) {
            if (event.type == PropertyNotify && event.xproperty.window == m_owner
                && event.xproperty.atom == marker) {
                time = event.xproperty.time;
                return true;
            }
            return false;
        },
        QDeadlineTimer(m_timeoutMs));
    return time;
}

qint64 X11Pasteboard::changeCount()
{
    processPendingEvents();
    return m_changeCount;
}

bool X11Pasteboard::ownsSelection()
{
    processPendingEvents();
    return m_owning && XGetSelectionOwner(m_connection->display(), m_clipboard) == m_owner;
}

X11Pasteboard::Offer &X11Pasteboard::currentOffer()
{
    processPendingEvents();
    if (m_offer && m_offer->changeCount == m_changeCount)
        return *m_offer;

    auto offer = std::make_unique<Offer>();
    offer->changeCount = m_changeCount;
    const Window owner = XGetSelectionOwner(m_connection->display(), m_clipboard);
    if (owner != None && owner == m_owner && m_owning) {
        offer->own = true;
        for (const auto &[type, data] : std::as_const(m_owned.representations))
            offer->types.append(type);
    } else if (owner != None) {
        const Atom targetsAtom = m_connection->atom("TARGETS");
        Atom replyType = None;
        const auto targets = convert(targetsAtom, 1024 * 1024, &replyType);
        const Atom utf8String = m_connection->atom("UTF8_STRING");
        if (targets && (replyType == XA_ATOM || replyType == targetsAtom)) {
            const auto *atoms = reinterpret_cast<const quint32 *>(targets->constData());
            // Each name costs a round trip; no real owner offers this many.
            const qsizetype count = std::min<qsizetype>(targets->size() / qsizetype(sizeof(quint32)), 512);
            for (qsizetype i = 0; i < count; ++i) {
                const Atom target = atoms[i];
                const QString name = m_connection->atomName(target);
                if (name.isEmpty() || isProtocolTarget(name))
                    continue;
                // The string targets are plain text in MIME terms (the names
                // Qt and GTK give them); UTF8_STRING is the reliable encoding.
                const bool isString = target == utf8String || target == XA_STRING;
                const QString type = isString ? kPlainText : name;
                if (!offer->types.contains(type))
                    offer->types.append(type);
                QList<Atom> &sources = offer->sources[type];
                if (target == utf8String)
                    sources.prepend(target);
                else if (target == XA_STRING)
                    sources.append(target);
                else if (sources.isEmpty() || sources.constLast() != XA_STRING)
                    sources.append(target);
                else
                    sources.insert(sources.size() - 1, target);
            }
        }
    }
    m_offer = std::move(offer);
    return *m_offer;
}

std::optional<QByteArray> X11Pasteboard::convert(
    unsigned long target, qsizetype maxBytes, unsigned long *replyType)
{
    Display *display = m_connection->display();
    const Atom property = m_transferProperty;
    XDeleteProperty(display, m_requestor, property);
    XConvertSelection(display, m_clipboard, target, property, m_requestor, CurrentTime);

    XSelectionEvent reply {};
    const bool answered = waitForEvent(
        [&](XEvent &event) {
            if (event.type == SelectionNotify && event.xselection.requestor == m_requestor
                && event.xselection.selection == m_clipboard) {
                reply = event.xselection;
                return true;
            }
            return false;
        },
        QDeadlineTimer(m_timeoutMs));
    if (!answered) {
        m_requestTimedOut = true;
        qCInfo(lcX11) << "The clipboard owner did not answer a request for" << m_connection->atomName(target);
        createRequestor();
        return std::nullopt;
    }
    if (reply.property == None)
        return std::nullopt;

    // Reads the whole property and deletes it; 32-bit items are packed to
    // 32 bits (Xlib hands them out as longs).
    auto take = [&](QByteArray *out, Atom *type) -> bool {
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long bytesAfter = 0;
        unsigned char *data = nullptr;
        const long length = long((maxBytes + 3) / 4 + 1);
        if (XGetWindowProperty(display, m_requestor, reply.property, 0, length, True, AnyPropertyType,
                &actualType, &format, &items, &bytesAfter, &data)
            != Success) {
            return false;
        }
        *type = actualType;
        out->clear();
        if (data && format == 32) {
            const auto *longs = reinterpret_cast<const long *>(data);
            out->resize(qsizetype(items) * 4);
            auto *packed = reinterpret_cast<quint32 *>(out->data());
            for (unsigned long i = 0; i < items; ++i)
                packed[i] = quint32(longs[i]);
        } else if (data) {
            *out
                = QByteArray(reinterpret_cast<const char *>(data), qsizetype(items) * (format == 16 ? 2 : 1));
        }
        if (data)
            XFree(data);
        return bytesAfter == 0;
    };

    QByteArray value;
    Atom type = None;
    if (!take(&value, &type) || value.size() > maxBytes) {
        qCInfo(lcX11) << "Skipped clipboard data larger than" << maxBytes << "bytes";
        XDeleteProperty(display, m_requestor, reply.property);
        return std::nullopt;
    }
    if (replyType)
        *replyType = type;
    if (type != m_connection->atom("INCR"))
        return value;

    // Incremental transfer: the announced size is a lower bound.
    const quint32 announced = value.size() >= 4 ? *reinterpret_cast<const quint32 *>(value.constData()) : 0;
    if (qsizetype(announced) > maxBytes) {
        qCInfo(lcX11) << "Skipped clipboard data of at least" << announced << "bytes";
        createRequestor(); // the owner keeps writing to the old window, not to the next transfer's
        return std::nullopt;
    }
    qCDebug(lcX11) << "Incremental transfer of at least" << announced << "bytes";
    QByteArray result;
    result.reserve(qsizetype(announced));
    for (;;) {
        const bool arrived = waitForEvent(
            [&](XEvent &event) {
                return event.type == PropertyNotify && event.xproperty.window == m_requestor
                    && event.xproperty.atom == reply.property && event.xproperty.state == PropertyNewValue;
            },
            QDeadlineTimer(m_timeoutMs));
        QByteArray chunk;
        if (!arrived || !take(&chunk, &type)) {
            qCInfo(lcX11) << "An incremental clipboard transfer stalled or grew too large";
            createRequestor();
            return std::nullopt;
        }
        if (replyType)
            *replyType = type;
        if (chunk.isEmpty())
            return result;
        result.append(chunk);
        if (result.size() > maxBytes) {
            qCInfo(lcX11) << "Skipped clipboard data larger than" << maxBytes << "bytes";
            createRequestor();
            return std::nullopt;
        }
    }
}

std::optional<QByteArray> X11Pasteboard::readOffered(const QString &type)
{
    Offer &offer = currentOffer();
    if (offer.own) {
        for (const auto &[ownedType, data] : std::as_const(m_owned.representations)) {
            if (ownedType == type)
                return data;
        }
        return std::nullopt;
    }
    const QList<Atom> sources = offer.sources.value(type);
    for (const Atom source : sources) {
        if (offer.unresponsive)
            return std::nullopt;
        m_requestTimedOut = false;
        auto data = convert(source, m_maxBytes);
        if (m_requestTimedOut)
            offer.unresponsive = true;
        if (!data)
            continue;
        if (source == XA_STRING)
            return QString::fromLatin1(*data).toUtf8();
        return data;
    }
    return std::nullopt;
}

QList<QByteArray> X11Pasteboard::splitUris(const QByteArray &list) const
{
    QList<QByteArray> uris;
    for (QByteArray line : list.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        uris.append(line);
    }
    return uris;
}

QStringList X11Pasteboard::types()
{
    return currentOffer().types;
}

int X11Pasteboard::itemCount()
{
    Offer &offer = currentOffer();
    if (offer.types.isEmpty())
        return 0;
    if (!offer.types.contains(kUriList))
        return 1;
    if (!offer.uriList)
        offer.uriList = readOffered(kUriList);
    const qsizetype uris = *offer.uriList ? splitUris(**offer.uriList).size() : 0;
    return int(std::max<qsizetype>(1, uris));
}

QStringList X11Pasteboard::itemTypes(int index)
{
    const int count = itemCount();
    if (index < 0 || index >= count)
        return {};
    if (index == 0)
        return currentOffer().types;
    return { kUriList };
}

std::optional<QByteArray> X11Pasteboard::data(int index, const QString &type)
{
    if (!itemTypes(index).contains(type))
        return std::nullopt;
    Offer &offer = currentOffer();
    if (type == kUriList) {
        if (!offer.uriList)
            offer.uriList = readOffered(kUriList);
        if (!*offer.uriList)
            return std::nullopt;
        const QList<QByteArray> uris = splitUris(**offer.uriList);
        if (uris.size() <= 1)
            return **offer.uriList; // one item: the list as offered
        return uris.value(index);
    }
    return readOffered(type);
}

std::optional<QString> X11Pasteboard::string()
{
    const QStringList offered = types();
    for (const QString &type : { kPlainText, kUtf8PlainText }) {
        if (!offered.contains(type))
            continue;
        if (const auto bytes = data(0, type))
            return QString::fromUtf8(*bytes);
    }
    return std::nullopt;
}

void X11Pasteboard::clear()
{
    // Quillet keeps the selection with nothing in it rather than leaving it
    // without owner: clipboard managers refill an ownerless clipboard with
    // their last entry, which could land after the write that follows.
    takeOwnership({});
}

void X11Pasteboard::takeOwnership(const PasteboardItem &item)
{
    Display *display = m_connection->display();
    const Time time = serverTime();
    m_owned = item;
    XSetSelectionOwner(display, m_clipboard, m_owner, time);
    m_owning = XGetSelectionOwner(display, m_clipboard) == m_owner;
    if (m_owning) {
        m_ownedSince = time;
    } else {
        m_owned = {};
        qCWarning(lcX11) << "Could not take over the clipboard";
    }
    XSync(display, False);
    processPendingEvents();
}

void X11Pasteboard::write(const QList<PasteboardItem> &items)
{
    // One selection holds one item: later items add the types the first
    // lacks, and their file URIs join the list so that every file survives.
    PasteboardItem merged;
    for (const PasteboardItem &item : items) {
        for (const auto &representation : item.representations) {
            const QString &type = representation.first;
            const QByteArray &data = representation.second;
            auto existing = std::find_if(merged.representations.begin(), merged.representations.end(),
                [&](const auto &pair) { return pair.first == type; });
            if (existing == merged.representations.end()) {
                merged.representations.append({ type, data });
            } else if (type == kUriList && !data.isEmpty()) {
                QByteArray &list = existing->second;
                if (!list.isEmpty() && !list.endsWith('\n'))
                    list.append("\r\n");
                list.append(data);
            }
        }
    }
    takeOwnership(merged);
}

QList<unsigned long> X11Pasteboard::ownedTargets()
{
    QList<unsigned long> targets { m_connection->atom("TARGETS"), m_connection->atom("TIMESTAMP") };
    auto add = [&](Atom atom) {
        if (!targets.contains(atom))
            targets.append(atom);
    };
    for (const auto &[type, data] : std::as_const(m_owned.representations))
        add(m_connection->atom(type.toLatin1().constData()));
    for (const char *conversion : { "UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8",
             "x-special/gnome-copied-files" }) {
        const Atom atom = m_connection->atom(conversion);
        if (ownedDataFor(atom))
            add(atom);
    }
    return targets;
}

std::optional<std::pair<unsigned long, QByteArray>> X11Pasteboard::ownedDataFor(unsigned long target)
{
    const QString name = m_connection->atomName(target);
    auto find = [&](const QString &type) -> std::optional<QByteArray> {
        for (const auto &[ownedType, data] : std::as_const(m_owned.representations)) {
            if (ownedType == type)
                return data;
        }
        return std::nullopt;
    };
    if (const auto exact = find(name))
        return std::pair { target, *exact };

    // Conversions other clients expect from a text or file-list owner.
    auto text = [&]() -> std::optional<QByteArray> {
        if (auto utf8 = find(kUtf8PlainText))
            return utf8;
        if (auto plain = find(kPlainText))
            return plain;
        if (auto uris = find(kUriList)) {
            QList<QByteArray> lines = splitUris(*uris);
            return lines.join('\n');
        }
        return std::nullopt;
    };
    if (name == QLatin1String("UTF8_STRING") || name == QLatin1String("TEXT")) {
        if (auto value = text())
            return std::pair { m_connection->atom("UTF8_STRING"), *value };
    } else if (name == QLatin1String("STRING")) {
        if (auto value = text())
            return std::pair { target, QString::fromUtf8(*value).toLatin1() };
    } else if (name == kPlainText) {
        if (auto value = find(kUtf8PlainText))
            return std::pair { target, *value };
    } else if (name == kUtf8PlainText) {
        if (auto value = find(kPlainText))
            return std::pair { target, *value };
    } else if (name == QLatin1String("x-special/gnome-copied-files")) {
        if (auto uris = find(kUriList))
            return std::pair { target, QByteArray("copy\n") + splitUris(*uris).join('\n') };
    }
    return std::nullopt;
}

void X11Pasteboard::answerRequest(const XEvent &event)
{
    const XSelectionRequestEvent &request = event.xselectionrequest;
    XEvent reply {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = request.display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = None;
    reply.xselection.time = request.time;

    // Obsolete clients pass no property and expect the target's name.
    const Atom property = request.property != None ? request.property : request.target;
    // Server time is 32-bit milliseconds and wraps after 49 days.
    const bool current
        = request.time == CurrentTime || qint32(quint32(request.time) - quint32(m_ownedSince)) >= 0;
    if (request.selection == m_clipboard && request.owner == m_owner && m_owning && current
        && sendTarget(request.requestor, property, request.target)) {
        reply.xselection.property = property;
    }
    XSendEvent(m_connection->display(), request.requestor, False, NoEventMask, &reply);
    XFlush(m_connection->display());
}

bool X11Pasteboard::sendTarget(unsigned long requestor, unsigned long property, unsigned long target)
{
    Display *display = m_connection->display();
    if (target == m_connection->atom("TARGETS")) {
        const QList<unsigned long> targets = ownedTargets();
        std::vector<long> values(targets.begin(), targets.end());
        XChangeProperty(display, requestor, property, XA_ATOM, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(values.data()), int(values.size()));
        return true;
    }
    if (target == m_connection->atom("TIMESTAMP")) {
        const long time = long(m_ownedSince);
        XChangeProperty(display, requestor, property, XA_INTEGER, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(&time), 1);
        return true;
    }
    const auto value = ownedDataFor(target);
    if (!value)
        return false;
    const auto &[type, data] = *value;
    if (data.size() <= kChunkBytes) {
        XChangeProperty(display, requestor, property, type, 8, PropModeReplace,
            reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
        return true;
    }
    // Too large for one request: announce INCR and send a chunk each time
    // the requestor deletes the property.
    XSelectInput(display, requestor, PropertyChangeMask);
    const long size = long(data.size());
    XChangeProperty(display, requestor, property, m_connection->atom("INCR"), 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(&size), 1);
    OutgoingTransfer transfer;
    transfer.requestor = requestor;
    transfer.property = property;
    transfer.type = type;
    transfer.data = data;
    transfer.idle.start();
    m_transfers.push_back(std::move(transfer));
    return true;
}

void X11Pasteboard::continueTransfer(unsigned long window, unsigned long property)
{
    Display *display = m_connection->display();
    std::erase_if(m_transfers,
        [](const OutgoingTransfer &transfer) { return transfer.idle.hasExpired(kTransferIdleMs); });
    auto it = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const OutgoingTransfer &transfer) {
        return transfer.requestor == window && transfer.property == property;
    });
    if (it == m_transfers.end())
        return;
    OutgoingTransfer &transfer = *it;
    transfer.idle.restart();
    if (transfer.endSent) {
        const Window requestor = transfer.requestor;
        m_transfers.erase(it);
        const bool stillUsed = std::any_of(m_transfers.begin(), m_transfers.end(),
            [&](const OutgoingTransfer &other) { return other.requestor == requestor; });
        if (!stillUsed)
            XSelectInput(display, requestor, NoEventMask);
        return;
    }
    const qsizetype length = std::min(kChunkBytes, transfer.data.size() - transfer.offset);
    XChangeProperty(display, transfer.requestor, transfer.property, transfer.type, 8, PropModeReplace,
        reinterpret_cast<const unsigned char *>(transfer.data.constData() + transfer.offset), int(length));
    transfer.offset += length;
    transfer.endSent = length == 0;
    XFlush(display);
}

} // namespace quillet::x11
