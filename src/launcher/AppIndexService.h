#pragma once

#include "launcher/IndexedApp.h"

#include <QCollator>
#include <QFuture>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>

namespace quillet {

class Workspace;

// The installed applications the launcher can open, each with pre-computed
// search keys, and the scored search over them.
//
// An indexing pass lists the workspace's entries on a worker thread (reading
// hundreds of desktop files must not delay the first paint), computes the
// search keys, reads each entry's generic name and comment and sorts there,
// and publishes `apps` on the main thread. The first pass runs at start-up;
// another runs whenever the workspace reports that the installed applications
// changed (changes during a pass are gathered into one more pass after it).
// Icons are not part of the pass: icon() resolves an entry's icon through the
// workspace the first time a row is drawn and caches it, so start-up never
// touches the icon theme for entries nobody looks at.
//
// The workspace's installedApplications() is therefore called off the main
// thread; applicationIcon() only on the main thread.
class AppIndexService : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<quillet::IndexedApp> apps READ apps NOTIFY appsChanged)
    Q_PROPERTY(bool isIndexed READ isIndexed NOTIFY isIndexedChanged)

public:
    // `workspace` must outlive the service.
    explicit AppIndexService(Workspace &workspace, QObject *parent = nullptr);
    // Stops watching and waits for a pass still running, so the workspace is
    // no longer in use.
    ~AppIndexService() override;

    // Sorted by name (locale-aware, case-insensitive; equal names by id), no
    // two entries with the same id. Empty until the pass has finished.
    QList<IndexedApp> apps() const { return m_apps; }
    bool isIndexed() const { return m_isIndexed; }

    // Starts the first indexing pass and the watch for changes, and returns at
    // once; `apps` and `isIndexed` change on the main thread when it is done.
    // Only the first call does anything.
    void buildIndex();
    // Indexes again (the applications changed); off the main thread as above.
    void reindex();

    // The entries matching `query`, best first: 100 the whole name, 90 a name
    // prefix, 80 a word prefix, 70 an acronym prefix, 60 inside the acronym,
    // 50 inside the name; equal scores by name, then id. An empty query finds
    // nothing. The caller trims and limits.
    QList<IndexedApp> search(const QString &query) const;

    // The score of `app` for an already lower-cased query; 0 when it does not
    // match.
    static int matchScore(const IndexedApp &app, const QString &loweredQuery);

    // The entry's icon from the workspace (drawn at 32 x 32), cached by id.
    QIcon icon(const IndexedApp &app);

    // The pass itself: `applications` deduplicated by id (first wins), with
    // search keys, sorted. Pure; runs on any thread.
    static QList<IndexedApp> indexApplications(const QList<InstalledApplication> &applications);

Q_SIGNALS:
    void appsChanged();
    void isIndexedChanged();

private:
    void startPass();
    void publish(const QList<IndexedApp> &apps);

    Workspace &m_workspace;
    QList<IndexedApp> m_apps;
    bool m_isIndexed = false;
    bool m_started = false;
    bool m_passRunning = false;
    bool m_passPending = false;
    QFuture<QList<IndexedApp>> m_listing;
    QHash<QString, QIcon> m_icons;
};

} // namespace quillet
