#include "clipboard/PasteboardTransfer.h"
#include "clipboard/TypeRegistry.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>

using namespace quillet;
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
        workspace.setFrontmost(QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"));
        pasteboard.setContents(
            { item({ { QStringLiteral("TARGETS"), "atoms" }, { QStringLiteral("text/html"), "<b>Hi</b>" },
                { QStringLiteral("UTF8_STRING"), "Hi" }, { QStringLiteral("x-special/private"), "p" },
                { QStringLiteral("text/plain;charset=utf-8"), "Hi" } }) });
        const PasteboardSnapshot snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> { { QStringLiteral("text/html"), "<b>Hi</b>" },
                { QStringLiteral("text/plain;charset=utf-8"), "Hi" } }));
        QCOMPARE(snapshot.sourceAppBundleID, std::optional<QString>(QStringLiteral("org.gnome.TextEditor")));
        QCOMPARE(snapshot.sourceAppName, std::optional<QString>(QStringLiteral("Text Editor")));
        QCOMPARE(snapshot.changeCount, pasteboard.changeCount());
        QVERIFY(!snapshot.hasSelfMarker);
        QVERIFY(!snapshot.isSecret);
    }

    void noFrontmostApplicationLeavesTheSourceEmpty()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.copyText(QStringLiteral("x"));
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.sourceAppBundleID, std::nullopt);
        QCOMPARE(snapshot.sourceAppName, std::nullopt);
    }

    void typesWithoutDataAreSkipped()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents(
            { item({ { QStringLiteral("text/html"), "h" }, { QStringLiteral("text/plain"), "" } }) });
        pasteboard.setTypesWithoutData({ QStringLiteral("text/html") });
        // Empty data is still data.
        QCOMPARE(capture(pasteboard, workspace).contents,
            (QList<TypedContent> { { QStringLiteral("text/plain"), QByteArray() } }));
    }

    void readsOnlyOneImageConversion_data()
    {
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("kept");
        QTest::newRow("png preferred") << QStringList { QStringLiteral("image/bmp"),
            QStringLiteral("image/png"), QStringLiteral("image/jpeg") }
                                       << QStringLiteral("image/png");
        QTest::newRow("first supported without png") << QStringList { QStringLiteral("image/webp"),
            QStringLiteral("image/jpeg"), QStringLiteral("image/bmp") }
                                                     << QStringLiteral("image/jpeg");
        QTest::newRow("unsupported only") << QStringList { QStringLiteral("image/webp"),
            QStringLiteral("image/avif") } << QStringLiteral("image/webp");
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
        pictures.representations.append({ QStringLiteral("text/plain"), "caption" });
        pasteboard.setContents({ pictures });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> { { kept, kept.toUtf8() }, { QStringLiteral("text/plain"), "caption" } }));
        // The other conversions are never even requested.
        for (const QString &type : offered) {
            if (type != kept)
                QVERIFY(!pasteboard.dataRequests.contains(QStringLiteral("0:") + type));
        }
    }

    void severalFileItemsGiveOneRepresentationEach()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents({ item({ { QStringLiteral("text/uri-list"), "file:///a" },
                                     { QStringLiteral("text/plain"), "/a\n/b\n/c" } }),
            item({ { QStringLiteral("text/uri-list"), "file:///b" } }),
            item({ { QStringLiteral("text/uri-list"), "file:///c" } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents.size(), 4);
        QCOMPARE(snapshot.contents.at(2), (TypedContent { QStringLiteral("text/uri-list"), "file:///b" }));
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
        pasteboard.setContents({ item({ { QStringLiteral("text/plain"), "hunter2" }, { type, value } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.hasSelfMarker, marker);
        QCOMPARE(snapshot.isSecret, secret);
        QCOMPARE(snapshot.contents.isEmpty(), marker || secret);
        QCOMPARE(pasteboard.dataRequests.contains(QStringLiteral("0:text/plain")), !(marker || secret));
        // Neither is looked at beyond the type list, except the hint itself.
        QCOMPARE(pasteboard.dataRequests.contains(QStringLiteral("0:") + type), !marker);
    }

    void oversizedRepresentationIsSkipped()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        pasteboard.setContents(
            { item({ { QStringLiteral("text/plain"), QByteArray(kMaxRepresentationBytes + 1, 'x') },
                { QStringLiteral("text/html"), "<p>small</p>" } }) });
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(
            snapshot.contents, (QList<TypedContent> { { QStringLiteral("text/html"), "<p>small</p>" } }));
    }

    void writesOneItemWithTheMarker()
    {
        FakePasteboard pasteboard;
        pasteboard.copyText(QStringLiteral("old"));
        const qint64 before = pasteboard.changeCount();
        writeContents({ content(QStringLiteral("text/html"), QByteArray("<b>x</b>")),
                          withoutData(QStringLiteral("text/plain")),
                          content(QStringLiteral("text/plain;charset=utf-8"), QByteArray("x")) },
            true, pasteboard);
        QCOMPARE(pasteboard.items().size(), 1);
        QCOMPARE(pasteboard.items().first(),
            item({ { QStringLiteral("text/html"), "<b>x</b>" },
                { QStringLiteral("text/plain;charset=utf-8"), "x" }, { types::selfMarker, QByteArray() } }));
        QVERIFY(pasteboard.changeCount() > before);
        QCOMPARE(pasteboard.writeCalls, 1);
    }

    void severalFilesAreJoinedIntoOneList()
    {
        FakePasteboard pasteboard;
        writeContents({ content(QStringLiteral("text/uri-list"), QByteArray("file:///a")),
                          content(QStringLiteral("text/plain"), QByteArray("first")),
                          content(QStringLiteral("text/uri-list"), QByteArray("file:///b")),
                          content(QStringLiteral("text/plain"), QByteArray("second")),
                          content(QStringLiteral("text/uri-list"), QByteArray("file:///c")) },
            false, pasteboard);
        QCOMPARE(pasteboard.items().first(),
            item({ { QStringLiteral("text/uri-list"), "file:///a\r\nfile:///b\r\nfile:///c" },
                { QStringLiteral("text/plain"), "second" } }));
    }

    void captureAfterWriteRoundTrips()
    {
        FakePasteboard pasteboard;
        FakeWorkspace workspace;
        const QList<ClipboardContent> contents { content(
                                                     QStringLiteral("text/rtf"), QByteArray("{\\rtf1 x}")),
            content(QStringLiteral("text/plain"), QByteArray("x")) };
        writeContents(contents, false, pasteboard);
        const auto snapshot = capture(pasteboard, workspace);
        QCOMPARE(snapshot.contents,
            (QList<TypedContent> {
                { QStringLiteral("text/rtf"), "{\\rtf1 x}" }, { QStringLiteral("text/plain"), "x" } }));
    }
};

QUILLET_TEST_MAIN(PasteboardTransferTest)
#include "PasteboardTransferTest.moc"
