#include "store/UserStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <sys/stat.h>

Q_DECLARE_LOGGING_CATEGORY(lcStore)

namespace quillet {

namespace {

// The oldest set holds what the user had before anything went wrong; the
// newest two show what happened since.
constexpr int kKeptNewestBrokenSets = 2;
const QStringList kCompanionSuffixes { QString(), QStringLiteral("-shm"), QStringLiteral("-wal") };

// Moves the store and its companions to <path>.broken-<UTC time><suffix>.
QStringList moveAside(const QString &path)
{
    const QString stamp
        = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
    QString base = path + QStringLiteral(".broken-") + stamp;
    for (int n = 2; QFileInfo::exists(base); ++n)
        base = path + QStringLiteral(".broken-") + stamp + QLatin1Char('.') + QString::number(n);

    QStringList moved;
    for (const QString &suffix : kCompanionSuffixes) {
        const QString from = path + suffix;
        if (!QFileInfo::exists(from))
            continue;
        const QString to = base + suffix;
        if (QFile::rename(from, to)) {
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
            moved.append(to);
        } else
            qCWarning(lcStore) << "could not move" << from << "aside";
    }
    return moved;
}

// Keeps the oldest set of set-aside files and the newest two; their names
// sort by time.
void pruneBrokenSets(const QString &path)
{
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QString prefix = info.fileName() + QStringLiteral(".broken-");
    QStringList mains;
    for (const QString &name : dir.entryList({ prefix + QLatin1Char('*') }, QDir::Files, QDir::Name)) {
        if (!name.endsWith(QLatin1String("-shm")) && !name.endsWith(QLatin1String("-wal")))
            mains.append(name);
    }
    while (mains.size() > 1 + kKeptNewestBrokenSets) {
        const QString secondOldest = mains.takeAt(1);
        for (const QString &suffix : kCompanionSuffixes)
            dir.remove(secondOldest + suffix);
    }
}

} // namespace

QString storeDirectory()
{
    const QString dir
        = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quillet");
    // Made 0700 from the start, so there is no moment where others could enter.
    const QFileDevice::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QDir().mkpath(QFileInfo(dir).absolutePath());
    if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && !QFileInfo(dir).isDir())
        return dir;
    QFile::setPermissions(dir, owner);
    return dir;
}

void makeStoreFilesPrivate(const QString &path)
{
    const QFileInfo info(path);
    const QString prefix = info.fileName();
    for (const QString &name :
        info.absoluteDir().entryList({ prefix, prefix + QLatin1Char('*') }, QDir::Files)) {
        if (name == prefix || name.startsWith(prefix + QLatin1Char('-'))
            || name.startsWith(prefix + QStringLiteral(".broken-")))
            QFile::setPermissions(info.absoluteDir().filePath(name), QFile::ReadOwner | QFile::WriteOwner);
    }
}

QString storePath()
{
    return storeDirectory() + QStringLiteral("/Quillet.store");
}

StoreOpening openStoreWithRecovery(const QString &path)
{
    // Whatever the umask: SQLite gives new files (the log and its index too)
    // the mode of the store file, so a store made 0600 keeps its companions so.
    const mode_t previous = ::umask(0077);
    StoreOpening opening;
    Store::OpenFailure failure = Store::OpenFailure::none;
    opening.store = Store::open(path, &opening.firstError, &failure);
    if (!opening.store && failure == Store::OpenFailure::damaged) {
        qCWarning(lcStore) << "the store at" << path << "is damaged:" << opening.firstError
                           << "- setting it aside and starting a new one";
        opening.movedAside = moveAside(path);
        pruneBrokenSets(path);
        opening.store = Store::open(path, &opening.error, &failure);
    } else if (!opening.store) {
        opening.error = opening.firstError;
    }
    ::umask(previous);
    if (opening.store) {
        makeStoreFilesPrivate(path);
        return opening;
    }
    // Locked, unreadable, full: the files stay as they are for a later try.
    opening.store = Store::openUnavailable(path, opening.error);
    return opening;
}

bool retryStore(Store &store, QString *error)
{
    const mode_t previous = ::umask(0077);
    Store::OpenFailure failure = Store::OpenFailure::none;
    bool opened = store.reattach(error, &failure);
    if (!opened && failure == Store::OpenFailure::damaged) {
        qCWarning(lcStore) << "the store at" << store.path() << "is damaged:" << *error
                           << "- setting it aside and starting a new one";
        moveAside(store.path());
        pruneBrokenSets(store.path());
        opened = store.reattach(error, &failure);
    }
    ::umask(previous);
    if (opened)
        makeStoreFilesPrivate(store.path());
    return opened;
}

StoreOpening openUserStoreWithRecovery()
{
    return openStoreWithRecovery(storePath());
}

} // namespace quillet
