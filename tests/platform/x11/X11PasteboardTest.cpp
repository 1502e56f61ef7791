#include "platform/x11/X11Pasteboard.h"
#include "X11TestTools.h"
#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "platform/x11/X11Workspace.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>

#include <csignal>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::x11;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &c : bytes)
        c = char(generator.generate());
    return bytes;
}

ClipboardContent content(const QString &type, const QByteArray &data)
{
    ClipboardContent record;
    record.id = QUuid::createUuid();
    record.utTypeIdentifier = type;
    record.data = data;
    record.dataSize = data.size();
    return record;
}

} // namespace

class X11PasteboardTest : public QObject {
    Q_OBJECT

    std::shared_ptr<X11Connection> m_connection;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Workspace> m_workspace;

    // Waits until another client's copy has reached the change count.
    bool waitForChangeFrom(qint64 before)
    {
        return waitUntil([&] { return m_pasteboard->changeCount() != before; });
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_connection = X11Connection::open(X11Connection::qtDisplayName());
        QVERIFY(m_connection);
        m_pasteboard = std::make_unique<X11Pasteboard>(m_connection);
        m_workspace = std::make_unique<X11Workspace>(X11Connection::open(X11Connection::qtDisplayName()));
    }

    void init()
    {
        m_pasteboard->setMaxBytes(X11Pasteboard::kDefaultMaxBytes);
        m_pasteboard->clear();
    }

    void eachCopyMovesTheCountAndIsCapturedAsOffered()
    {
        const qint64 start = m_pasteboard->changeCount();
        ClipboardOwner first(QStringLiteral("UTF8_STRING"), "Grüße aus Köln");
        QVERIFY(waitForChangeFrom(start));
        const qint64 afterFirst = m_pasteboard->changeCount();

        PasteboardSnapshot snapshot = capture(*m_pasteboard, *m_workspace);
        QCOMPARE(
            snapshot.contents, (QList<TypedContent> { { QStringLiteral("text/plain"), "Grüße aus Köln" } }));
        QVERIFY(!snapshot.hasSelfMarker);
        QCOMPARE(snapshot.changeCount, afterFirst);
        QCOMPARE(m_pasteboard->string(), QStringLiteral("Grüße aus Köln"));

        ClipboardOwner second(QStringLiteral("text/html"), "<b>bold</b>");
        QVERIFY(waitForChangeFrom(afterFirst));
        snapshot = capture(*m_pasteboard, *m_workspace);
        QCOMPARE(snapshot.contents, (QList<TypedContent> { { QStringLiteral("text/html"), "<b>bold</b>" } }));
        // Selection-protocol targets are not content.
        QVERIFY(!m_pasteboard->types().contains(QStringLiteral("TARGETS")));
        QVERIFY(waitUntil([&] { return !first.isRunning(); })); // xclip leaves once it loses the selection
    }

    void aToolkitOwnerIsReadAsItsContentTypesWithOnePicture()
    {
        const qint64 before = m_pasteboard->changeCount();
        TestWindow owner({ QStringLiteral("--copy") });
        QVERIFY(waitForChangeFrom(before));
        QVERIFY(waitUntil([&] { return m_pasteboard->types().contains(types::png); }));
        const QStringList offered = m_pasteboard->types();
        QVERIFY2(offered.contains(QStringLiteral("image/bmp")) && offered.contains(types::html)
                && offered.contains(types::plainText),
            qPrintable(offered.join(',')));
        for (const char *atom :
            { "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "UTF8_STRING", "STRING" })
            QVERIFY2(!offered.contains(QLatin1String(atom)), atom);

        const PasteboardSnapshot snapshot = capture(*m_pasteboard, *m_workspace);
        QStringList captured;
        for (const TypedContent &typed : snapshot.contents) {
            captured.append(typed.utType);
            QVERIFY2(isKnownType(typed.utType), qPrintable(typed.utType));
        }
        QCOMPARE(captured.filter(QStringLiteral("image/")), QStringList { types::png });
        QVERIFY(captured.contains(types::html));
        const auto png = std::find_if(snapshot.contents.cbegin(), snapshot.contents.cend(),
            [](const TypedContent &typed) { return typed.utType == types::png; });
        QCOMPARE(QImage::fromData(png->data, "PNG").size(), QSize(4, 4));
        const auto text = std::find_if(snapshot.contents.cbegin(), snapshot.contents.cend(),
            [](const TypedContent &typed) { return typed.utType == types::plainText; });
        QVERIFY(text != snapshot.contents.cend());
        QCOMPARE(text->data, QByteArray("rich copy"));
    }

    void aLatin1StringTargetReadsAsUtf8Text()
    {
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("STRING"), "caf\xe9 cr\xe8me");
        QVERIFY(waitForChangeFrom(before));
        QCOMPARE(m_pasteboard->types(), QStringList { types::plainText });
        QCOMPARE(m_pasteboard->data(0, types::plainText), QStringLiteral("café crème").toUtf8());
    }

    void unknownTargetsStayInTheRawListButNotInTheSnapshot()
    {
        const qint64 start = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("x-kde-passwordManagerHint"), "secret");
        QVERIFY(waitForChangeFrom(start));
        QCOMPARE(m_pasteboard->types(), QStringList { QStringLiteral("x-kde-passwordManagerHint") });
        const PasteboardSnapshot snapshot = capture(*m_pasteboard, *m_workspace);
        QVERIFY(snapshot.isSecret);
        QVERIFY(snapshot.contents.isEmpty());
    }

    void aFileListIsOneItemPerUriAndIsJoinedAgainOnWrite()
    {
        const QByteArray list = "file:///tmp/one.txt\r\nfile:///tmp/two%20words.txt\r\n# a comment\r\n"
                                "file:///tmp/three.png\r\n";
        const qint64 start = m_pasteboard->changeCount();
        {
            ClipboardOwner owner(QStringLiteral("text/uri-list"), list);
            QVERIFY(waitForChangeFrom(start));
            QCOMPARE(m_pasteboard->itemCount(), 3);
            QCOMPARE(m_pasteboard->itemTypes(0), QStringList { types::fileURL });
            const PasteboardSnapshot snapshot = capture(*m_pasteboard, *m_workspace);
            QCOMPARE(snapshot.contents,
                (QList<TypedContent> { { types::fileURL, "file:///tmp/one.txt" },
                    { types::fileURL, "file:///tmp/two%20words.txt" },
                    { types::fileURL, "file:///tmp/three.png" } }));

            QList<ClipboardContent> records;
            for (const TypedContent &typed : snapshot.contents)
                records.append(content(typed.utType, typed.data));
            writeContents(records, true, *m_pasteboard);
        }
        const auto written = readClipboard(types::fileURL);
        QVERIFY(written);
        QCOMPARE(written->split('\n').size(), 3);
        QCOMPARE(*written,
            QByteArray("file:///tmp/one.txt\r\nfile:///tmp/two%20words.txt\r\nfile:///tmp/three.png"));
        // Reading it back gives the three items again.
        QCOMPARE(m_pasteboard->itemCount(), 3);
        QCOMPARE(m_pasteboard->data(2, types::fileURL), QByteArray("file:///tmp/three.png"));
        // File managers paste from their own target.
        QCOMPARE(readClipboard(QStringLiteral("x-special/gnome-copied-files")),
            QByteArray("copy\nfile:///tmp/one.txt\nfile:///tmp/two%20words.txt\nfile:///tmp/three.png"));
    }

    void aMarkedWriteIsServedToOtherClients()
    {
        const QByteArray text = "Quillet pastes ✓";
        const QByteArray html = "<p>Quillet <em>pastes</em></p>";
        // Large enough to need an incremental transfer.
        const QByteArray png = "\x89PNG\r\n\x1a\n" + randomBytes(3 * 1024 * 1024, 1);
        const qint64 before = m_pasteboard->changeCount();
        writeContents(
            { content(types::plainText, text), content(types::html, html), content(types::png, png) }, true,
            *m_pasteboard);
        QVERIFY(m_pasteboard->changeCount() != before);
        QVERIFY(m_pasteboard->ownsSelection());

        const auto targets = readClipboard(QStringLiteral("TARGETS"));
        QVERIFY(targets);
        const QList<QByteArray> listed = targets->split('\n');
        for (const QByteArray &expected :
            { QByteArray("app.quillet.Quillet.self-marker"), QByteArray("text/plain"),
                QByteArray("text/html"), QByteArray("image/png"), QByteArray("UTF8_STRING") }) {
            QVERIFY2(listed.contains(expected), targets->constData());
        }
        QCOMPARE(readClipboard(types::plainText), text);
        QCOMPARE(readClipboard(QStringLiteral("UTF8_STRING")), text);
        QCOMPARE(readClipboard(types::html), html);
        QCOMPARE(readClipboard(QStringLiteral("app.quillet.Quillet.self-marker")), QByteArray());
        const auto image = readClipboard(types::png);
        QVERIFY(image);
        QCOMPARE(image->size(), png.size());
        QVERIFY(*image == png);

        // Quillet's own write is recognised by the marker.
        const PasteboardSnapshot snapshot = capture(*m_pasteboard, *m_workspace);
        QVERIFY(snapshot.hasSelfMarker);
        QVERIFY(snapshot.contents.isEmpty());
    }

    void anotherOwnerTakesOverFromQuillet()
    {
        m_pasteboard->write({ PasteboardItem { { { types::plainText, "mine" } } } });
        QVERIFY(m_pasteboard->ownsSelection());
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("UTF8_STRING"), "theirs");
        QVERIFY(waitForChangeFrom(before));
        QVERIFY(!m_pasteboard->ownsSelection());
        QCOMPARE(m_pasteboard->string(), QStringLiteral("theirs"));
    }

    void clearingAndAVanishedOwnerLeaveNothing()
    {
        qint64 before = m_pasteboard->changeCount();
        {
            ClipboardOwner owner(QStringLiteral("UTF8_STRING"), "short-lived");
            QVERIFY(waitForChangeFrom(before));
            QCOMPARE(m_pasteboard->itemCount(), 1);
            before = m_pasteboard->changeCount();
        } // the owner is killed: its selection goes with it
        QVERIFY(waitForChangeFrom(before));
        QCOMPARE(m_pasteboard->itemCount(), 0);
        QCOMPARE(m_pasteboard->string(), std::nullopt);

        before = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("UTF8_STRING"), "to be cleared");
        QVERIFY(waitForChangeFrom(before));
        before = m_pasteboard->changeCount();
        m_pasteboard->clear();
        QVERIFY(m_pasteboard->changeCount() != before);
        QCOMPARE(m_pasteboard->itemCount(), 0);
        QVERIFY(m_pasteboard->types().isEmpty());
        // Other clients find an owner that offers nothing, not the old text.
        QVERIFY(waitUntil([&] { return !owner.isRunning(); }));
        QCOMPARE(readClipboard(QStringLiteral("UTF8_STRING")), std::nullopt);
        const auto targets = readClipboard(QStringLiteral("TARGETS"));
        QVERIFY(targets);
        QCOMPARE(targets->trimmed().split('\n'), (QList<QByteArray> { "TARGETS", "TIMESTAMP", "MULTIPLE" }));
    }

    void transfersBeyondTheLimitAreAbandoned_data()
    {
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("read");
        constexpr qsizetype MB = 1024 * 1024;
        // xclip sends values above about 1 MB incrementally.
        QTest::newRow("small, in one piece") << MB << qsizetype(200 * 1024) << true;
        QTest::newRow("just below the limit") << MB << qsizetype(900 * 1024) << true;
        QTest::newRow("incremental, below the limit") << 8 * MB << 3 * MB << true;
        QTest::newRow("incremental, above the limit") << MB << 3 * MB << false;
        QTest::newRow("incremental, just above the limit") << 2 * MB << 2 * MB + 1 << false;
    }

    void transfersBeyondTheLimitAreAbandoned()
    {
        QFETCH(qsizetype, limit);
        QFETCH(qsizetype, size);
        QFETCH(bool, read);
        m_pasteboard->setMaxBytes(limit);
        const QByteArray bytes = randomBytes(size, quint32(size));
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("image/png"), bytes);
        QVERIFY(waitForChangeFrom(before));
        const auto data = m_pasteboard->data(0, types::png);
        QCOMPARE(data.has_value(), read);
        if (read)
            QVERIFY(*data == bytes);

        // An abandoned transfer does not disturb the next one. (xclip may
        // also quit over the window it was writing to, which moves the count
        // too, so wait for the new owner's text itself.)
        ClipboardOwner next(QStringLiteral("UTF8_STRING"), "after");
        QVERIFY(waitUntil([&] { return m_pasteboard->string() == QStringLiteral("after"); }));
    }

    void aLargePictureIsReadOnlyWithinTheLimit()
    {
        // 2000 × 2000 as BMP is about 16 MB, which Qt sends in one piece.
        m_pasteboard->setMaxBytes(1024 * 1024);
        const qint64 before = m_pasteboard->changeCount();
        TestWindow owner(
            { QStringLiteral("--copy"), QStringLiteral("--picture-size"), QStringLiteral("2000") });
        QVERIFY(waitForChangeFrom(before));
        QVERIFY(waitUntil([&] { return m_pasteboard->types().contains(types::bmp); }));
        QCOMPARE(m_pasteboard->data(0, types::bmp), std::nullopt);
        QCOMPARE(m_pasteboard->data(0, types::html), QByteArray("<b>rich</b> copy"));
        m_pasteboard->setMaxBytes(32 * 1024 * 1024);
        const auto bmp = m_pasteboard->data(0, types::bmp);
        QVERIFY(bmp);
        QCOMPARE(QImage::fromData(*bmp, "BMP").size(), QSize(2000, 2000));
    }

    void anUnansweredRequestTimesOut()
    {
        // An owner that offers a type but never answers for it: a stopped
        // xclip still owns the selection.
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(QStringLiteral("UTF8_STRING"), "frozen");
        QVERIFY(waitForChangeFrom(before));
        QCOMPARE(m_pasteboard->types(), QStringList { QStringLiteral("text/plain") });
        ::kill(pid_t(owner.process().processId()), SIGSTOP);
        m_pasteboard->setTimeout(300);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_pasteboard->data(0, QStringLiteral("text/plain")), std::nullopt);
        QVERIFY(timer.elapsed() < 5000);
        // The same owner is not asked again for this copy: no second wait.
        timer.restart();
        QCOMPARE(m_pasteboard->data(0, QStringLiteral("text/plain")), std::nullopt);
        QVERIFY2(timer.elapsed() < 250, qPrintable(QString::number(timer.elapsed())));
        ::kill(pid_t(owner.process().processId()), SIGCONT);
        m_pasteboard->setTimeout(3000);
    }
};

QUILLET_TEST_MAIN(X11PasteboardTest)
#include "X11PasteboardTest.moc"
