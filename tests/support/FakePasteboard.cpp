#include "support/FakePasteboard.h"

namespace quillet::test {

QStringList FakePasteboard::types()
{
    QStringList all;
    for (const PasteboardItem &item : std::as_const(m_items)) {
        for (const auto &[type, data] : item.representations) {
            if (!all.contains(type))
                all.append(type);
        }
    }
    return all;
}

QStringList FakePasteboard::itemTypes(int index)
{
    QStringList types;
    if (index < 0 || index >= m_items.size())
        return types;
    for (const auto &[type, data] : m_items[index].representations)
        types.append(type);
    return types;
}

std::optional<QByteArray> FakePasteboard::data(int index, const QString &type)
{
    dataRequests.append(QString::number(index) + QLatin1Char(':') + type);
    if (index < 0 || index >= m_items.size() || m_withoutData.contains(type))
        return std::nullopt;
    for (const auto &[t, data] : m_items[index].representations) {
        if (t == type)
            return data;
    }
    return std::nullopt;
}

std::optional<QString> FakePasteboard::string()
{
    for (const PasteboardItem &item : std::as_const(m_items)) {
        for (const auto &[type, data] : item.representations) {
            if (type == QLatin1String("text/plain")
                || type.startsWith(QLatin1String("text/plain;charset=utf-8")))
                return QString::fromUtf8(data);
        }
    }
    return std::nullopt;
}

void FakePasteboard::clear()
{
    ++clearCalls;
    m_items.clear();
    ++m_changeCount;
}

void FakePasteboard::write(const QList<PasteboardItem> &items)
{
    ++writeCalls;
    m_items = items;
    ++m_changeCount;
}

void FakePasteboard::setContents(const QList<PasteboardItem> &items)
{
    m_items = items;
    ++m_changeCount;
}

void FakePasteboard::copyText(const QString &text)
{
    setContents({ PasteboardItem { { { QStringLiteral("text/plain"), text.toUtf8() } } } });
}

} // namespace quillet::test
