#include "clipboard/SelectionCapture.h"

#include <QPointer>

namespace quillet {

namespace {

QList<SavedPasteboardItem> saveItems(Pasteboard &pasteboard)
{
    QList<SavedPasteboardItem> saved;
    const int count = pasteboard.itemCount();
    for (int index = 0; index < count; ++index) {
        SavedPasteboardItem item;
        for (const QString &type : pasteboard.itemTypes(index)) {
            if (item.types.contains(type))
                continue;
            item.types.append(type);
            if (auto data = pasteboard.data(index, type))
                item.dataByType.insert(type, *data);
        }
        saved.append(item);
    }
    return saved;
}

void restoreItems(Pasteboard &pasteboard, const QList<SavedPasteboardItem> &saved)
{
    pasteboard.clear();
    QList<PasteboardItem> items;
    for (const SavedPasteboardItem &savedItem : saved) {
        PasteboardItem item;
        for (const QString &type : savedItem.types) {
            const auto data = savedItem.dataByType.constFind(type);
            if (data != savedItem.dataByType.cend())
                item.representations.append({ type, *data });
        }
        items.append(item);
    }
    if (!items.isEmpty())
        pasteboard.write(items);
}

} // namespace

// Waits until no other capture is running.
class SelectionCapture::Turn {
public:
    explicit Turn(SelectionCapture &capture)
        : m_capture(capture)
    {
    }
    bool await_ready() const noexcept { return !m_capture.m_capturing; }
    void await_suspend(std::coroutine_handle<> handle) { m_capture.m_queue.push_back(handle); }
    void await_resume() const noexcept { }

private:
    SelectionCapture &m_capture;
};

SelectionCapture::SelectionCapture(
    Pasteboard &pasteboard, KeySynthesizer &keys, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_keys(keys)
    , m_clock(clock)
{
}

QCoro::Task<std::optional<QString>> SelectionCapture::copySelection()
{
    QPointer<SelectionCapture> self(this);
    co_await Turn(*this);
    if (!self)
        co_return std::nullopt;
    m_capturing = true;

    const QList<SavedPasteboardItem> saved = saveItems(m_pasteboard);
    m_pasteboard.clear();
    m_keys.postCopy();
    co_await m_clock.sleep(kCopyWait);
    if (!self)
        co_return std::nullopt;

    const std::optional<QString> text = m_pasteboard.string();
    restoreItems(m_pasteboard, saved);
    endTurn();
    co_return text;
}

void SelectionCapture::endTurn()
{
    if (m_queue.empty()) {
        m_capturing = false;
        return;
    }
    // The turn passes straight to the next waiting capture.
    const std::coroutine_handle<> next = m_queue.front();
    m_queue.pop_front();
    QMetaObject::invokeMethod(
        this, [next] { next.resume(); }, Qt::QueuedConnection);
}

} // namespace quillet
