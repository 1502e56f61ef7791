#pragma once

#include "platform/Pasteboard.h"

#include <QFuture>
#include <QPromise>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>

namespace quillet {

// One selection holds one item: later items add the types the first lacks,
// and their file URIs join the list so that every file survives.
PasteboardItem mergedItem(const QList<PasteboardItem> &items);

// The URIs of a text/uri-list, without comments and line ends.
QList<QByteArray> splitUriList(const QByteArray &list);

// Fetches the types `plan` chooses from `contents.types` through `fetch` into
// `contents.items`; a URI list naming several files becomes one item per
// file, as a file manager's multi-file copy reads elsewhere.
void readItems(PasteboardContents &contents, const ReadPlan &plan,
    const std::function<std::optional<QByteArray>(const QString &type)> &fetch);

// A pasteboard spoken by a worker on a thread of its own, so that the main
// thread never waits for another client: requests are queued to the worker
// and their results come back as futures. `Worker` is a QObject with the
// signals changed() and ownerLost() and the members start(), stop(),
// read(plan), readText(selection), write(item), restore(item),
// setMaxBytes(bytes) and setTimeout(ms); optionally interrupt(), called from
// the owning thread while the worker may be busy, which ends a read in
// progress at once, so that quitting never waits out another client's
// time-out. Without a worker (the desktop offers no way to reach its
// clipboard) it is an empty clipboard that ignores writes.
template<typename Worker> class ThreadedPasteboard : public Pasteboard {
public:
    ~ThreadedPasteboard() override;

    qint64 changeCount() const override { return m_changeCount->load(); }

    QFuture<PasteboardContents> read(ReadPlan plan) override;
    QFuture<std::optional<QString>> readText(Selection selection = Selection::clipboard) override;
    QFuture<void> clear() override;
    QFuture<void> write(const QList<PasteboardItem> &items) override;
    QFuture<void> restore(const QList<PasteboardItem> &items) override;

    // Transfers announced or grown beyond this many bytes are abandoned.
    void setMaxBytes(qsizetype bytes);
    // How long another client may take to answer or to send the next bytes.
    void setTimeout(int milliseconds);

protected:
    explicit ThreadedPasteboard(QObject *parent)
        : Pasteboard(parent)
    {
    }

    // Takes `worker` over, moves it to the clipboard thread and starts it
    // there before any request.
    void run(Worker *worker);

    // `function(worker)` on the clipboard thread; its result as a future.
    template<typename T, typename Fn> QFuture<T> onClipboardThread(Fn function);

    // Moved by the worker on every change it sees; read from any thread.
    const std::shared_ptr<std::atomic<qint64>> m_changeCount = std::make_shared<std::atomic<qint64>>(0);

private:
    QThread m_thread;
    Worker *m_worker = nullptr;
};

// Out of the class, so that a declared explicit instantiation keeps them
// from being instantiated where the worker is not defined.

template<typename Worker> ThreadedPasteboard<Worker>::~ThreadedPasteboard()
{
    if (!m_worker)
        return;
    if constexpr (requires(Worker & worker) { worker.interrupt(); })
        m_worker->interrupt();
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker] {
            worker->stop();
            delete worker;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

template<typename Worker> QFuture<PasteboardContents> ThreadedPasteboard<Worker>::read(ReadPlan plan)
{
    return onClipboardThread<PasteboardContents>(
        [plan = std::move(plan)](Worker &worker) { return worker.read(plan); });
}

template<typename Worker>
QFuture<std::optional<QString>> ThreadedPasteboard<Worker>::readText(Selection selection)
{
    return onClipboardThread<std::optional<QString>>(
        [selection](Worker &worker) { return worker.readText(selection); });
}

template<typename Worker> QFuture<void> ThreadedPasteboard<Worker>::clear()
{
    return onClipboardThread<void>([](Worker &worker) { worker.write({}); });
}

template<typename Worker> QFuture<void> ThreadedPasteboard<Worker>::write(const QList<PasteboardItem> &items)
{
    return onClipboardThread<void>([item = mergedItem(items)](Worker &worker) { worker.write(item); });
}

template<typename Worker>
QFuture<void> ThreadedPasteboard<Worker>::restore(const QList<PasteboardItem> &items)
{
    return onClipboardThread<void>([item = mergedItem(items)](Worker &worker) { worker.restore(item); });
}

template<typename Worker> void ThreadedPasteboard<Worker>::setMaxBytes(qsizetype bytes)
{
    onClipboardThread<void>([bytes](Worker &worker) { worker.setMaxBytes(bytes); });
}

template<typename Worker> void ThreadedPasteboard<Worker>::setTimeout(int milliseconds)
{
    onClipboardThread<void>([milliseconds](Worker &worker) { worker.setTimeout(milliseconds); });
}

template<typename Worker> void ThreadedPasteboard<Worker>::run(Worker *worker)
{
    m_worker = worker;
    m_thread.setObjectName(QStringLiteral("Quillet clipboard"));
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &Worker::changed, this, &Pasteboard::changed);
    connect(m_worker, &Worker::ownerLost, this, &Pasteboard::ownerLost);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, &Worker::start, Qt::BlockingQueuedConnection);
}

template<typename Worker>
template<typename T, typename Fn>
QFuture<T> ThreadedPasteboard<Worker>::onClipboardThread(Fn function)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    if (!m_worker) {
        if constexpr (!std::is_void_v<T>)
            promise->addResult(T {});
        promise->finish();
        return future;
    }
    QMetaObject::invokeMethod(
        m_worker,
        [promise, function = std::move(function), worker = m_worker]() mutable {
            if constexpr (std::is_void_v<T>)
                function(*worker);
            else
                promise->addResult(function(*worker));
            promise->finish();
        },
        Qt::QueuedConnection);
    return future;
}

} // namespace quillet
