#pragma once

#include "platform/Pasteboard.h"

namespace quillet::test {

// An in-memory clipboard that behaves like the X11 one, only at once: every
// clear or write moves the change count and says so, and reads finish
// immediately. Another application's copy is simulated with
// setContents()/copyText(), the text selected elsewhere with setPrimary().
class FakePasteboard final : public Pasteboard {
public:
    qint64 changeCount() const override { return m_changeCount; }
    bool notifiesChanges() const override { return notifies; }
    QFuture<PasteboardContents> read(ReadPlan plan) override;
    QFuture<std::optional<QString>> readText(Selection selection = Selection::clipboard) override;
    QFuture<void> clear() override;
    QFuture<void> write(const QList<PasteboardItem> &items) override;
    QFuture<void> restore(const QList<PasteboardItem> &items) override;

    // Another application copies: replaces the items and moves the count.
    void setContents(const QList<PasteboardItem> &items);
    void copyText(const QString &text);
    void setPrimary(const std::optional<QString> &text) { m_primary = text; }

    QStringList types() const;
    std::optional<QString> string() const;
    const QList<PasteboardItem> &items() const { return m_items; }
    // Types that are listed but give no data when asked.
    void setTypesWithoutData(const QStringList &types) { m_withoutData = types; }

    // Whether `changed` is emitted (else the change count must be polled).
    bool notifies = true;
    int clearCalls = 0;
    int writeCalls = 0;
    // Every representation fetched, as "index:type", to check what a read asks for.
    QStringList dataRequests;

private:
    void moveCount();

    qint64 m_changeCount = 1;
    QList<PasteboardItem> m_items;
    QStringList m_withoutData;
    std::optional<QString> m_primary;
};

} // namespace quillet::test
