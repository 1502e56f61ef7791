#include "platform/wayland/WaylandPasteboard.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QPromise>
#include <QSet>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

Q_DECLARE_LOGGING_CATEGORY(lcWayland)

namespace quillet::wayland {

namespace {

// Text types in the order a plain-text reading prefers them.
const QStringList kTextTypes { QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain"),
    QStringLiteral("UTF8_STRING"), QStringLiteral("TEXT"), QStringLiteral("STRING") };

// The ext and wlroots protocols have the same messages in the same order;
// only the interface names differ. One client speaks both, choosing the
// interfaces at run time, with the opcodes checked to agree here.
static_assert(
    EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);

struct Protocol {
    const wl_interface *manager;
    const wl_interface *device;
    const wl_interface *source;
    quint32 maxVersion;
};
const Protocol kProtocols[] = {
    { &ext_data_control_manager_v1_interface, &ext_data_control_device_v1_interface,
        &ext_data_control_source_v1_interface, 1 },
    // Version 2 adds the primary selection.
    { &zwlr_data_control_manager_v1_interface, &zwlr_data_control_device_v1_interface,
        &zwlr_data_control_source_v1_interface, 2 },
};

// Listener layouts shared by both protocols (objects are plain proxies).
struct DeviceListener {
    void (*dataOffer)(void *, wl_proxy *, wl_proxy *);
    void (*selection)(void *, wl_proxy *, wl_proxy *);
    void (*finished)(void *, wl_proxy *);
    void (*primarySelection)(void *, wl_proxy *, wl_proxy *);
};
struct SourceListener {
    void (*send)(void *, wl_proxy *, const char *, int32_t);
    void (*cancelled)(void *, wl_proxy *);
};
struct OfferListener {
    void (*offer)(void *, wl_proxy *, const char *);
};

void destroyProxy(wl_proxy *proxy, quint32 opcode)
{
    wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

} // namespace

// Everything that touches the clipboard connection; lives on the clipboard
// thread from start() to stop().
class WaylandClipboardWorker : public QObject {
    Q_OBJECT
public:
    WaylandClipboardWorker(
        std::unique_ptr<WaylandConnection> connection, std::shared_ptr<std::atomic<qint64>> count)
        : m_connection(std::move(connection))
        , m_changeCount(std::move(count))
        , m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
    }
    ~WaylandClipboardWorker() override
    {
        if (m_wake >= 0)
            ::close(m_wake);
    }

    // From the main thread, before stop() is queued: a read waiting for a
    // slow owner ends now instead of at its time-out.
    void interrupt()
    {
        m_interrupted = true;
        const quint64 one = 1;
        if (m_wake >= 0 && ::write(m_wake, &one, sizeof(one)) < 0)
            qCInfo(lcWayland) << "Could not wake the clipboard read";
    }

    void start()
    {
        // A reader that closes its end early must not end the process: on
        // this thread a write to its pipe fails with EPIPE instead.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

        for (const Protocol &protocol : kProtocols) {
            m_manager = static_cast<wl_proxy *>(m_connection->bind(protocol.manager, protocol.maxVersion));
            if (m_manager) {
                m_protocol = &protocol;
                break;
            }
        }
        wl_seat *seat = m_connection->seat();
        if (!m_manager || !seat)
            return;
        m_device = wl_proxy_marshal_flags(m_manager, EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE,
            m_protocol->device, wl_proxy_get_version(m_manager), 0, nullptr, seat);
        static const DeviceListener listener { onDataOffer, onSelection, onFinished, onPrimarySelection };
        wl_proxy_add_listener(
            m_device, reinterpret_cast<void (**)(void)>(const_cast<DeviceListener *>(&listener)), this);
        // The current selection is announced at once.
        m_connection->roundtrip();
        m_connection->pumpFromEventLoop();
    }

    void stop()
    {
        for (wl_proxy *offer : m_offerTypes.keys())
            destroyProxy(offer, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
        m_offerTypes.clear();
        for (wl_proxy *source : m_sources.keys())
            destroyProxy(source, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
        m_sources.clear();
        if (m_device)
            destroyProxy(m_device, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
        if (m_manager)
            destroyProxy(m_manager, EXT_DATA_CONTROL_MANAGER_V1_DESTROY);
        m_connection->flush();
        m_connection.reset();
    }

    void setMaxBytes(qsizetype bytes) { m_maxBytes = bytes; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    PasteboardContents read(const ReadPlan &plan)
    {
        m_connection->dispatchPending();
        PasteboardContents contents;
        contents.changeCount = m_changeCount->load();
        if (!m_selection)
            return contents;
        const bool own = m_selectionIsOwn;
        wl_proxy *offer = m_selection;
        contents.types = own ? typesOf(m_ownItem) : m_offerTypes.value(offer);
        readItems(contents, plan,
            [&](const QString &type) { return own ? ownedData(type) : receive(offer, type); });
        // A newer copy took its place meanwhile: the monitor reads that one next.
        if (offer != m_selection)
            contents.items.clear();
        return contents;
    }

    std::optional<QString> readText(Selection selection)
    {
        m_connection->dispatchPending();
        if (selection == Selection::clipboard && m_selection && m_selectionIsOwn) {
            for (const QString &type : kTextTypes) {
                if (const auto data = ownedData(type))
                    return QString::fromUtf8(*data);
            }
            return std::nullopt;
        }
        wl_proxy *offer = selection == Selection::clipboard ? m_selection : m_primary;
        if (!offer)
            return std::nullopt;
        const QStringList offered = m_offerTypes.value(offer);
        for (const QString &type : kTextTypes) {
            if (!offered.contains(type))
                continue;
            if (const auto data = receive(offer, type))
                return QString::fromUtf8(*data);
        }
        return std::nullopt;
    }

    void write(const PasteboardItem &item)
    {
        if (!m_device)
            return;
        wl_proxy *source = wl_proxy_marshal_flags(m_manager, EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
            m_protocol->source, wl_proxy_get_version(m_manager), 0, nullptr);
        static const SourceListener listener { onSend, onCancelled };
        wl_proxy_add_listener(
            source, reinterpret_cast<void (**)(void)>(const_cast<SourceListener *>(&listener)), this);
        for (const QString &type : typesOf(item)) {
            wl_proxy_marshal_flags(source, EXT_DATA_CONTROL_SOURCE_V1_OFFER, nullptr,
                wl_proxy_get_version(source), 0, type.toUtf8().constData());
        }
        m_sources.insert(source, item);
        m_ownItem = item;
        m_pendingOwn = source;
        wl_proxy_marshal_flags(m_device, EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
            wl_proxy_get_version(m_device), 0, source);
        // The compositor announces the new selection before it answers, so the
        // count has moved when the write is done.
        m_connection->roundtrip();
    }

    void restore(const PasteboardItem &item)
    {
        m_connection->dispatchPending();
        if (!m_selection)
            write(item);
    }

Q_SIGNALS:
    void changed();
    void ownerLost();

private:
    static QStringList typesOf(const PasteboardItem &item)
    {
        QStringList types;
        for (const auto &[type, data] : item.representations)
            types.append(type);
        return types;
    }

    std::optional<QByteArray> ownedData(const QString &type) const
    {
        for (const auto &[ownedType, data] : m_ownItem.representations) {
            if (ownedType == type)
                return data;
        }
        return std::nullopt;
    }

    // The bytes another client sends for one type of its offer, through a
    // pipe it writes into. An owner that stalls beyond the time-out is not
    // asked again for that offer; a transfer beyond the limit is dropped.
    std::optional<QByteArray> receive(wl_proxy *offer, const QString &type)
    {
        // A replaced offer is destroyed; a read of it has given way.
        if (m_interrupted || m_stalledOffers.contains(offer) || (offer != m_selection && offer != m_primary))
            return std::nullopt;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return std::nullopt;
        wl_proxy_marshal_flags(offer, EXT_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr, wl_proxy_get_version(offer),
            0, type.toUtf8().constData(), fds[1]);
        m_connection->flush();
        close(fds[1]);

        QByteArray data;
        char buffer[65536];
        std::optional<QByteArray> result;
        while (true) {
            // The compositor is listened to as well, so that a new selection
            // ends the wait for an owner that stalls.
            pollfd readable[3] { { fds[0], POLLIN, 0 }, { m_connection->fileDescriptor(), POLLIN, 0 },
                { m_wake, POLLIN, 0 } };
            const int ready = poll(readable, m_wake >= 0 ? 3 : 2, m_timeoutMs);
            if (m_interrupted)
                break;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready > 0 && readable[1].revents != 0 && !(readable[0].revents & (POLLIN | POLLHUP))) {
                if (!m_connection->dispatchPending())
                    break;
                if (offer != m_selection && offer != m_primary) {
                    qCInfo(lcWayland) << "A read of" << type << "gave way to a newer selection";
                    break;
                }
                continue;
            }
            if (ready <= 0) {
                qCInfo(lcWayland) << "The clipboard owner did not send" << type << "in time";
                m_stalledOffers.insert(offer);
                break;
            }
            const ssize_t count = ::read(fds[0], buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                break;
            if (count == 0) {
                result = data;
                break;
            }
            if (data.size() + count > m_maxBytes) {
                qCInfo(lcWayland) << "Skipping" << type << "from the clipboard: larger than" << m_maxBytes
                                  << "bytes";
                break;
            }
            data.append(buffer, count);
        }
        close(fds[0]);
        return result;
    }

    void send(wl_proxy *source, const QString &type, int fd)
    {
        const PasteboardItem item = m_sources.value(source);
        QByteArray data;
        for (const auto &[ownedType, bytes] : item.representations) {
            if (ownedType == type)
                data = bytes;
        }
        // A reader that stops reading must not hold the clipboard thread.
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        qsizetype written = 0;
        while (written < data.size()) {
            const ssize_t count = ::write(fd, data.constData() + written, size_t(data.size() - written));
            if (count > 0) {
                written += count;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            pollfd writable { fd, POLLOUT, 0 };
            if (count < 0 && errno == EAGAIN && poll(&writable, 1, m_timeoutMs) > 0)
                continue;
            break;
        }
        close(fd);
    }

    void noteChange()
    {
        ++*m_changeCount;
        Q_EMIT changed();
    }

    void forgetOffer(wl_proxy *offer)
    {
        if (!offer || offer == m_selection || offer == m_primary)
            return;
        m_offerTypes.remove(offer);
        m_stalledOffers.remove(offer);
        destroyProxy(offer, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
    }

    static void onDataOffer(void *data, wl_proxy *, wl_proxy *offer)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        self->m_offerTypes.insert(offer, {});
        static const OfferListener listener { onOfferType };
        wl_proxy_add_listener(
            offer, reinterpret_cast<void (**)(void)>(const_cast<OfferListener *>(&listener)), self);
    }

    static void onOfferType(void *data, wl_proxy *offer, const char *type)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        self->m_offerTypes[offer].append(QString::fromUtf8(type));
    }

    static void onSelection(void *data, wl_proxy *, wl_proxy *offer)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        wl_proxy *previous = self->m_selection;
        self->m_selection = offer;
        self->forgetOffer(previous);
        // The first selection after Quillet's own set_selection is its own,
        // unless its source was already replaced.
        self->m_selectionIsOwn = offer && self->m_pendingOwn && self->m_sources.contains(self->m_pendingOwn);
        self->m_pendingOwn = nullptr;
        self->noteChange();
        // The client that copied went away (the compositor clears the
        // selection then), or someone cleared it.
        if (!offer && previous)
            Q_EMIT self->ownerLost();
    }

    static void onPrimarySelection(void *data, wl_proxy *, wl_proxy *offer)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        wl_proxy *previous = self->m_primary;
        self->m_primary = offer;
        self->forgetOffer(previous);
    }

    static void onFinished(void *data, wl_proxy *device)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        qCWarning(lcWayland) << "The compositor ended Quillet's clipboard device";
        destroyProxy(device, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
        self->m_device = nullptr;
    }

    static void onSend(void *data, wl_proxy *source, const char *type, int32_t fd)
    {
        static_cast<WaylandClipboardWorker *>(data)->send(source, QString::fromUtf8(type), fd);
    }

    static void onCancelled(void *data, wl_proxy *source)
    {
        auto *self = static_cast<WaylandClipboardWorker *>(data);
        self->m_sources.remove(source);
        destroyProxy(source, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    }

    std::unique_ptr<WaylandConnection> m_connection;
    std::shared_ptr<std::atomic<qint64>> m_changeCount;
    const Protocol *m_protocol = nullptr;
    wl_proxy *m_manager = nullptr;
    wl_proxy *m_device = nullptr;
    // Every offer still alive, with the types announced for it.
    QHash<wl_proxy *, QStringList> m_offerTypes;
    QSet<wl_proxy *> m_stalledOffers;
    wl_proxy *m_selection = nullptr;
    wl_proxy *m_primary = nullptr;
    bool m_selectionIsOwn = false;
    // Quillet's sources the compositor has not cancelled yet, with their data.
    QHash<wl_proxy *, PasteboardItem> m_sources;
    wl_proxy *m_pendingOwn = nullptr;
    PasteboardItem m_ownItem;
    qsizetype m_maxBytes = WaylandPasteboard::kDefaultMaxBytes;
    int m_timeoutMs = 2000;
    std::atomic<bool> m_interrupted { false };
    int m_wake = -1; // wakes a read when interrupted
};

WaylandPasteboard::WaylandPasteboard(std::unique_ptr<WaylandConnection> connection, QObject *parent)
    : ThreadedPasteboard(parent)
{
    m_available = connection
        && (connection->has(protocols::extDataControl) || connection->has(protocols::wlrDataControl));
    if (m_available)
        run(new WaylandClipboardWorker(std::move(connection), m_changeCount));
}

WaylandPasteboard::~WaylandPasteboard() = default;

} // namespace quillet::wayland

template class quillet::ThreadedPasteboard<quillet::wayland::WaylandClipboardWorker>;

#include "WaylandPasteboard.moc"
