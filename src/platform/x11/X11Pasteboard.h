#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/X11Connection.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

union _XEvent;
class QSocketNotifier;

namespace quillet::x11 {

// The X11 CLIPBOARD selection, spoken directly over a private connection.
//
// Reading: the change count is a counter moved by every XFixes notification
// about the selection (new owner, owner window destroyed, owner client gone),
// so a poll compares one integer. Types are the owner's targets, with the
// string targets named as MIME types; data is fetched per type only when
// asked for (ICCCM ConvertSelection, INCR transfers included), and a
// transfer larger than the size limit is abandoned rather than held.
//
// Writing: Quillet becomes the selection owner itself and answers requests
// (TARGETS, TIMESTAMP, each type, the usual text conversions, INCR for large
// data), with a fresh server timestamp, so a write never loses against an
// owner whose timestamp the toolkit has not seen yet. Clearing keeps the
// selection, offering nothing.
class X11Pasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    // The capture skips a representation larger than this, so a larger
    // transfer is not worth finishing.
    static constexpr qsizetype kDefaultMaxBytes = 100 * 1024 * 1024;

    explicit X11Pasteboard(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() override;
    QStringList types() override;
    int itemCount() override;
    QStringList itemTypes(int index) override;
    std::optional<QByteArray> data(int index, const QString &type) override;
    std::optional<QString> string() override;
    void clear() override;
    void write(const QList<PasteboardItem> &items) override;

    // Transfers announced or grown beyond this many bytes are abandoned.
    void setMaxBytes(qsizetype bytes) { m_maxBytes = bytes; }
    // How long an owner may take to answer one request or send one chunk.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // Whether Quillet currently owns the clipboard.
    bool ownsSelection();
    // Whether the server reports clipboard changes (the XFixes extension);
    // without it the change count never moves.
    bool seesChanges() const { return m_xfixesEventBase >= 0; }

private:
    struct Offer;
    struct OutgoingTransfer;

    void processPendingEvents();
    void dispatch(_XEvent &event);
    bool waitForEvent(const std::function<bool(_XEvent &)> &matches, QDeadlineTimer deadline);
    unsigned long serverTime();
    void takeOwnership(const PasteboardItem &item);
    void createRequestor();

    Offer &currentOffer();
    std::optional<QByteArray> convert(
        unsigned long target, qsizetype maxBytes, unsigned long *replyType = nullptr);
    std::optional<QByteArray> readOffered(const QString &type);
    QList<QByteArray> splitUris(const QByteArray &list) const;

    void answerRequest(const _XEvent &event);
    bool sendTarget(unsigned long requestor, unsigned long property, unsigned long target);
    void continueTransfer(unsigned long window, unsigned long property);
    std::optional<std::pair<unsigned long, QByteArray>> ownedDataFor(unsigned long target);
    QList<unsigned long> ownedTargets();

    std::shared_ptr<X11Connection> m_connection;
    QSocketNotifier *m_notifier = nullptr;
    int m_xfixesEventBase = 0;
    unsigned long m_owner = 0; // the window that owns the selection for Quillet
    unsigned long m_requestor = 0; // receives converted data; replaced after an abandoned transfer
    unsigned long m_clipboard = 0;
    unsigned long m_transferProperty = 0;
    qint64 m_changeCount = 0;
    qsizetype m_maxBytes = kDefaultMaxBytes;
    int m_timeoutMs = 3000;
    bool m_requestTimedOut = false;

    std::unique_ptr<Offer> m_offer;

    // What Quillet offers while it owns the selection.
    PasteboardItem m_owned;
    unsigned long m_ownedSince = 0;
    bool m_owning = false;
    std::vector<OutgoingTransfer> m_transfers;
};

} // namespace quillet::x11
