#pragma once

#include "platform/Pasteboard.h"

namespace quillet::test {

// An in-memory clipboard that behaves like the X11 one: every clear or write
// moves the change count, and another application's copy is simulated with
// setContents()/copyText().
class FakePasteboard final : public Pasteboard {
public:
    qint64 changeCount() override { return m_changeCount; }
    QStringList types() override;
    int itemCount() override { return int(m_items.size()); }
    QStringList itemTypes(int index) override;
    std::optional<QByteArray> data(int index, const QString &type) override;
    std::optional<QString> string() override;
    void clear() override;
    void write(const QList<PasteboardItem> &items) override;

    // Another application copies: replaces the items and moves the count.
    void setContents(const QList<PasteboardItem> &items);
    void copyText(const QString &text);

    const QList<PasteboardItem> &items() const { return m_items; }
    // Types that are listed but give no data when asked.
    void setTypesWithoutData(const QStringList &types) { m_withoutData = types; }

    int clearCalls = 0;
    int writeCalls = 0;
    // Every data() request, as "index:type", to check what capture reads.
    QStringList dataRequests;

private:
    qint64 m_changeCount = 1;
    QList<PasteboardItem> m_items;
    QStringList m_withoutData;
};

} // namespace quillet::test
