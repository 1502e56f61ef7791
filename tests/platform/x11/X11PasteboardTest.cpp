#include "platform/x11/X11Pasteboard.h"
#include "X11TestTools.h"
#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "platform/x11/X11Workspace.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::x11;
using namespace Qt::StringLiterals;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &c : bytes)
        c = char(generator.generate());
    return bytes;
}

// Everything offered, fetched.
PasteboardContents readAll(Pasteboard &pasteboard)
{
    return resultOf(pasteboard.read(ReadPlan {}));
}

std::optional<QByteArray> readOne(Pasteboard &pasteboard, const QString &type)
{
    const PasteboardContents contents = resultOf(
        pasteboard.read(ReadPlan { [type](const QStringList &) { return QStringList { type }; }, {} }));
    if (contents.items.isEmpty() || contents.items.first().representations.isEmpty())
        return std::nullopt;
    return contents.items.first().representations.first().second;
}

} // namespace

class X11PasteboardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<X11Pasteboard> m_pasteboard;
    std::unique_ptr<X11Workspace> m_workspace;

    // Waits until another client's copy has reached the change count.
    bool waitForChangeFrom(qint64 before)
    {
        return waitUntil([&] { return m_pasteboard->changeCount() != before; });
    }
    PasteboardSnapshot capture() { return QCoro::waitFor(quillet::capture(*m_pasteboard, *m_workspace)); }

private Q_SLOTS:
    void initTestCase()
    {
        m_pasteboard = std::make_unique<X11Pasteboard>(X11Connection::open(X11Connection::qtDisplayName()));
        QVERIFY(m_pasteboard->notifiesChanges());
        m_workspace = std::make_unique<X11Workspace>(X11Connection::open(X11Connection::qtDisplayName()));
        QVERIFY(resultOf(m_pasteboard->isClipboardManager()));
    }

    void init()
    {
        m_pasteboard->setMaxBytes(X11Pasteboard::kDefaultMaxBytes);
        m_pasteboard->setTimeout(3000);
        resultOf(m_pasteboard->clear());
    }

    void eachCopyMovesTheCountAndIsCapturedAsOffered()
    {
        QSignalSpy changed(m_pasteboard.get(), &Pasteboard::changed);
        const qint64 start = m_pasteboard->changeCount();
        ClipboardOwner first(u"UTF8_STRING"_s, "Grüße aus Köln");
        QVERIFY(waitForChangeFrom(start));
        QVERIFY(changed.count() > 0 || changed.wait());
        const qint64 afterFirst = m_pasteboard->changeCount();

        PasteboardSnapshot snapshot = capture();
        QCOMPARE(snapshot.contents, (QList<TypedContent> { { u"text/plain"_s, "Grüße aus Köln" } }));
        QVERIFY(!snapshot.hasSelfMarker);
        QCOMPARE(snapshot.changeCount, afterFirst);

        ClipboardOwner second(u"text/html;charset=utf-8"_s, "<b>bold</b>");
        QVERIFY(waitForChangeFrom(afterFirst));
        snapshot = capture();
        QCOMPARE(
            snapshot.contents, (QList<TypedContent> { { u"text/html;charset=utf-8"_s, "<b>bold</b>" } }));
        // Selection-protocol targets are not content.
        QVERIFY(!readAll(*m_pasteboard).types.contains(u"TARGETS"_s));
        QVERIFY(waitUntil([&] { return !first.isRunning(); })); // xclip leaves once it loses the selection
    }

    void aToolkitOwnerIsReadAsItsContentTypesWithOnePicture()
    {
        const qint64 before = m_pasteboard->changeCount();
        TestWindow owner({ u"--copy"_s });
        QVERIFY(waitForChangeFrom(before));
        QVERIFY(waitUntil([&] { return readAll(*m_pasteboard).types.contains(types::png); }));
        const QStringList offered = readAll(*m_pasteboard).types;
        QVERIFY2(offered.contains(u"image/bmp"_s) && offered.contains(types::html)
                && offered.contains(types::plainText),
            qPrintable(offered.join(',')));
        for (const char *atom :
            { "TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "UTF8_STRING", "STRING" })
            QVERIFY2(!offered.contains(QLatin1String(atom)), atom);

        const PasteboardSnapshot snapshot = capture();
        QStringList captured;
        for (const TypedContent &typed : snapshot.contents)
            captured.append(typed.utType);
        QCOMPARE(captured.filter(u"image/"_s), QStringList { types::png });
        QVERIFY(captured.contains(types::html));
        const auto png = std::find_if(snapshot.contents.cbegin(), snapshot.contents.cend(),
            [](const TypedContent &typed) { return typed.utType == types::png; });
        QCOMPARE(QImage::fromData(png->data, "PNG").size(), QSize(4, 4));
    }

    void stringTargetsAndThePrimarySelectionReadAsText()
    {
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(u"STRING"_s, "caf\xe9 cr\xe8me");
        QVERIFY(waitForChangeFrom(before));
        QCOMPARE(readAll(*m_pasteboard).types, QStringList { types::plainText });
        QCOMPARE(resultOf(m_pasteboard->readText()), u"café crème"_s);

        QProcess primary;
        primary.start(u"xclip"_s, { u"-quiet"_s, u"-selection"_s, u"primary"_s, u"-i"_s });
        QVERIFY(primary.waitForStarted());
        primary.write("the selected words");
        primary.closeWriteChannel();
        QVERIFY(waitUntil(
            [&] { return resultOf(m_pasteboard->readText(Selection::primary)) == u"the selected words"_s; }));
        primary.kill();
        primary.waitForFinished();
    }

    void aSecretIsNotReadBeyondItsHint()
    {
        const qint64 start = m_pasteboard->changeCount();
        ClipboardOwner owner(u"x-kde-passwordManagerHint"_s, "secret");
        QVERIFY(waitForChangeFrom(start));
        const PasteboardSnapshot snapshot = capture();
        QVERIFY(snapshot.isSecret);
        QVERIFY(snapshot.contents.isEmpty());
    }

    void aFileListIsOneItemPerUriAndIsJoinedAgainOnWrite()
    {
        const QByteArray list = "file:///tmp/one.txt\r\nfile:///tmp/two%20words.txt\r\n# a comment\r\n"
                                "file:///tmp/three.png\r\n";
        const qint64 start = m_pasteboard->changeCount();
        {
            ClipboardOwner owner(u"text/uri-list"_s, list);
            QVERIFY(waitForChangeFrom(start));
            const PasteboardSnapshot snapshot = capture();
            QCOMPARE(snapshot.contents,
                (QList<TypedContent> { { types::fileURL, "file:///tmp/one.txt" },
                    { types::fileURL, "file:///tmp/two%20words.txt" },
                    { types::fileURL, "file:///tmp/three.png" } }));
            QList<ClipboardContent> records;
            for (const TypedContent &typed : snapshot.contents)
                records.append(content(typed.utType, typed.data));
            resultOf(writeContents(records, true, *m_pasteboard));
        }
        QCOMPARE(readClipboard(types::fileURL),
            QByteArray("file:///tmp/one.txt\r\nfile:///tmp/two%20words.txt\r\nfile:///tmp/three.png"));
        QCOMPARE(readAll(*m_pasteboard).items.size(), 3);
        // File managers paste from their own target.
        QCOMPARE(readClipboard(u"x-special/gnome-copied-files"_s),
            QByteArray("copy\nfile:///tmp/one.txt\nfile:///tmp/two%20words.txt\nfile:///tmp/three.png"));
    }

    void aMarkedWriteIsServedToOtherClients()
    {
        const QByteArray text = "Quillet pastes ✓";
        const QByteArray html = "<p>Quillet <em>pastes</em></p>";
        // Large enough to need an incremental transfer.
        const QByteArray png = "\x89PNG\r\n\x1a\n" + randomBytes(3 * 1024 * 1024, 1);
        const qint64 before = m_pasteboard->changeCount();
        resultOf(writeContents(
            { content(types::plainText, text), content(types::html, html), content(types::png, png) }, true,
            *m_pasteboard));
        QVERIFY(m_pasteboard->changeCount() != before);
        QVERIFY(resultOf(m_pasteboard->ownsSelection()));

        const auto targets = readClipboard(u"TARGETS"_s);
        QVERIFY(targets);
        for (const QByteArray &expected :
            { QByteArray("app.quillet.Quillet.self-marker"), QByteArray("text/plain"),
                QByteArray("text/html"), QByteArray("image/png"), QByteArray("UTF8_STRING") })
            QVERIFY2(targets->split('\n').contains(expected), targets->constData());
        QCOMPARE(readClipboard(types::plainText), text);
        QCOMPARE(readClipboard(u"UTF8_STRING"_s), text);
        QCOMPARE(readClipboard(types::html), html);
        const auto image = readClipboard(types::png);
        QVERIFY(image && *image == png);
        QVERIFY(capture().hasSelfMarker);
    }

    void multipleRequestsAreServedPairByPair()
    {
        resultOf(m_pasteboard->write({ PasteboardItem { { { types::plainText, "several at once" } } } }));
        auto connection = X11Connection::open(X11Connection::qtDisplayName());
        Display *display = connection->display();
        const Window window = XCreateSimpleWindow(display, connection->root(), 0, 0, 1, 1, 0, 0, 0);
        const long pairs[] = { long(connection->atom("UTF8_STRING")), long(connection->atom("_A")),
            long(connection->atom("image/png")), long(connection->atom("_B")),
            long(connection->atom("TIMESTAMP")), long(connection->atom("_C")) };
        const Atom atomPair = connection->atom("ATOM_PAIR");
        XChangeProperty(display, window, connection->atom("_PAIRS"), atomPair, 32, PropModeReplace,
            reinterpret_cast<const unsigned char *>(pairs), 6);
        XConvertSelection(display, connection->atom("CLIPBOARD"), connection->atom("MULTIPLE"),
            connection->atom("_PAIRS"), window, CurrentTime);
        XFlush(display);
        XEvent event {};
        QVERIFY(waitUntil([&] { return XCheckTypedWindowEvent(display, window, SelectionNotify, &event); }));
        QCOMPARE(event.xselection.property, connection->atom("_PAIRS"));
        const auto answered = connection->property(window, connection->atom("_PAIRS"), atomPair);
        QVERIFY(answered && answered->items == 6);
        const auto *values = reinterpret_cast<const long *>(answered->bytes.constData());
        QCOMPARE(XAtom(values[1]), connection->atom("_A"));
        QCOMPARE(XAtom(values[3]), XAtom(None)); // no picture on offer
        QCOMPARE(XAtom(values[5]), connection->atom("_C"));
        const auto text = connection->property(window, connection->atom("_A"), AnyPropertyType);
        QVERIFY(text);
        QCOMPARE(text->bytes, QByteArray("several at once"));
        XDestroyWindow(display, window);
    }

    void anApplicationThatExitsLeavesItsCopyWithQuillet()
    {
        // xclip vanishes without a word: its copy is gone (Quillet is told,
        // and its history offers the copy again).
        QSignalSpy lost(m_pasteboard.get(), &Pasteboard::ownerLost);
        {
            const qint64 before = m_pasteboard->changeCount();
            ClipboardOwner owner(u"UTF8_STRING"_s, "short-lived");
            QVERIFY(waitForChangeFrom(before));
        }
        QVERIFY(lost.count() > 0 || lost.wait());
        QCOMPARE(readAll(*m_pasteboard).types, QStringList {});

        // A toolkit application hands its copy to the clipboard manager.
        TestWindow owner({ u"--copy"_s, u"--exit-after-copy"_s });
        QVERIFY(owner.waitForExit());
        QCOMPARE(readClipboard(QString()), QByteArray("rich copy"));
        QCOMPARE(readClipboard(types::html), QByteArray("<b>rich</b> copy"));
        // Already recorded when it was copied: kept marked as Quillet's own.
        QVERIFY(readAll(*m_pasteboard).types.contains(types::selfMarker));
    }

    void clearingLeavesAnOwnerThatOffersNothing()
    {
        ClipboardOwner owner(u"UTF8_STRING"_s, "to be cleared");
        QVERIFY(waitUntil([&] { return resultOf(m_pasteboard->readText()) == u"to be cleared"_s; }));
        resultOf(m_pasteboard->clear());
        QVERIFY(readAll(*m_pasteboard).types.isEmpty());
        QVERIFY(waitUntil([&] { return !owner.isRunning(); }));
        QCOMPARE(readClipboard(u"UTF8_STRING"_s), std::nullopt);
    }

    void transfersBeyondTheLimitAreAbandoned_data()
    {
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("read");
        constexpr qsizetype MB = 1024 * 1024;
        // xclip sends values above about 1 MB incrementally.
        QTest::newRow("small, in one piece") << MB << qsizetype(200 * 1024) << true;
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
        ClipboardOwner owner(u"image/png"_s, bytes);
        QVERIFY(waitForChangeFrom(before));
        const auto data = readOne(*m_pasteboard, types::png);
        QCOMPARE(data.has_value(), read);
        if (read)
            QVERIFY(*data == bytes);
        // An abandoned transfer does not disturb the next one.
        ClipboardOwner next(u"UTF8_STRING"_s, "after");
        QVERIFY(waitUntil([&] { return resultOf(m_pasteboard->readText()) == u"after"_s; }));
    }

    void aHungOwnerStallsNeitherTheMainThreadNorASecondRead()
    {
        const qint64 before = m_pasteboard->changeCount();
        ClipboardOwner owner(u"UTF8_STRING"_s, "frozen");
        QVERIFY(waitForChangeFrom(before));
        QCOMPARE(readAll(*m_pasteboard).types, QStringList { types::plainText });
        ::kill(pid_t(owner.process().processId()), SIGSTOP);

        // A timer every 10 ms keeps firing on time while the read waits out
        // the owner's 3 s.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 worstDelay = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            worstDelay = std::max(worstDelay, clock.elapsed() - last - 10);
            last = clock.elapsed();
        });
        ticker.start(10);
        auto pending = m_pasteboard->readText();
        QVERIFY(waitUntil([&] { return pending.isFinished(); }));
        ticker.stop();
        QCOMPARE(pending.result(), std::nullopt);
        QVERIFY2(clock.elapsed() >= 2900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(worstDelay <= 50, qPrintable(QString::number(worstDelay)));

        // The same owner is not asked again for this copy: no second wait.
        clock.restart();
        QCOMPARE(resultOf(m_pasteboard->readText()), std::nullopt);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        ::kill(pid_t(owner.process().processId()), SIGCONT);
    }

    void aPendingReadGivesWayToANewOwnerOrAGoneOne_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("pending");
        QTest::addColumn<bool>("copiedOver");
        QTest::newRow("hung, copied over") << u"hang"_s << "request TARGETS"_ba << true;
        QTest::newRow("hung, closed") << u"hang"_s << "request TARGETS"_ba << false;
        QTest::newRow("dripping, copied over") << u"drip"_s << "request UTF8_STRING"_ba << true;
        QTest::newRow("dripping, closed") << u"drip"_s << "request UTF8_STRING"_ba << false;
    }
    void aPendingReadGivesWayToANewOwnerOrAGoneOne()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, pending);
        QFETCH(bool, copiedOver);
        m_pasteboard->setTimeout(600000); // only giving way ends the read within the test's bounds
        const qint64 before = m_pasteboard->changeCount();
        MisbehavingOwner owner({ mode, u"5000"_s });
        QVERIFY(owner.waitFor("owned") && waitForChangeFrom(before));
        auto read = m_pasteboard->read(ReadPlan {});
        QVERIFY(owner.waitFor(pending));
        std::optional<ClipboardOwner> next;
        copiedOver ? void(next.emplace(u"UTF8_STRING"_s, "next")) : owner.close();
        QVERIFY(waitUntil([&] { return read.isFinished(); }));
        QVERIFY(read.result().items.isEmpty()); // nothing of a copy that is gone passes as whole
        if (copiedOver)
            QCOMPARE(resultOf(m_pasteboard->readText()), u"next"_s);
    }

    // Quitting does not wait out a hung owner's time-out.
    void aPasteboardEndsDuringAReadOfAHungOwner()
    {
        auto pasteboard
            = std::make_unique<X11Pasteboard>(X11Connection::open(X11Connection::qtDisplayName()));
        pasteboard->setTimeout(
            600000); // only the end of the pasteboard ends the read within the test's bounds
        const qint64 before = pasteboard->changeCount();
        MisbehavingOwner owner({ u"hang"_s });
        QVERIFY(owner.waitFor("owned"));
        QVERIFY(waitUntil([&] { return pasteboard->changeCount() != before; }));
        auto read = pasteboard->read(ReadPlan {});
        QVERIFY(owner.waitFor("request TARGETS"));
        pasteboard.reset();
        QVERIFY(read.isFinished());
        QVERIFY(read.result().items.isEmpty());
    }

    void misbehavingOwnersGiveNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        // Each byte well within the time-out: only the transfer's deadline ends it.
        QTest::newRow("dripping without end") << QStringList { u"drip"_s, u"50"_s };
        QTest::newRow("replies of another type") << QStringList { u"mistyped"_s };
    }
    void misbehavingOwnersGiveNothing()
    {
        QFETCH(QStringList, arguments);
        m_pasteboard->setTimeout(1000);
        const qint64 before = m_pasteboard->changeCount();
        MisbehavingOwner owner(arguments);
        QVERIFY(owner.waitFor("owned") && waitForChangeFrom(before));
        const PasteboardContents contents = readAll(*m_pasteboard);
        QCOMPARE(contents.types, (QStringList { types::plainText, u"image/png"_s }));
        QVERIFY(contents.items.isEmpty());
    }
};

QUILLET_TEST_MAIN(X11PasteboardTest)
#include "X11PasteboardTest.moc"
