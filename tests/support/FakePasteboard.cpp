#include "support/FakePasteboard.h"

namespace quillet::test {

QStringList FakePasteboard::types() const
{
    QStringList all;
    for (const PasteboardItem &item : m_items) {
        for (const auto &[type, data] : item.representations) {
            if (!all.contains(type))
                all.append(type);
        }
    }
    return all;
}

QFuture<PasteboardContents> FakePasteboard::read(ReadPlan plan)
{
    PasteboardContents contents;
    contents.changeCount = m_changeCount;
    contents.types = types();
    const QStringList chosen = plan.choose ? plan.choose(contents.types) : contents.types;
    bool stop = false;
    for (qsizetype index = 0; index < m_items.size() && !stop; ++index) {
        PasteboardItem read;
        for (const QString &type : chosen) {
            for (const auto &[offered, data] : m_items.at(index).representations) {
                if (offered != type)
                    continue;
                dataRequests.append(QString::number(index) + QLatin1Char(':') + type);
                if (m_withoutData.contains(type))
                    continue;
                read.representations.append({ type, data });
                if (plan.proceed && !plan.proceed(type, data))
                    stop = true;
            }
            if (stop)
                break;
        }
        contents.items.append(read);
    }
    return QtFuture::makeReadyFuture(contents);
}

std::optional<QString> FakePasteboard::string() const
{
    for (const PasteboardItem &item : m_items) {
        for (const auto &[type, data] : item.representations) {
            if (type == QLatin1String("text/plain") || type == QLatin1String("text/plain;charset=utf-8"))
                return QString::fromUtf8(data);
        }
    }
    return std::nullopt;
}

QFuture<std::optional<QString>> FakePasteboard::readText(Selection selection)
{
    return QtFuture::makeReadyFuture(selection == Selection::primary ? m_primary : string());
}

QFuture<void> FakePasteboard::clear()
{
    ++clearCalls;
    m_items.clear();
    moveCount();
    return QtFuture::makeReadyFuture();
}

QFuture<void> FakePasteboard::write(const QList<PasteboardItem> &items)
{
    ++writeCalls;
    m_items = items;
    moveCount();
    return QtFuture::makeReadyFuture();
}

QFuture<void> FakePasteboard::restore(const QList<PasteboardItem> &items)
{
    if (m_items.isEmpty())
        write(items);
    return QtFuture::makeReadyFuture();
}

void FakePasteboard::setContents(const QList<PasteboardItem> &items)
{
    m_items = items;
    moveCount();
}

void FakePasteboard::copyText(const QString &text)
{
    setContents({ PasteboardItem { { { QStringLiteral("text/plain"), text.toUtf8() } } } });
}

void FakePasteboard::moveCount()
{
    ++m_changeCount;
    if (notifies)
        Q_EMIT changed();
}

} // namespace quillet::test
