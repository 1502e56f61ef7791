#include "platform/x11/X11SelectionOwner.h"

#include "platform/ThreadedPasteboard.h"

#include <QLoggingCategory>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");
const QString kUtf8PlainText = QStringLiteral("text/plain;charset=utf-8");

// Large values go out in chunks of this size (ICCCM INCR), below the
// server's request limit.
constexpr qsizetype kChunkBytes = 256 * 1024;
// A requestor that stops fetching chunks for this long is given up.
constexpr qint64 kTransferIdleMs = 10000;

} // namespace

X11SelectionOwner::X11SelectionOwner(X11Connection &connection, XAtom selection)
    : m_connection(connection)
    , m_selection(selection)
{
    XSetWindowAttributes attributes {};
    attributes.event_mask = PropertyChangeMask;
    m_window = XCreateWindow(m_connection.display(), m_connection.root(), -10, -10, 1, 1, 0, CopyFromParent,
        InputOnly, CopyFromParent, CWEventMask, &attributes);
}

X11SelectionOwner::~X11SelectionOwner()
{
    XDestroyWindow(m_connection.display(), m_window);
}

bool X11SelectionOwner::take(const PasteboardItem &item, unsigned long time)
{
    Display *display = m_connection.display();
    XSetSelectionOwner(display, m_selection, m_window, time);
    m_owning = XGetSelectionOwner(display, m_selection) == m_window;
    if (m_owning) {
        m_offered = item;
        m_since = time;
    } else {
        m_offered = {};
        qCWarning(lcX11) << "Could not take over" << m_connection.atomName(m_selection);
    }
    return m_owning;
}

bool X11SelectionOwner::handleEvent(XEvent &event)
{
    switch (event.type) {
    case SelectionRequest:
        if (event.xselectionrequest.selection != m_selection || event.xselectionrequest.owner != m_window)
            return false;
        answerRequest(event);
        return true;
    case SelectionClear:
        if (event.xselectionclear.selection != m_selection || event.xselectionclear.window != m_window)
            return false;
        m_owning = false;
        m_offered = {};
        return true;
    case PropertyNotify:
        if (event.xproperty.state != PropertyDelete)
            return false;
        continueTransfer(event.xproperty.window, event.xproperty.atom);
        return false; // other users may wait for the same window's changes
    default:
        return false;
    }
}

QList<XAtom> X11SelectionOwner::targets()
{
    QList<XAtom> targets { m_connection.atom("TARGETS"), m_connection.atom("TIMESTAMP"),
        m_connection.atom("MULTIPLE") };
    auto add = [&](XAtom atom) {
        if (!targets.contains(atom))
            targets.append(atom);
    };
    for (const auto &[type, data] : std::as_const(m_offered.representations))
        add(m_connection.atom(type.toLatin1().constData()));
    for (const char *conversion : { "UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8",
             "x-special/gnome-copied-files" }) {
        const XAtom atom = m_connection.atom(conversion);
        if (dataFor(atom))
            add(atom);
    }
    return targets;
}

std::optional<std::pair<XAtom, QByteArray>> X11SelectionOwner::dataFor(XAtom target)
{
    const QString name = m_connection.atomName(target);
    auto find = [&](const QString &type) -> std::optional<QByteArray> {
        for (const auto &[offeredType, data] : std::as_const(m_offered.representations)) {
            if (offeredType == type)
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
        if (auto uris = find(kUriList))
            return splitUriList(*uris).join('\n');
        return std::nullopt;
    };
    if (name == QLatin1String("UTF8_STRING") || name == QLatin1String("TEXT")) {
        if (auto value = text())
            return std::pair { m_connection.atom("UTF8_STRING"), *value };
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
            return std::pair { target, QByteArray("copy\n") + splitUriList(*uris).join('\n') };
    }
    return std::nullopt;
}

void X11SelectionOwner::answerRequest(const XEvent &event)
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
    const XAtom property = request.property != None ? request.property : request.target;
    // Server time is 32-bit milliseconds and wraps after 49 days.
    const bool current = request.time == CurrentTime || qint32(quint32(request.time) - quint32(m_since)) >= 0;
    if (m_owning && current) {
        const bool served = request.target == m_connection.atom("MULTIPLE")
            ? request.property != None && sendMultiple(request.requestor, request.property)
            : sendTarget(request.requestor, property, request.target);
        if (served)
            reply.xselection.property = property;
    }
    XSendEvent(m_connection.display(), request.requestor, False, NoEventMask, &reply);
    XFlush(m_connection.display());
}

bool X11SelectionOwner::sendMultiple(XWindow requestor, XAtom property)
{
    // The property holds (target, property) pairs; a pair that cannot be
    // served gets None as its property (ICCCM 2.6.2).
    const auto pairs = m_connection.property(requestor, property, AnyPropertyType, 64 * 1024);
    if (!pairs || pairs->format != 32 || pairs->items % 2 != 0)
        return false;
    std::vector<long> values(pairs->items);
    std::memcpy(values.data(), pairs->bytes.constData(), values.size() * sizeof(long));
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
        const XAtom target = XAtom(values[i]);
        const XAtom targetProperty = XAtom(values[i + 1]);
        if (target == m_connection.atom("MULTIPLE") || targetProperty == None
            || !sendTarget(requestor, targetProperty, target))
            values[i + 1] = None;
    }
    XChangeProperty(m_connection.display(), requestor, property, pairs->type, 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(values.data()), int(values.size()));
    return true;
}

bool X11SelectionOwner::sendTarget(XWindow requestor, XAtom property, XAtom target)
{
    Display *display = m_connection.display();
    if (target == m_connection.atom("TARGETS")) {
        const QList<XAtom> offered = targets();
        std::vector<long> values(offered.begin(), offered.end());
        XChangeProperty(display, requestor, property, XA_ATOM, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(values.data()), int(values.size()));
        return true;
    }
    if (target == m_connection.atom("TIMESTAMP")) {
        const long time = long(m_since);
        XChangeProperty(display, requestor, property, XA_INTEGER, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(&time), 1);
        return true;
    }
    const auto value = dataFor(target);
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
    XChangeProperty(display, requestor, property, m_connection.atom("INCR"), 32, PropModeReplace,
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

void X11SelectionOwner::continueTransfer(XWindow window, XAtom property)
{
    Display *display = m_connection.display();
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
        const XWindow requestor = transfer.requestor;
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
