#include "store/UserStore.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <optional>

using namespace quillet;
using namespace Qt::StringLiterals;

class StoreRecoveryTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

    QStringList brokenFiles() const
    {
        return QDir(m_dir->path())
            .entryList({ QStringLiteral("Quillet.store.broken-*") }, QDir::Files, QDir::Name);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(QStringLiteral("Quillet.store"));
    }

    void storeDirectoryFollowsXdgDataHome()
    {
        QCOMPARE(
            storePath(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Quillet/Quillet.store"));
        QVERIFY(QFileInfo(storeDirectory()).isDir());
    }

    void healthyStoreOpensWithoutRecovery()
    {
        {
            auto opening = openStoreWithRecovery(m_path);
            QVERIFY(opening.store);
            QVERIFY(opening.store->insertItem(test::textItem(QStringLiteral("t")), std::nullopt, {}));
        }
        auto opening = openStoreWithRecovery(m_path);
        QVERIFY(opening.store);
        QVERIFY(opening.firstError.isEmpty());
        QCOMPARE(opening.store->itemCount(), 1);
        QVERIFY(brokenFiles().isEmpty());
    }

    void garbageFilesAreMovedAsideAndAFreshStoreOpens_data()
    {
        QTest::addColumn<bool>("withCompanions");
        QTest::newRow("all three files") << true;
        QTest::newRow("main file only") << false;
    }
    void garbageFilesAreMovedAsideAndAFreshStoreOpens()
    {
        QFETCH(bool, withCompanions);
        const QByteArray garbage("this is not a database, just some bytes that look like nothing at all");
        QVERIFY(test::writeFile(m_path, garbage));
        if (withCompanions) {
            QVERIFY(test::writeFile(m_path + QStringLiteral("-wal"), "wal garbage"));
            QVERIFY(test::writeFile(m_path + QStringLiteral("-shm"), "shm garbage"));
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is damaged")));
        auto opening = openStoreWithRecovery(m_path);
        QVERIFY2(opening.store, qPrintable(opening.error));
        QVERIFY(!opening.firstError.isEmpty());
        QCOMPARE(opening.store->itemCount(), 0);
        QVERIFY(opening.store->insertItem(test::textItem(QStringLiteral("t")), std::nullopt, {}));

        // Nothing is destroyed: the old bytes are kept beside the new store.
        QCOMPARE(opening.movedAside.size(), withCompanions ? 3 : 1);
        QCOMPARE(test::readFile(opening.movedAside.first()), garbage);
        QVERIFY(opening.movedAside.first().startsWith(m_path + QStringLiteral(".broken-")));
        if (withCompanions) {
            QVERIFY(opening.movedAside.at(1).endsWith(QStringLiteral("-shm")));
            QCOMPARE(test::readFile(opening.movedAside.at(2)), QByteArray("wal garbage"));
        }
    }

    void aDatabaseThatIsNotOursIsMovedAside_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("reason");
        QTest::newRow("another schema version")
            << QStringList { u"CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY, value TEXT)"_s,
                   u"INSERT INTO StoreMetadata VALUES ('schemaVersion', '0.9.0')"_s }
            << u"0.9.0"_s;
        QTest::newRow("another application's file")
            << QStringList { u"CREATE TABLE notes (body TEXT)"_s } << QString();
    }
    void aDatabaseThatIsNotOursIsMovedAside()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, reason);
        test::execOnFile(m_path, statements);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is damaged")));
        auto opening = openStoreWithRecovery(m_path);
        QVERIFY(opening.store);
        QVERIFY2(opening.firstError.contains(reason), qPrintable(opening.firstError));
        QCOMPARE(opening.movedAside.size(), 1);
    }

    void keepsTheOldestAndTheNewestTwoBrokenSets()
    {
        for (int round = 0; round < 4; ++round) {
            QVERIFY(test::writeFile(m_path, QByteArray("garbage round ") + QByteArray::number(round)));
            QVERIFY(test::writeFile(m_path + QStringLiteral("-wal"), "w"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("is damaged")));
            auto opening = openStoreWithRecovery(m_path);
            QVERIFY(opening.store);
            opening.store.reset();
            QFile::remove(m_path + QStringLiteral("-shm"));
            QFile::remove(m_path + QStringLiteral("-wal"));
        }
        const QStringList files = brokenFiles();
        QStringList mains;
        for (const QString &name : files) {
            if (!name.endsWith(QStringLiteral("-wal")) && !name.endsWith(QStringLiteral("-shm")))
                mains.append(name);
            else
                QVERIFY(files.contains(name.left(name.size() - 4)));
        }
        QCOMPARE(mains.size(), 3);
        for (const QString &name : mains)
            QVERIFY(files.contains(name + QStringLiteral("-wal")));
        // The first broken store holds what the user had: it is never pruned.
        QCOMPARE(test::readFile(m_dir->filePath(mains.at(0))), QByteArray("garbage round 0"));
        QCOMPARE(test::readFile(m_dir->filePath(mains.at(1))), QByteArray("garbage round 2"));
        QCOMPARE(test::readFile(m_dir->filePath(mains.at(2))), QByteArray("garbage round 3"));
    }

    // Only damage moves files aside: a file that cannot be used now is left
    // exactly as it is, and Quillet runs on a stand-in until it can.
    void aStoreThatCannotBeUsedNowIsLeftAlone_data()
    {
        QTest::addColumn<bool>("folderInPlace");
        QTest::newRow("locked by another program") << false;
        QTest::newRow("a folder where the file should be") << true;
    }
    void aStoreThatCannotBeUsedNowIsLeftAlone()
    {
        QFETCH(bool, folderInPlace);
        if (folderInPlace) {
            QVERIFY(QDir().mkpath(m_path));
        } else {
            auto opening = openStoreWithRecovery(m_path);
            test::insertText(*opening.store, QStringLiteral("kept"));
        }
        const QByteArray before = folderInPlace ? QByteArray() : test::readFile(m_path);
        {
            std::optional<test::FileLock> lock;
            if (!folderInPlace)
                lock.emplace(m_path, true);
            auto opening = openStoreWithRecovery(m_path);
            QVERIFY(opening.store);
            QVERIFY(!opening.store->isAvailable());
            QVERIFY(!opening.store->unavailableReason().isEmpty());
            QCOMPARE(opening.store->itemCount(), 0);
            QVERIFY(!opening.store->insertItem(test::textItem(QStringLiteral("t")), std::nullopt, {}));
            QVERIFY(brokenFiles().isEmpty());
            QString error;
            QVERIFY(!retryStore(*opening.store, &error));
        }
        QVERIFY(brokenFiles().isEmpty());
        if (!folderInPlace)
            QCOMPARE(test::readFile(m_path), before);
    }

    void aStandInTakesTheFileOnceItCanBeUsed()
    {
        openStoreWithRecovery(m_path).store->insertItem(
            test::textItem(QStringLiteral("t")), std::nullopt, {});
        std::optional<test::FileLock> lock(std::in_place, m_path, true);
        auto opening = openStoreWithRecovery(m_path);
        QVERIFY(!opening.store->isAvailable());
        QSignalSpy changed(opening.store.get(), &Store::itemsChanged);
        lock.reset();
        QString error;
        QVERIFY2(retryStore(*opening.store, &error), qPrintable(error));
        QVERIFY(opening.store->isAvailable());
        QCOMPARE(opening.store->itemCount(), 1);
        QCOMPARE(changed.size(), 1);
        QVERIFY(opening.store->insertItem(test::textItem(QStringLiteral("u")), std::nullopt, {}));
    }
};

QUILLET_TEST_MAIN(StoreRecoveryTest)
#include "StoreRecoveryTest.moc"
