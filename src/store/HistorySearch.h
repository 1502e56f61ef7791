#pragma once

#include "store/Store.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QThreadPool>
#include <QUuid>

#include <atomic>
#include <memory>

namespace quillet {

// Finds the history entries whose whole text contains a query, away from the
// main thread: a query over a large history never holds up typing. Only the
// latest query counts; starting another abandons the one still running.
class HistorySearch : public QObject {
    Q_OBJECT
public:
    explicit HistorySearch(Store &store, QObject *parent = nullptr);
    ~HistorySearch() override;

    // Starts matching `foldedQuery` (folded as in core/Search.h); `found`
    // follows on this thread unless another query or cancel() comes first.
    void start(const QString &foldedQuery);
    void cancel();
    // Whether the latest query is still being matched.
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void found(const QString &foldedQuery, const QSet<QUuid> &ids);

private:
    QPointer<Store> m_store;
    QThreadPool m_worker;
    std::shared_ptr<std::atomic<quint64>> m_generation = std::make_shared<std::atomic<quint64>>(0);
    bool m_running = false;
};

} // namespace quillet
