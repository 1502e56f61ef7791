#include "launcher/AppIndexService.h"

#include "platform/Workspace.h"

#include <QFutureWatcher>
#include <QLocale>
#include <QLoggingCategory>
#include <QSet>
#include <QtConcurrent>

#include <algorithm>

Q_LOGGING_CATEGORY(lcAppIndex, "quillet.launcher")

namespace quillet {

namespace {

QCollator nameCollator()
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Locale-aware and case-insensitive by name; equal names by id, so the order
// is total and the same on every run.
bool nameOrder(const QCollator &collator, const IndexedApp &a, const IndexedApp &b)
{
    const int byName = collator.compare(a.name, b.name);
    if (byName != 0)
        return byName < 0;
    return a.id < b.id;
}

} // namespace

int AppIndexService::matchScore(const IndexedApp &app, const QString &q)
{
    if (app.nameLowercased == q)
        return 100;
    if (app.nameLowercased.startsWith(q))
        return 90;
    for (const QString &word : app.nameWords) {
        if (word.startsWith(q))
            return 80;
    }
    if (app.acronym.startsWith(q))
        return 70;
    if (app.acronym.contains(q))
        return 60;
    if (app.nameLowercased.contains(q))
        return 50;
    return 0;
}

AppIndexService::AppIndexService(Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_workspace(workspace)
{
}

AppIndexService::~AppIndexService()
{
    if (m_started)
        m_workspace.setApplicationsChangedHandler({});
    m_listing.waitForFinished();
}

QList<IndexedApp> AppIndexService::indexApplications(const QList<InstalledApplication> &applications)
{
    QList<IndexedApp> apps;
    apps.reserve(applications.size());
    QSet<QString> seen;
    for (const InstalledApplication &application : applications) {
        if (seen.contains(application.id))
            continue;
        seen.insert(application.id);
        apps.append(makeIndexedApp(application));
    }
    // QCollator is not shared between threads: each pass makes its own.
    const QCollator collator = nameCollator();
    std::sort(apps.begin(), apps.end(),
        [&collator](const IndexedApp &a, const IndexedApp &b) { return nameOrder(collator, a, b); });
    return apps;
}

void AppIndexService::buildIndex()
{
    if (m_started)
        return;
    m_started = true;
    m_workspace.setApplicationsChangedHandler([this] { reindex(); });
    startPass();
}

void AppIndexService::reindex()
{
    if (m_passRunning)
        m_passPending = true;
    else
        startPass();
}

void AppIndexService::startPass()
{
    m_passRunning = true;
    m_passPending = false;
    Workspace *workspace = &m_workspace;
    // The watcher always reports through the event loop, so the result is
    // published after the caller has returned, even for a quick listing.
    auto *watcher = new QFutureWatcher<QList<IndexedApp>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        m_passRunning = false;
        publish(watcher->result());
        watcher->deleteLater();
        if (m_passPending)
            startPass();
    });
    const QString locale = QLocale::system().name();
    const QStringList locales { locale, locale.section(u'_', 0, 0) };
    m_listing = QtConcurrent::run([workspace, locales] {
        QList<IndexedApp> apps = indexApplications(workspace->installedApplications());
        for (IndexedApp &app : apps)
            readDescription(app, locales);
        return apps;
    });
    watcher->setFuture(m_listing);
}

void AppIndexService::publish(const QList<IndexedApp> &apps)
{
    qCDebug(lcAppIndex) << "Indexed" << apps.size() << "applications";
    if (m_apps != apps) {
        m_apps = apps;
        // An entry's icon may have changed with it.
        m_icons.clear();
        Q_EMIT appsChanged();
    }
    if (!m_isIndexed) {
        m_isIndexed = true;
        Q_EMIT isIndexedChanged();
    }
}

QList<IndexedApp> AppIndexService::search(const QString &query) const
{
    if (query.isEmpty())
        return {};
    const QString q = query.toLower();
    QList<std::pair<int, const IndexedApp *>> scored;
    for (const IndexedApp &app : m_apps) {
        if (const int s = matchScore(app, q))
            scored.append({ s, &app });
    }
    // `m_apps` is already in name-then-id order, so a stable sort by score
    // gives the tie order.
    std::stable_sort(
        scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<IndexedApp> results;
    results.reserve(scored.size());
    for (const auto &entry : scored)
        results.append(*entry.second);
    return results;
}

QIcon AppIndexService::icon(const IndexedApp &app)
{
    const auto cached = m_icons.constFind(app.id);
    if (cached != m_icons.cend())
        return *cached;
    const QIcon resolved = m_workspace.applicationIcon(installedApplication(app));
    m_icons.insert(app.id, resolved);
    return resolved;
}

} // namespace quillet
