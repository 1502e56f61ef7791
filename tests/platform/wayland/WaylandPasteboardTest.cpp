#include "platform/wayland/WaylandPasteboard.h"
#include "WaylandTestTools.h"

#include <QSignalSpy>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::wayland;

namespace {

const QString kPlain = QStringLiteral("text/plain");
const QString kMarker = QStringLiteral("app.quillet.Quillet.self-marker");

std::optional<QByteArray> dataOf(const PasteboardContents &contents, const QString &type)
{
    for (const PasteboardItem &item : contents.items) {
        for (const auto &[itemType, data] : item.representations) {
            if (itemType == type)
                return data;
        }
    }
    return std::nullopt;
}

} // namespace

// The clipboard through wlroots' data-control, against a real (headless)
// sway, with wl-copy and wl-paste as the other applications.
class WaylandPasteboardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WaylandPasteboard> m_pasteboard;

private Q_SLOTS:
    void init()
    {
        m_pasteboard = std::make_unique<WaylandPasteboard>(WaylandConnection::open());
        QVERIFY(m_pasteboard->isAvailable());
        QVERIFY(m_pasteboard->notifiesChanges());
        // The selection announced at the start is no news to the tests.
        QCoreApplication::processEvents();
    }

    void cleanup() { m_pasteboard.reset(); }

    void anOutsideCopyIsNoticedAndReadWithItsTypes_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("text") << kPlain << QByteArray("copied by wl-copy");
        QTest::newRow("HTML") << QStringLiteral("text/html") << QByteArray("<b>bold</b> words");
    }

    void anOutsideCopyIsNoticedAndReadWithItsTypes()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, data);
        const qint64 before = m_pasteboard->changeCount();
        QSignalSpy changed(m_pasteboard.get(), &WaylandPasteboard::changed);
        WlCopy owner(data, type);
        QTRY_VERIFY_WITH_TIMEOUT(m_pasteboard->changeCount() > before, kX11WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), kX11WaitMs);

        const PasteboardContents contents = resultOf(m_pasteboard->read({}));
        QVERIFY2(contents.types.contains(type), qPrintable(contents.types.join(QLatin1Char(' '))));
        QCOMPARE(dataOf(contents, type), data);
    }

    void quilletsWriteIsReadBackByOtherApplications()
    {
        const QByteArray text = "written by Quillet";
        const qint64 before = m_pasteboard->changeCount();
        m_pasteboard->write({ PasteboardItem { { { kPlain, text }, { kMarker, QByteArray() } } } })
            .waitForFinished();
        // The change is in effect when the write is done.
        QVERIFY(m_pasteboard->changeCount() > before);
        QCOMPARE(wlPaste(kPlain), text);
        const auto types = runTool(QStringLiteral("wl-paste"), { QStringLiteral("--list-types") });
        QVERIFY(types && types->split('\n').contains(kMarker.toUtf8()));

        // Read back from memory, never through a pipe to itself.
        const PasteboardContents contents = resultOf(m_pasteboard->read({}));
        QCOMPARE(contents.types, (QStringList { kPlain, kMarker }));
        QCOMPARE(dataOf(contents, kPlain), text);
        QCOMPARE(resultOf(m_pasteboard->readText()), QString::fromUtf8(text));

        // Clearing leaves a selection that offers nothing.
        m_pasteboard->clear().waitForFinished();
        QCOMPARE(resultOf(m_pasteboard->read({})).types, QStringList {});
        QCOMPARE(wlPaste(kPlain), std::nullopt);
    }

    void theClipboardOutlivesTheApplicationThatCopied()
    {
        QSignalSpy lost(m_pasteboard.get(), &WaylandPasteboard::ownerLost);
        // What Quillet offers again: the newest entry, marked as its own.
        connect(m_pasteboard.get(), &WaylandPasteboard::ownerLost, this, [this] {
            m_pasteboard->restore(
                { PasteboardItem { { { kPlain, QByteArray("kept by Quillet") }, { kMarker, {} } } } });
        });
        {
            WlCopy owner("kept by Quillet");
            QTRY_VERIFY_WITH_TIMEOUT(wlPaste(kPlain) == QByteArray("kept by Quillet"), kX11WaitMs);
        }
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, kX11WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(wlPaste(kPlain) == QByteArray("kept by Quillet"), kX11WaitMs);
        disconnect(m_pasteboard.get(), &WaylandPasteboard::ownerLost, this, nullptr);

        // A newer copy that came first is left alone.
        {
            WlCopy owner("gone");
            QTRY_VERIFY_WITH_TIMEOUT(wlPaste(kPlain) == QByteArray("gone"), kX11WaitMs);
        }
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 2, kX11WaitMs);
        WlCopy newer("newer copy");
        QTRY_VERIFY_WITH_TIMEOUT(wlPaste(kPlain) == QByteArray("newer copy"), kX11WaitMs);
        m_pasteboard->restore({ PasteboardItem { { { kPlain, QByteArray("stale") } } } }).waitForFinished();
        QCOMPARE(wlPaste(kPlain), QByteArray("newer copy"));
    }

    void thePrimarySelectionIsReadForTheSelectedText()
    {
        WlCopy selected("selected words", kPlain, true);
        QTRY_COMPARE_WITH_TIMEOUT(resultOf(m_pasteboard->readText(Selection::primary)),
            std::optional<QString>(QStringLiteral("selected words")), kX11WaitMs);
    }
};

QUILLET_TEST_MAIN(WaylandPasteboardTest)
#include "WaylandPasteboardTest.moc"
