#include "clipboard/HistoryManager.h"

#include "clipboard/DerivedValues.h"
#include "clipboard/TypeRegistry.h"
#include "core/Graphemes.h"
#include "core/Memory.h"
#include "defaults/PreferenceKeys.h"
#include "store/UserStore.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QLoggingCategory>
#include <QPromise>
#include <QtConcurrent>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcHistory, "quillet.history")

namespace quillet {

namespace {

constexpr qint64 kDefaultHistoryLimit = 500;
// Entries this large are written away from the main thread, and the memory
// they passed through is given back once they are stored.
constexpr qint64 kLargeCopyBytes = 1024 * 1024;

// Lowers the calling worker thread's scheduling priority once (Linux keeps a
// nice value per thread).
void yieldToTheInterface()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
}

HistoryManager::Entry deriveEntry(const PasteboardSnapshot &snapshot)
{
    yieldToTheInterface();
    HistoryManager::Entry entry;
    entry.hash = contentHashOf(snapshot);
    QStringList typeList;
    for (const TypedContent &content : snapshot.contents)
        typeList.append(content.utType);
    entry.type = classifyContentType(typeList);
    entry.title = leftGraphemes(makeTitle(snapshot, entry.type), kMaxTitleCharacters);
    entry.searchText = makeSearchText(snapshot, entry.type);
    for (const TypedContent &typed : snapshot.contents) {
        if (storageTypeFor(typed.utType).isEmpty())
            continue;
        ClipboardContent content;
        content.id = QUuid::createUuid();
        content.utTypeIdentifier = typed.utType;
        content.data = typed.data;
        content.dataSize = typed.data.size();
        content.textPreview = makeTextPreview(typed.data, typed.utType);
        if (conformsTo(typed.utType, types::image)) {
            content.thumbnailData = makeThumbnail(typed.data);
            if (!entry.thumbnail)
                entry.thumbnail = content.thumbnailData;
        }
        entry.contents.append(content);
    }
    return entry;
}

} // namespace

struct HistoryManager::Pending {
    PasteboardSnapshot snapshot;
    QDateTime copiedAt;
    Origin origin = Origin::clipboard;
    qint64 bytes = 0;
    QFuture<Entry> entry;
    QFutureWatcher<Entry> watcher;
    QPromise<QString> done;
};

namespace {

// A store that refuses writes is tried again this often; each try costs the
// main thread at most the store's short busy wait.
constexpr int kRetryIntervalMs = 2000;

QFuture<QString> finished(const QString &failure)
{
    return QtFuture::makeReadyFuture(failure);
}

} // namespace

HistoryManager::HistoryManager(
    Store &store, ExcludedAppsService &excludedApps, Defaults &defaults, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_excludedApps(excludedApps)
    , m_defaults(defaults)
    , m_clock(clock)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &HistoryManager::storeReady);
    connect(&m_store, &Store::availabilityChanged, this, &HistoryManager::problemChanged);
    // A smaller limit takes effect at once (the settings asked the user).
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::maxHistorySize)
            pruneHistory();
    });
}

HistoryManager::~HistoryManager()
{
    // Work still running finishes into futures nobody reads.
    for (const auto &pending : m_pending) {
        pending->watcher.disconnect(this);
        pending->done.addResult(QStringLiteral("Quillet is quitting"));
        pending->done.finish();
    }
}

qint64 HistoryManager::historyLimit() const
{
    const qint64 stored = m_defaults.integer(keys::maxHistorySize);
    // A negative limit is as meaningless as none.
    return stored <= 0 ? kDefaultHistoryLimit : stored;
}

std::optional<ClipboardItem> HistoryManager::findByHash(const QString &contentHash)
{
    return m_store.findItemByHash(contentHash);
}

QString HistoryManager::problem() const
{
    if (!m_store.isAvailable())
        return QCoreApplication::translate("HistoryManager", "History unavailable: %1")
            .arg(m_store.unavailableReason());
    if (m_waitReason.isEmpty())
        return QString();
    const qsizetype waiting = m_pending.size();
    QString line = QCoreApplication::translate("HistoryManager",
        "Copies cannot be saved now: %1. %n copy(s) kept until they can.", nullptr, int(waiting))
                       .arg(m_waitReason);
    if (m_droppedCopies > 0)
        line += QCoreApplication::translate(
            "HistoryManager", " %n older copy(s) could not be kept.", nullptr, int(m_droppedCopies));
    return line;
}

void HistoryManager::retryNow()
{
    if (!m_store.isAvailable()) {
        QString error;
        if (!retryStore(m_store, &error))
            Q_EMIT problemChanged();
        return;
    }
    m_retry.stop();
    storeReady();
}

QFuture<QString> HistoryManager::addSnapshot(const PasteboardSnapshot &snapshot, Origin origin)
{
    if (snapshot.sourceAppBundleID && m_excludedApps.isExcluded(*snapshot.sourceAppBundleID))
        return finished(QString());
    // Capture is off without a store: nothing could keep the copy.
    if (!m_store.isAvailable())
        return finished(QStringLiteral("the history is not available: %1").arg(m_store.unavailableReason()));
    // A command is not kept waiting behind copies the store refuses.
    if (origin == Origin::command && !m_waitReason.isEmpty())
        return finished(problem());

    auto pending = std::make_shared<Pending>();
    pending->snapshot = snapshot;
    pending->copiedAt = m_clock.now();
    pending->origin = origin;
    for (const TypedContent &content : snapshot.contents)
        pending->bytes += content.data.size();
    pending->done.start();
    QFuture<QString> done = pending->done.future();
    pending->entry = QtConcurrent::run(&m_workers, deriveEntry, snapshot);
    connect(&pending->watcher, &QFutureWatcherBase::finished, this, &HistoryManager::storeReady);
    pending->watcher.setFuture(pending->entry);
    m_pending.push_back(std::move(pending));
    if (!m_waitReason.isEmpty()) {
        dropExcessCopies();
        Q_EMIT problemChanged();
    }
    return done;
}

void HistoryManager::storeReady()
{
    // While the store refuses writes, only the retry timer tries again.
    while (!m_writing && !m_retry.isActive() && !m_pending.empty() && m_pending.front()->entry.isFinished()) {
        const std::shared_ptr<Pending> pending = m_pending.front();
        const Write write = store(*pending, pending->entry.result());
        if (write == Write::started)
            break;
        if (write == Write::done) {
            finishFront(QString());
            continue;
        }
        if (pending->origin == Origin::command) {
            finishFront(m_store.lastWriteError());
            continue;
        }
        waitForStore(m_store.lastWriteError());
    }
    if (m_storedSinceSettled && !isBusy()) {
        m_storedSinceSettled = false;
        Q_EMIT settled();
    }
}

void HistoryManager::finishFront(const QString &failure)
{
    const std::shared_ptr<Pending> pending = m_pending.front();
    m_pending.pop_front();
    m_storedSinceSettled = true;
    if (failure.isEmpty()) {
        // The store takes writes again: the copies that waited go in now.
        setWaitReason(QString());
        m_droppedCopies = 0;
    }
    pending->done.addResult(failure);
    pending->done.finish();
    // Once the callers let go of the copy, its picture, decoded pixels and
    // store pages are freed, but the heaps they passed through would keep
    // them resident.
    if (pending->bytes >= kLargeCopyBytes)
        QMetaObject::invokeMethod(
            this, [this] { m_workers.start(returnFreedMemory); }, Qt::QueuedConnection);
}

void HistoryManager::waitForStore(const QString &reason)
{
    const bool first = m_waitReason.isEmpty();
    setWaitReason(reason.isEmpty() ? QStringLiteral("unknown error") : reason);
    if (first)
        qCWarning(lcHistory) << "copies wait for the store:" << m_waitReason;
    dropExcessCopies();
    m_retry.start();
}

void HistoryManager::setWaitReason(const QString &reason)
{
    if (m_waitReason == reason)
        return;
    m_waitReason = reason;
    Q_EMIT problemChanged();
}

void HistoryManager::dropExcessCopies()
{
    qint64 bytes = 0;
    for (const auto &pending : m_pending)
        bytes += pending->bytes;
    // The oldest go first; one being written stays.
    auto it = m_pending.begin() + (m_writing ? 1 : 0);
    while ((qsizetype(m_pending.size()) > kMaxWaitingCopies || bytes > kMaxWaitingBytes)
        && it != m_pending.end()) {
        if ((*it)->origin != Origin::clipboard) {
            ++it;
            continue;
        }
        bytes -= (*it)->bytes;
        (*it)->watcher.disconnect(this);
        (*it)->done.addResult(QStringLiteral("too many copies wait for the store"));
        (*it)->done.finish();
        it = m_pending.erase(it);
        ++m_droppedCopies;
    }
}

void HistoryManager::stored(bool ok)
{
    m_writing = false;
    if (ok) {
        finishFront(QString());
        pruneHistory();
    } else if (m_pending.front()->origin == Origin::command) {
        finishFront(m_store.lastWriteError());
    } else {
        waitForStore(m_store.lastWriteError());
    }
    storeReady();
}

HistoryManager::Write HistoryManager::store(const Pending &pending, const Entry &entry)
{
    const PasteboardSnapshot &snapshot = pending.snapshot;
    if (std::optional<ClipboardItem> existing = findByHash(entry.hash)) {
        existing->lastUsedAt = pending.copiedAt;
        existing->useCount += 1;
        existing->sourceAppBundleID = snapshot.sourceAppBundleID;
        existing->sourceAppName = snapshot.sourceAppName;
        return m_store.updateItem(*existing) ? Write::done : Write::failed;
    }

    ClipboardItem item;
    item.id = QUuid::createUuid();
    item.createdAt = pending.copiedAt;
    item.lastUsedAt = pending.copiedAt;
    item.sourceAppBundleID = snapshot.sourceAppBundleID;
    item.sourceAppName = snapshot.sourceAppName;
    item.title = entry.title;
    item.contentTypeRaw = rawValue(entry.type);
    item.contentHash = entry.hash;
    qint64 bytes = 0;
    for (const ClipboardContent &content : entry.contents)
        bytes += content.dataSize;
    if (bytes < kLargeCopyBytes) {
        if (!m_store.insertItem(item, entry.thumbnail, entry.contents, entry.searchText))
            return Write::failed;
        pruneHistory();
        return Write::done;
    }
    // Copying a picture's megabytes into the store would hold the interface
    // up for longer than a frame.
    m_writing = true;
    m_store.insertItemInBackground(item, entry.thumbnail, entry.contents, entry.searchText)
        .then(this, [this](bool ok) { stored(ok); });
    return Write::started;
}

void HistoryManager::pruneHistory()
{
    const QList<ClipboardItem> excess = m_store.unpinnedItemsByLastUsed(historyLimit());
    if (excess.isEmpty())
        return;
    QList<QUuid> ids;
    ids.reserve(excess.size());
    for (const ClipboardItem &item : excess)
        ids.append(item.id);
    m_store.deleteItems(ids);
}

bool HistoryManager::setPinned(const QUuid &id, bool pinned)
{
    std::optional<ClipboardItem> item = m_store.item(id);
    if (!item)
        return false;
    if (item->isPinned == pinned)
        return true;
    item->isPinned = pinned;
    if (!m_store.updateItem(*item))
        return false;
    // Unpinning can leave more unpinned entries than the limit allows.
    if (!pinned)
        pruneHistory();
    return true;
}

int HistoryManager::indexForSearch(int count)
{
    const QList<QUuid> ids = m_store.itemIdsWithoutSearchText(count);
    QList<std::pair<QUuid, QString>> texts;
    for (const QUuid &id : ids) {
        const auto item = m_store.item(id);
        if (!item)
            continue;
        PasteboardSnapshot snapshot;
        // Only text entries have a search text; others need no bytes read.
        const ContentType type = item->contentType();
        if (type == ContentType::plainText || type == ContentType::richText || type == ContentType::html) {
            for (const ClipboardContent &content : m_store.contents(id))
                snapshot.contents.append({ content.utTypeIdentifier, content.data.value_or(QByteArray()) });
        }
        texts.append({ id, makeSearchText(snapshot, type) });
    }
    // A refused write ends the run: the same entries would come back forever.
    return m_store.setSearchTexts(texts) ? int(texts.size()) : 0;
}

bool HistoryManager::remove(const QUuid &id)
{
    return m_store.item(id) && m_store.deleteItems({ id });
}

std::optional<qint64> HistoryManager::removeUndoably(const QUuid &id)
{
    return m_store.deleteItemsKeepingThem({ id });
}

std::optional<qint64> HistoryManager::clearUndoably()
{
    return m_store.deleteUnpinnedItemsKeepingThem();
}

qint64 HistoryManager::undoRemoval()
{
    return m_store.restoreKeptItems();
}

void HistoryManager::forgetRemoved()
{
    m_store.forgetKeptItems();
}

std::pair<qint64, qint64> HistoryManager::clearCounts()
{
    const qint64 unpinned = m_store.unpinnedItemsByLastUsed().size();
    return { unpinned, std::max<qint64>(0, m_store.itemCount() - unpinned) };
}

} // namespace quillet
