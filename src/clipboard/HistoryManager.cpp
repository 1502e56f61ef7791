#include "clipboard/HistoryManager.h"

#include "clipboard/DerivedValues.h"
#include "clipboard/TypeRegistry.h"
#include "core/Graphemes.h"
#include "defaults/PreferenceKeys.h"

#include <QFutureWatcher>
#include <QtConcurrent>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillet {

namespace {

constexpr qint64 kDefaultHistoryLimit = 500;
// Entries this large are written away from the main thread.
constexpr qint64 kBackgroundWriteBytes = 1024 * 1024;

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
    QFuture<Entry> entry;
    QFutureWatcher<Entry> watcher;
};

HistoryManager::HistoryManager(
    Store &store, ExcludedAppsService &excludedApps, Defaults &defaults, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_excludedApps(excludedApps)
    , m_defaults(defaults)
    , m_clock(clock)
{
    // A smaller limit takes effect at once (the settings asked the user).
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key == keys::maxHistorySize)
            pruneHistory();
    });
}

HistoryManager::~HistoryManager()
{
    // Work still running finishes into futures nobody reads.
    for (const auto &pending : m_pending)
        pending->watcher.disconnect(this);
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

void HistoryManager::addSnapshot(const PasteboardSnapshot &snapshot)
{
    if (snapshot.sourceAppBundleID && m_excludedApps.isExcluded(*snapshot.sourceAppBundleID))
        return;

    auto pending = std::make_shared<Pending>();
    pending->snapshot = snapshot;
    pending->copiedAt = m_clock.now();
    pending->entry = QtConcurrent::run(&m_workers, deriveEntry, snapshot);
    connect(&pending->watcher, &QFutureWatcherBase::finished, this, &HistoryManager::storeReady);
    pending->watcher.setFuture(pending->entry);
    m_pending.push_back(std::move(pending));
}

void HistoryManager::storeReady()
{
    while (!m_writing && !m_pending.empty() && m_pending.front()->entry.isFinished()) {
        const std::shared_ptr<Pending> pending = m_pending.front();
        m_pending.pop_front();
        store(*pending, pending->entry.result());
        m_storedSinceSettled = true;
    }
    if (m_storedSinceSettled && !isBusy()) {
        m_storedSinceSettled = false;
        Q_EMIT settled();
    }
}

void HistoryManager::stored()
{
    m_writing = false;
    pruneHistory();
    storeReady();
}

void HistoryManager::store(const Pending &pending, const Entry &entry)
{
    const PasteboardSnapshot &snapshot = pending.snapshot;
    if (std::optional<ClipboardItem> existing = findByHash(entry.hash)) {
        existing->lastUsedAt = pending.copiedAt;
        existing->useCount += 1;
        existing->sourceAppBundleID = snapshot.sourceAppBundleID;
        existing->sourceAppName = snapshot.sourceAppName;
        m_store.updateItem(*existing);
        return;
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
    if (bytes < kBackgroundWriteBytes) {
        m_store.insertItem(item, entry.thumbnail, entry.contents, entry.searchText);
        pruneHistory();
        return;
    }
    // Copying a picture's megabytes into the store would hold the interface
    // up for longer than a frame.
    m_writing = true;
    m_store.insertItemInBackground(item, entry.thumbnail, entry.contents, entry.searchText)
        .then(this, [this](bool) { stored(); });
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
