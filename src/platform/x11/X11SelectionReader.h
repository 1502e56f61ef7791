#pragma once

#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

union _XEvent;

namespace quillet::x11 {

// Reads an X11 selection (CLIPBOARD or PRIMARY) from its owner (ICCCM
// ConvertSelection, INCR transfers included). Types are the owner's targets
// with the string targets named as MIME types and the selection-protocol
// targets left out; data is fetched per type only when asked for.
//
// A read waits for the owner, but never longer than the time-out per request
// or chunk, and an incremental transfer never longer than kTransferTimeouts
// time-outs in all (an owner that drips a byte at a time holds nothing up for
// long); an owner that lets one request time out is not asked again for the
// same offer. A transfer larger than the size limit is abandoned rather than
// held. Events that arrive while waiting and are not part of the read go to
// `otherEvents`, so the connection's other users keep being served; when one
// of them makes `superseded` true for the offer being read (it changed hands,
// or its owner went away), the read gives way at once and that offer is not
// asked again.
class X11SelectionReader {
public:
    using EventSink = std::function<void(_XEvent &)>;
    // Whether the offer of `selection` read as `generation` is gone.
    using Superseded = std::function<bool(XAtom selection, qint64 generation)>;
    // An incremental transfer ends after this many time-outs, however
    // steadily its chunks arrive.
    static constexpr int kTransferTimeouts = 5;
    // The capture skips a representation larger than this, so a larger
    // transfer is not worth finishing.
    static constexpr qsizetype kDefaultMaxBytes = 100 * 1024 * 1024;

    X11SelectionReader(X11Connection &connection, EventSink otherEvents, Superseded superseded = {});
    ~X11SelectionReader();
    X11SelectionReader(const X11SelectionReader &) = delete;
    X11SelectionReader &operator=(const X11SelectionReader &) = delete;

    void setMaxBytes(qsizetype bytes) { m_maxBytes = bytes; }
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }
    // How many reads have given way to a newer offer so far.
    int supersededReads() const { return m_supersededReads; }
    // Ends the wait in progress and every later one at once, as if the offer
    // were superseded; callable from any thread (Quillet is quitting).
    void interrupt();

    // The types the owner of `selection` offers, in its order. The offer is
    // read once per `generation` (the caller's change count); a negative
    // generation reads it afresh.
    QStringList types(XAtom selection, qint64 generation);
    // The bytes of one offered type; nothing when the owner gives none, did
    // not answer in time, or sent more than the limit.
    std::optional<QByteArray> data(XAtom selection, qint64 generation, const QString &type);

    // The server time at which the owner of `selection` took it (its
    // TIMESTAMP target), or nothing when it does not say.
    std::optional<quint32> ownerTimestamp(XAtom selection);

    // Waits for an event that `matches`, handing every other one to the
    // sink, until `deadline`.
    bool waitForEvent(const std::function<bool(_XEvent &)> &matches, QDeadlineTimer deadline);
    // The server's current time, learnt from a property change on `window`
    // (which must select PropertyChangeMask).
    unsigned long serverTime(XWindow window);

private:
    struct Offer;

    Offer &offer(XAtom selection, qint64 generation);
    // Asks the owner of `selection` for `target`; the bytes, and in
    // `replyType` the type they carry. A read of offer `generation` (not
    // negative) gives way when that offer is superseded.
    std::optional<QByteArray> convert(
        XAtom selection, qint64 generation, XAtom target, qsizetype maxBytes, XAtom *replyType);
    // waitForEvent that also ends, setting m_gaveWay, when offer `generation`
    // of `selection` is superseded (never for a negative generation).
    bool waitForReply(const std::function<bool(_XEvent &)> &matches, QDeadlineTimer deadline, XAtom selection,
        qint64 generation);
    void createRequestor();

    X11Connection &m_connection;
    EventSink m_otherEvents;
    Superseded m_superseded;
    XWindow m_requestor = 0; // receives converted data; replaced after an abandoned transfer
    XAtom m_transferProperty = 0;
    qsizetype m_maxBytes = kDefaultMaxBytes;
    int m_timeoutMs = 3000;
    bool m_requestTimedOut = false;
    bool m_gaveWay = false;
    int m_supersededReads = 0;
    std::atomic<bool> m_interrupted { false };
    int m_wakeDescriptor = -1; // wakes a wait when interrupted
    QHash<XAtom, std::shared_ptr<Offer>> m_offers;
};

} // namespace quillet::x11
