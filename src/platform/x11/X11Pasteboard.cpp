#include "platform/x11/X11Pasteboard.h"

#include <QAbstractEventDispatcher>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

Q_DECLARE_LOGGING_CATEGORY(lcX11)

namespace quillet::x11 {

namespace {

const QString kUriList = QStringLiteral("text/uri-list");
const QString kPlainText = QStringLiteral("text/plain");
const QString kUtf8PlainText = QStringLiteral("text/plain;charset=utf-8");

} // namespace

X11Pasteboard::X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
    Display *display = m_connection->display();
    m_clipboard = m_connection->atom("CLIPBOARD");
    m_owner = std::make_unique<X11SelectionOwner>(*m_connection, m_clipboard);
    m_reader
        = std::make_unique<X11SelectionReader>(*m_connection, [this](XEvent &event) { dispatch(event); });

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
    m_reader.reset();
    m_owner.reset();
    XSync(m_connection->display(), False);
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
    m_owner->handleEvent(event);
}

qint64 X11Pasteboard::changeCount()
{
    processPendingEvents();
    return m_changeCount;
}

bool X11Pasteboard::ownsSelection()
{
    processPendingEvents();
    return m_owner->owns() && XGetSelectionOwner(m_connection->display(), m_clipboard) == m_owner->window();
}

QStringList X11Pasteboard::types()
{
    if (ownsSelection()) {
        QStringList types;
        for (const auto &[type, data] : m_owner->offered().representations)
            types.append(type);
        return types;
    }
    return m_reader->types(m_clipboard, m_changeCount);
}

std::optional<QByteArray> X11Pasteboard::readOffered(const QString &type)
{
    if (ownsSelection()) {
        for (const auto &[ownedType, data] : m_owner->offered().representations) {
            if (ownedType == type)
                return data;
        }
        return std::nullopt;
    }
    return m_reader->data(m_clipboard, m_changeCount, type);
}

QList<QByteArray> X11Pasteboard::uris()
{
    if (m_urisRead != m_changeCount) {
        m_uriList = readOffered(kUriList);
        m_urisRead = m_changeCount;
    }
    QList<QByteArray> uris;
    if (!m_uriList)
        return uris;
    for (QByteArray line : m_uriList->split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty() && !line.startsWith('#'))
            uris.append(line);
    }
    return uris;
}

int X11Pasteboard::itemCount()
{
    const QStringList offered = types();
    if (offered.isEmpty())
        return 0;
    if (!offered.contains(kUriList))
        return 1;
    return int(std::max<qsizetype>(1, uris().size()));
}

QStringList X11Pasteboard::itemTypes(int index)
{
    const int count = itemCount();
    if (index < 0 || index >= count)
        return {};
    if (index == 0)
        return types();
    return { kUriList };
}

std::optional<QByteArray> X11Pasteboard::data(int index, const QString &type)
{
    if (!itemTypes(index).contains(type))
        return std::nullopt;
    if (type == kUriList) {
        const QList<QByteArray> list = uris();
        if (list.size() <= 1)
            return m_uriList; // one item: the list as offered
        return list.value(index);
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
    takeOwnership({});
}

void X11Pasteboard::takeOwnership(const PasteboardItem &item)
{
    m_owner->take(item, m_reader->serverTime(m_owner->window()));
    XSync(m_connection->display(), False);
    processPendingEvents();
}

void X11Pasteboard::write(const QList<PasteboardItem> &items)
{
    // One selection holds one item: later items add the types the first
    // lacks, and their file URIs join the list so that every file survives.
    PasteboardItem merged;
    for (const PasteboardItem &item : items) {
        for (const auto &[type, data] : item.representations) {
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

} // namespace quillet::x11
