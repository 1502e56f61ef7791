#include "store/HistorySearch.h"

namespace quillet {

HistorySearch::HistorySearch(Store &store, QObject *parent)
    : QObject(parent)
    , m_store(&store)
{
    m_worker.setMaxThreadCount(1);
}

HistorySearch::~HistorySearch()
{
    cancel();
    m_worker.waitForDone();
}

void HistorySearch::start(const QString &foldedQuery)
{
    const quint64 generation = ++*m_generation;
    m_running = true;
    const auto deliver = [this, generation, foldedQuery](const QSet<QUuid> &ids) {
        if (m_generation->load() != generation)
            return;
        m_running = false;
        Q_EMIT found(foldedQuery, ids);
    };
    // A store standing in for an unusable file holds nothing to find.
    if (!m_store || !m_store->isAvailable() || foldedQuery.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [deliver] { deliver({}); }, Qt::QueuedConnection);
        return;
    }
    m_worker.start([this, deliver, path = m_store->path(), foldedQuery, generation, latest = m_generation] {
        const auto ids = Store::findItemIds(path, foldedQuery, [&] { return latest->load() != generation; });
        // Posted while this object lives: its destructor waits for the worker.
        // A failed search finds nothing; one overtaken by a newer query is dropped.
        QMetaObject::invokeMethod(
            this, [deliver, ids = ids.value_or(QSet<QUuid>())] { deliver(ids); }, Qt::QueuedConnection);
    });
}

void HistorySearch::cancel()
{
    ++*m_generation;
    m_running = false;
}

} // namespace quillet
