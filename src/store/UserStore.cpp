#include "store/UserStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

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
        if (QFile::rename(from, to))
            moved.append(to);
        else
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
    QDir().mkpath(dir);
    return dir;
}

QString storePath()
{
    return storeDirectory() + QStringLiteral("/Quillet.store");
}

StoreOpening openStoreWithRecovery(const QString &path)
{
    StoreOpening opening;
    opening.store = Store::open(path, &opening.firstError);
    if (opening.store)
        return opening;

    qCWarning(lcStore) << "the store at" << path << "could not be opened:" << opening.firstError
                       << "- setting it aside and starting a new one";
    opening.movedAside = moveAside(path);
    pruneBrokenSets(path);
    opening.store = Store::open(path, &opening.error);
    return opening;
}

StoreOpening openUserStoreWithRecovery()
{
    return openStoreWithRecovery(storePath());
}

} // namespace quillet
