#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>

using namespace quillet;
using namespace Qt::StringLiterals;
using test::content;
using test::FakePasteboard;
using test::FakeWorkspace;

namespace {

PasteboardItem item(std::initializer_list<std::pair<QString, QByteArray>> representations)
{
    return PasteboardItem { QList<std::pair<QString, QByteArray>>(representations) };
}

ClipboardContent withoutData(const QString &type)
{
    ClipboardContent record = content(type, {});
    record.data.reset();
    return record;
}

PasteboardSnapshot capture(FakePasteboard &pasteboard, FakeWorkspace &workspace)
{
    // The fake's reads finish at once.
    return QCoro::waitFor(quillet::capture(pasteboard, workspace));
}

} // namespace

class PasteboardTransferTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void capturesEveryContentTypeInOrder()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        workspace.setFrontmost(u"org.gnome.TextEditor"_s, u"Text Editor"_s);
        pasteboard.setContents(
            { item({ { u"TARGETS"_s, "atoms" }, { u"text/html"_s, "<b>Hi</b>" }, { u"UTF8_STRING"_s, "Hi" },
                { u"x-special/private"_s, "p" }, { u"text/plain;charset=utf-8"_s, "Hi" } }) });
        const PasteboardSnapshot snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> {
                { u"text/html"_s, "<b>Hi</b>" }, { u"text/plain;charset=utf-8"_s, "Hi" } }));
        QCOMPARE(snapshot.sourceAppBundleID, std::optional<QString>(u"org.gnome.TextEditor"_s));
        QCOMPARE(snapshot.sourceAppName, std::optional<QString>(u"Text Editor"_s));
        QCOMPARE(snapshot.changeCount, pasteboard.changeCount());
        QVERIFY(!snapshot.hasSelfMarker);
        QVERIFY(!snapshot.isSecret);
    }

    void noFrontmostApplicationLeavesTheSourceEmpty()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.copyText(u"x"_s);
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.sourceAppBundleID, std::nullopt);
        QCOMPARE(snapshot.sourceAppName, std::nullopt);
    }

    void typesWithoutDataAreSkipped()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents({ item({ { u"text/html"_s, "h" }, { u"text/plain"_s, "" } }) });
        pasteboard.setTypesWithoutData({ u"text/html"_s });
        // Empty data is still data.
        QCOMPARE(capture(pasteboard, workspace).contents,
            (QList<TypedContent> { { u"text/plain"_s, QByteArray() } }));
    }

    void readsOnlyOneImageConversion_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("kept");
        QTest::newRow("png preferred")
            << QStringList { u"image/bmp"_s, u"image/png"_s, u"image/jpeg"_s } << u"image/png"_s;
        QTest::newRow("first supported without png")
            << QStringList { u"image/webp"_s, u"image/jpeg"_s, u"image/bmp"_s } << u"image/jpeg"_s;
        QTest::newRow("unsupported only")
            << QStringList { u"image/webp"_s, u"image/avif"_s } << u"image/webp"_s;
    }
    void readsOnlyOneImageConversion()
    {
        QFETCH(QStringList, offered);
        QFETCH(QString, kept);
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        PasteboardItem pictures;
        for (const QString &type : offered)
            pictures.representations.append({ type, type.toUtf8() });
        pictures.representations.append({ u"text/plain"_s, "caption" });
        pasteboard.setContents({ pictures });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> { { kept, kept.toUtf8() }, { u"text/plain"_s, "caption" } }));
        // The other conversions are never even requested.
        for (const QString &type : offered) {
            if (type != kept)
                QVERIFY(!pasteboard.dataRequests.contains(u"0:"_s + type));
        }
    }

    void severalFileItemsGiveOneRepresentationEach()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents(
            { item({ { u"text/uri-list"_s, "file:///a" }, { u"text/plain"_s, "/a\n/b\n/c" } }),
                item({ { u"text/uri-list"_s, "file:///b" } }),
                item({ { u"text/uri-list"_s, "file:///c" } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents.size(), 4);
        QCOMPARE(snapshot.contents.at(2), (TypedContent { u"text/uri-list"_s, "file:///b" }));
    }

    void selfMarkedOrSecretClipboardsAreNotRead_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("secret");
        QTest::newRow("marker") << types::selfMarker << QByteArray() << true << false;
        QTest::newRow("secret") << types::passwordManagerHint << QByteArray("secret") << false << true;
        QTest::newRow("hint that is not secret")
            << types::passwordManagerHint << QByteArray("public") << false << false;
    }
    void selfMarkedOrSecretClipboardsAreNotRead()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, value);
        QFETCH(bool, marker);
        QFETCH(bool, secret);
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents({ item({ { u"text/plain"_s, "hunter2" }, { type, value } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.hasSelfMarker, marker);
        QCOMPARE(snapshot.isSecret, secret);
        QCOMPARE(snapshot.contents.isEmpty(), marker || secret);
        QCOMPARE(pasteboard.dataRequests.contains(u"0:text/plain"_s), !(marker || secret));
        // Neither is looked at beyond the type list, except the hint itself.
        QCOMPARE(pasteboard.dataRequests.contains(u"0:"_s + type), !marker);
    }

    void oversizedRepresentationIsSkipped()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents({ item({ { u"text/plain"_s, QByteArray(kMaxRepresentationBytes + 1, 'x') },
            { u"text/html"_s, "<p>small</p>" } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents, (QList<TypedContent> { { u"text/html"_s, "<p>small</p>" } }));
    }

    void writesOneItemWithTheMarker()
    {
        FakePasteboard pasteboard;
        pasteboard.copyText(u"old"_s);
        const qint64 before = pasteboard.changeCount();
        writeContents({ content(u"text/html"_s, QByteArray("<b>x</b>")), withoutData(u"text/plain"_s),
                          content(u"text/plain;charset=utf-8"_s, QByteArray("x")) },
            true, pasteboard);
        QCOMPARE(pasteboard.items().size(), 1);
        QCOMPARE(pasteboard.items().first(),
            item({ { u"text/html"_s, "<b>x</b>" }, { u"text/plain;charset=utf-8"_s, "x" },
                { types::selfMarker, QByteArray() } }));
        QVERIFY(pasteboard.changeCount() > before);
        QCOMPARE(pasteboard.writeCalls, 1);
    }

    void severalFilesAreJoinedIntoOneList()
    {
        FakePasteboard pasteboard;
        writeContents({ content(u"text/uri-list"_s, QByteArray("file:///a")),
                          content(u"text/plain"_s, QByteArray("first")),
                          content(u"text/uri-list"_s, QByteArray("file:///b")),
                          content(u"text/plain"_s, QByteArray("second")),
                          content(u"text/uri-list"_s, QByteArray("file:///c")) },
            false, pasteboard);
        QCOMPARE(pasteboard.items().first(),
            item({ { u"text/uri-list"_s, "file:///a\r\nfile:///b\r\nfile:///c" },
                { u"text/plain"_s, "second" } }));
    }

    void captureAfterWriteRoundTrips()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        const QList<ClipboardContent> contents { content(u"text/rtf"_s, QByteArray("{\\rtf1 x}")),
            content(u"text/plain"_s, QByteArray("x")) };
        writeContents(contents, false, pasteboard);
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> { { u"text/rtf"_s, "{\\rtf1 x}" }, { u"text/plain"_s, "x" } }));
    }
};

QUILLET_TEST_MAIN(PasteboardTransferTest)
#include "PasteboardTransferTest.moc"
