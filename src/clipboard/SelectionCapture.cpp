#include "clipboard/SelectionCapture.h"

#include <QCoroFuture>
#include <QPointer>

#include <memory>

namespace quillet {

// Waits until no other copy is running.
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

// Waits until the clipboard's change count moves past `since`, at most `limit`.
class SelectionCapture::Change {
public:
    Change(SelectionCapture &capture, qint64 since, std::chrono::milliseconds limit)
        : m_capture(capture)
        , m_since(since)
        , m_limit(limit)
    {
    }
    bool await_ready() const noexcept { return m_capture.m_pasteboard.changeCount() != m_since; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        struct Wait {
            std::coroutine_handle<> handle;
            QMetaObject::Connection connection;
            bool done = false;
        };
        auto wait = std::make_shared<Wait>();
        wait->handle = handle;
        const auto finish = [wait] {
            if (wait->done)
                return;
            wait->done = true;
            QObject::disconnect(wait->connection);
            wait->handle.resume();
        };
        // A change signal still queued from before `since` (the clearing
        // write itself) must not end the wait: only a count past it does.
        wait->connection = QObject::connect(&m_capture.m_pasteboard, &Pasteboard::changed, &m_capture,
            [finish, pasteboard = &m_capture.m_pasteboard, since = m_since] {
                if (pasteboard->changeCount() != since)
                    finish();
            });
        m_capture.m_clock.schedule(m_limit, &m_capture, finish);
    }
    void await_resume() const noexcept { }

private:
    SelectionCapture &m_capture;
    qint64 m_since;
    std::chrono::milliseconds m_limit;
};

SelectionCapture::SelectionCapture(
    Pasteboard &pasteboard, KeySynthesizer &keys, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_keys(keys)
    , m_clock(clock)
{
}

QCoro::Task<std::optional<QString>> SelectionCapture::selectedText()
{
    QPointer<SelectionCapture> self(this);
    std::optional<QString> text = co_await readPrimary();
    if (!text && self)
        text = co_await copySelection();
    co_return text;
}

QCoro::Task<std::optional<QString>> SelectionCapture::readPrimary()
{
    std::optional<QString> text = co_await m_pasteboard.readText(Selection::primary);
    if (text && text->isEmpty())
        text.reset();
    co_return text;
}

QCoro::Task<std::optional<QString>> SelectionCapture::copySelection()
{
    QPointer<SelectionCapture> self(this);
    co_await Turn(*this);
    if (!self)
        co_return std::nullopt;
    m_capturing = true;

    const PasteboardContents saved = co_await m_pasteboard.read(ReadPlan {});
    if (!self)
        co_return std::nullopt;
    co_await m_pasteboard.clear();
    if (!self)
        co_return std::nullopt;
    const qint64 cleared = m_pasteboard.changeCount();
    m_keys.postCopy();
    co_await Change(*this, cleared, kCopyWait);
    if (!self)
        co_return std::nullopt;

    const std::optional<QString> text = co_await m_pasteboard.readText(Selection::clipboard);
    if (!self)
        co_return text;
    if (saved.items.isEmpty())
        co_await m_pasteboard.clear();
    else
        co_await m_pasteboard.write(saved.items);
    if (self)
        endTurn();
    co_return text;
}

void SelectionCapture::endTurn()
{
    if (m_queue.empty()) {
        m_capturing = false;
        return;
    }
    // The turn passes straight to the next waiting copy.
    const std::coroutine_handle<> next = m_queue.front();
    m_queue.pop_front();
    QMetaObject::invokeMethod(
        this, [next] { next.resume(); }, Qt::QueuedConnection);
}

} // namespace quillet
