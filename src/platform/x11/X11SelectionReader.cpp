#include "platform/x11/X11SelectionReader.h"

#include <QLoggingCategory>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

const QString kPlainText = QStringLiteral("text/plain");

// Targets that describe the selection protocol rather than content.
bool isProtocolTarget(const QString &name)
{
    static const QStringList protocol { QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS"), QStringLiteral("DELETE"),
        QStringLiteral("INCR"), QStringLiteral("INSERT_SELECTION"), QStringLiteral("INSERT_PROPERTY") };
    return protocol.contains(name);
}

} // namespace

// What the owner of a selection offers, read once per generation.
struct X11SelectionReader::Offer {
    qint64 generation = -1;
    QStringList types;
    // For each MIME name, the targets to ask for, best first.
    QHash<QString, QList<Atom>> sources;
    // The owner let a request time out: it is not asked again for this
    // offer, so a frozen application stalls a read once, not once per type.
    bool unresponsive = false;
};

X11SelectionReader::X11SelectionReader(
    X11Connection &connection, EventSink otherEvents, Superseded superseded)
    : m_connection(connection)
    , m_otherEvents(std::move(otherEvents))
    , m_superseded(std::move(superseded))
{
    m_transferProperty = m_connection.atom("_QUILLET_SELECTION");
    m_wakeDescriptor = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    createRequestor();
}

X11SelectionReader::~X11SelectionReader()
{
    XDestroyWindow(m_connection.display(), m_requestor);
    if (m_wakeDescriptor >= 0)
        ::close(m_wakeDescriptor);
}

void X11SelectionReader::interrupt()
{
    m_interrupted = true;
    const quint64 one = 1;
    if (m_wakeDescriptor >= 0 && ::write(m_wakeDescriptor, &one, sizeof(one)) < 0)
        qCInfo(lcX11) << "Could not wake the clipboard read";
}

void X11SelectionReader::createRequestor()
{
    Display *display = m_connection.display();
    if (m_requestor != None)
        XDestroyWindow(display, m_requestor);
    XSetWindowAttributes attributes {};
    attributes.event_mask = PropertyChangeMask;
    m_requestor = XCreateWindow(display, m_connection.root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly,
        CopyFromParent, CWEventMask, &attributes);
}

bool X11SelectionReader::waitForEvent(const std::function<bool(XEvent &)> &matches, QDeadlineTimer deadline)
{
    return waitForReply(matches, deadline, None, -1);
}

bool X11SelectionReader::waitForReply(
    const std::function<bool(XEvent &)> &matches, QDeadlineTimer deadline, XAtom selection, qint64 generation)
{
    // Only a change seen among the other events can supersede the offer, and
    // the sink counts it before it is looked at.
    const bool mayGiveWay = generation >= 0 && m_superseded;
    Display *display = m_connection.display();
    XFlush(display);
    for (;;) {
        if (m_interrupted) {
            m_gaveWay = true;
            return false;
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (matches(event))
                return true;
            if (m_otherEvents)
                m_otherEvents(event);
            if (mayGiveWay && m_superseded(selection, generation)) {
                m_gaveWay = true;
                return false;
            }
        }
        const qint64 remaining = deadline.remainingTime();
        if (remaining == 0)
            return false;
        pollfd descriptors[]
            = { { m_connection.fileDescriptor(), POLLIN, 0 }, { m_wakeDescriptor, POLLIN, 0 } };
        ::poll(descriptors, m_wakeDescriptor >= 0 ? 2 : 1, int(remaining));
    }
}

unsigned long X11SelectionReader::serverTime(XWindow window)
{
    // A zero-length append changes nothing but makes the server report the
    // current time in a PropertyNotify (ICCCM's recommended way).
    Display *display = m_connection.display();
    const Atom marker = m_connection.atom("_QUILLET_TIMESTAMP");
    XChangeProperty(display, window, marker, XA_INTEGER, 8, PropModeAppend, nullptr, 0);
    Time time = CurrentTime;
    waitForEvent(
        [&](XEvent &event) {
            if (event.type == PropertyNotify && event.xproperty.window == window
                && event.xproperty.atom == marker) {
                time = event.xproperty.time;
                return true;
            }
            return false;
        },
        QDeadlineTimer(m_timeoutMs));
    return time;
}

X11SelectionReader::Offer &X11SelectionReader::offer(XAtom selection, qint64 generation)
{
    std::shared_ptr<Offer> &slot = m_offers[selection];
    if (slot && generation >= 0 && slot->generation == generation)
        return *slot;

    auto offer = std::make_shared<Offer>();
    offer->generation = generation;
    slot = offer;
    if (XGetSelectionOwner(m_connection.display(), selection) == None)
        return *offer;

    const Atom targetsAtom = m_connection.atom("TARGETS");
    Atom replyType = None;
    m_requestTimedOut = false;
    const auto targets = convert(selection, generation, targetsAtom, 1024 * 1024, &replyType);
    offer->unresponsive = m_requestTimedOut || m_gaveWay;
    const Atom utf8String = m_connection.atom("UTF8_STRING");
    if (targets && (replyType == XA_ATOM || replyType == targetsAtom)) {
        const auto *atoms = reinterpret_cast<const quint32 *>(targets->constData());
        // Each name costs a round trip; no real owner offers this many.
        const qsizetype count = std::min<qsizetype>(targets->size() / qsizetype(sizeof(quint32)), 512);
        for (qsizetype i = 0; i < count; ++i) {
            const Atom target = atoms[i];
            const QString name = m_connection.atomName(target);
            if (name.isEmpty() || isProtocolTarget(name))
                continue;
            // The string targets are plain text in MIME terms (the names Qt
            // and GTK give them); UTF8_STRING is the reliable encoding.
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
    return *offer;
}

std::optional<quint32> X11SelectionReader::ownerTimestamp(XAtom selection)
{
    const auto value = convert(selection, -1, m_connection.atom("TIMESTAMP"), 64, nullptr);
    if (!value || value->size() < 4)
        return std::nullopt;
    return *reinterpret_cast<const quint32 *>(value->constData());
}

QStringList X11SelectionReader::types(XAtom selection, qint64 generation)
{
    return offer(selection, generation).types;
}

std::optional<QByteArray> X11SelectionReader::data(XAtom selection, qint64 generation, const QString &type)
{
    // The offer stays alive even if a nested read replaces it.
    offer(selection, generation);
    const std::shared_ptr<Offer> current = m_offers.value(selection);
    const Atom utf8String = m_connection.atom("UTF8_STRING");
    for (const Atom source : current->sources.value(type)) {
        if (current->unresponsive)
            return std::nullopt;
        m_requestTimedOut = false;
        Atom replyType = None;
        auto data = convert(selection, generation, source, m_maxBytes, &replyType);
        if (m_requestTimedOut || m_gaveWay)
            current->unresponsive = true;
        if (!data)
            continue;
        // The reply says what its bytes are; bytes of another kind than
        // asked for are not kept under the asked-for type. Text may come in
        // either string encoding.
        const bool stringTarget = source == utf8String || source == XA_STRING;
        const bool textual = stringTarget || type.startsWith(QLatin1String("text/"));
        if (replyType == XA_STRING && textual)
            return stringTarget ? QString::fromLatin1(*data).toUtf8() : *data;
        if (replyType == source || (replyType == utf8String && textual))
            return data;
        qCInfo(lcX11) << "Ignored a reply of type" << m_connection.atomName(replyType) << "to a request for"
                      << m_connection.atomName(source);
    }
    return std::nullopt;
}

std::optional<QByteArray> X11SelectionReader::convert(
    XAtom selection, qint64 generation, XAtom target, qsizetype maxBytes, XAtom *replyType)
{
    Display *display = m_connection.display();
    const Atom property = m_transferProperty;
    const Window requestor = m_requestor;
    m_gaveWay = false;
    XDeleteProperty(display, requestor, property);
    XConvertSelection(display, selection, target, property, requestor, CurrentTime);

    XSelectionEvent reply {};
    const bool answered = waitForReply(
        [&](XEvent &event) {
            if (event.type == SelectionNotify && event.xselection.requestor == requestor
                && event.xselection.selection == selection) {
                reply = event.xselection;
                return true;
            }
            return false;
        },
        QDeadlineTimer(m_timeoutMs), selection, generation);
    if (m_gaveWay) {
        ++m_supersededReads;
        if (!m_interrupted)
            qCInfo(lcX11) << "A request for" << m_connection.atomName(target) << "gave way to a newer"
                          << m_connection.atomName(selection);
        createRequestor(); // a late answer must not land in the next transfer
        return std::nullopt;
    }
    if (!answered) {
        m_requestTimedOut = true;
        qCInfo(lcX11) << "The owner of" << m_connection.atomName(selection) << "did not answer a request for"
                      << m_connection.atomName(target);
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
        if (XGetWindowProperty(display, requestor, reply.property, 0, length, True, AnyPropertyType,
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
        qCInfo(lcX11) << "Skipped selection data larger than" << maxBytes << "bytes";
        XDeleteProperty(display, requestor, reply.property);
        return std::nullopt;
    }
    if (replyType)
        *replyType = type;
    if (type != m_connection.atom("INCR"))
        return value;

    // Incremental transfer: the announced size is a lower bound.
    const quint32 announced = value.size() >= 4 ? *reinterpret_cast<const quint32 *>(value.constData()) : 0;
    if (qsizetype(announced) > maxBytes) {
        qCInfo(lcX11) << "Skipped selection data of at least" << announced << "bytes";
        createRequestor(); // the owner keeps writing to the old window, not to the next transfer's
        return std::nullopt;
    }
    QByteArray result;
    result.reserve(qsizetype(announced));
    const QDeadlineTimer transferDeadline(qint64(m_timeoutMs) * kTransferTimeouts);
    for (;;) {
        const bool arrived = waitForReply(
            [&](XEvent &event) {
                return event.type == PropertyNotify && event.xproperty.window == requestor
                    && event.xproperty.atom == reply.property && event.xproperty.state == PropertyNewValue;
            },
            std::min(QDeadlineTimer(m_timeoutMs), transferDeadline), selection, generation);
        if (m_gaveWay) {
            ++m_supersededReads;
            if (!m_interrupted)
                qCInfo(lcX11) << "An incremental transfer gave way to a newer"
                              << m_connection.atomName(selection);
            createRequestor();
            return std::nullopt;
        }
        QByteArray chunk;
        if (!arrived || !take(&chunk, &type)) {
            qCInfo(lcX11) << "An incremental selection transfer stalled or grew too large";
            if (!arrived)
                m_requestTimedOut = true;
            createRequestor();
            return std::nullopt;
        }
        if (replyType)
            *replyType = type;
        if (chunk.isEmpty())
            return result;
        result.append(chunk);
        if (result.size() > maxBytes) {
            qCInfo(lcX11) << "Skipped selection data larger than" << maxBytes << "bytes";
            createRequestor();
            return std::nullopt;
        }
    }
}

} // namespace quillet::x11
