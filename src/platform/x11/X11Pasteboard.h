#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11SelectionOwner.h"
#include "platform/x11/X11SelectionReader.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

union _XEvent;
class QSocketNotifier;

namespace quillet::x11 {

// The X11 CLIPBOARD selection over a private connection: a selection reader
// for other owners' copies and a selection owner for Quillet's own writes.
//
// The change count is a counter moved by every XFixes notification about the
// selection (new owner, owner window destroyed, owner client gone), so a poll
// compares one integer. Writing makes Quillet the owner with a fresh server
// timestamp, so a write never loses against an owner whose timestamp the
// toolkit has not seen yet. Clearing keeps the selection, offering nothing.
class X11Pasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    static constexpr qsizetype kDefaultMaxBytes = X11SelectionReader::kDefaultMaxBytes;

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
    void setMaxBytes(qsizetype bytes) { m_reader->setMaxBytes(bytes); }
    // How long an owner may take to answer one request or send one chunk.
    void setTimeout(int milliseconds) { m_reader->setTimeout(milliseconds); }

    // Whether Quillet currently owns the clipboard.
    bool ownsSelection();
    // Whether the server reports clipboard changes (the XFixes extension);
    // without it the change count never moves.
    bool seesChanges() const { return m_xfixesEventBase >= 0; }

private:
    void processPendingEvents();
    void dispatch(_XEvent &event);
    void takeOwnership(const PasteboardItem &item);
    std::optional<QByteArray> readOffered(const QString &type);
    QList<QByteArray> uris();

    std::shared_ptr<X11Connection> m_connection;
    std::unique_ptr<X11SelectionOwner> m_owner;
    std::unique_ptr<X11SelectionReader> m_reader;
    QSocketNotifier *m_notifier = nullptr;
    int m_xfixesEventBase = 0;
    unsigned long m_clipboard = 0;
    qint64 m_changeCount = 0;
    qint64 m_urisRead = -1;
    std::optional<QByteArray> m_uriList;
};

} // namespace quillet::x11
