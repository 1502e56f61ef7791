#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/X11Connection.h"

#include <QElapsedTimer>

#include <optional>
#include <utility>
#include <vector>

union _XEvent;

namespace quillet::x11 {

// Quillet as the owner of an X11 selection: it answers other clients'
// requests (TARGETS, TIMESTAMP, MULTIPLE, each offered type and the usual text
// and file-list conversions), sending large values incrementally (INCR).
// Requests stamped before Quillet took the selection are refused (ICCCM).
class X11SelectionOwner {
public:
    X11SelectionOwner(X11Connection &connection, XAtom selection);
    ~X11SelectionOwner();
    X11SelectionOwner(const X11SelectionOwner &) = delete;
    X11SelectionOwner &operator=(const X11SelectionOwner &) = delete;

    // The window that owns the selection for Quillet; it selects property
    // changes, so it also serves to learn the server time.
    XWindow window() const { return m_window; }

    // Takes the selection at server time `time`, offering `item` (an empty
    // item offers nothing). Returns whether the server made Quillet the owner.
    bool take(const PasteboardItem &item, unsigned long time);
    bool owns() const { return m_owning; }
    const PasteboardItem &offered() const { return m_offered; }

    // Serves the event when it belongs to this owner; returns whether it did.
    bool handleEvent(_XEvent &event);

private:
    struct OutgoingTransfer {
        XWindow requestor = 0;
        XAtom property = 0;
        XAtom type = 0;
        QByteArray data;
        qsizetype offset = 0;
        bool endSent = false;
        QElapsedTimer idle;
    };

    void answerRequest(const _XEvent &event);
    bool sendTarget(XWindow requestor, XAtom property, XAtom target);
    bool sendMultiple(XWindow requestor, XAtom property);
    void continueTransfer(XWindow window, XAtom property);
    std::optional<std::pair<XAtom, QByteArray>> dataFor(XAtom target);
    QList<XAtom> targets();

    X11Connection &m_connection;
    XAtom m_selection;
    XWindow m_window = 0;
    PasteboardItem m_offered;
    unsigned long m_since = 0;
    bool m_owning = false;
    std::vector<OutgoingTransfer> m_transfers;
};

} // namespace quillet::x11
