#include "ai/TextTransformManager.h"
#include "ai/AIService.h"
#include "clipboard/PasteboardTransfer.h"
#include "clipboard/SelectionCapture.h"
#include "clipboard/TypeRegistry.h"
#include "defaults/Defaults.h"
#include "support/FakeGeminiServer.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QJsonArray>
#include <QSignalSpy>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

constexpr int kWait = 20000;

QByteArray chunk(const QString &text)
{
    return test::gemini::textChunk(text);
}

PasteboardItem item(std::initializer_list<std::pair<QString, QByteArray>> representations)
{
    return PasteboardItem { QList<std::pair<QString, QByteArray>>(representations) };
}

// Runs a capture to its end as far as the manual clock lets it.
struct Capture {
    std::optional<std::optional<QString>> result;
};

QCoro::Task<> runCapture(TextTransformManager &manager, std::shared_ptr<Capture> capture)
{
    capture->result = co_await manager.captureSelectedText();
}

} // namespace

class TextTransformManagerTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<FakePasteboard> m_pasteboard;
    std::unique_ptr<FakeKeySynthesizer> m_keys;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeGeminiServer> m_server;
    std::unique_ptr<AIService> m_service;
    std::unique_ptr<SelectionCapture> m_capture;
    std::unique_ptr<TextTransformManager> m_manager;

    std::shared_ptr<Capture> startCapture()
    {
        auto capture = std::make_shared<Capture>();
        runCapture(*m_manager, capture);
        return capture;
    }

    void selectAndConfigure(const QString &selection = QStringLiteral("teh cat"))
    {
        m_manager->setSelectedText(selection);
        m_defaults->setString(QStringLiteral("geminiAPIKey"), QStringLiteral("test-key-123456"));
    }

private Q_SLOTS:
    void init()
    {
        m_pasteboard = std::make_unique<FakePasteboard>();
        m_keys = std::make_unique<FakeKeySynthesizer>();
        m_defaults = std::make_unique<Defaults>(isolatedHome() + QStringLiteral("/transform.conf"));
        m_defaults->remove(QStringLiteral("geminiAPIKey"));
        m_defaults->remove(QStringLiteral("geminiModel"));
        m_clock = std::make_unique<ManualClock>();
        m_server = std::make_unique<FakeGeminiServer>();
        m_service = std::make_unique<AIService>([url = m_server->baseUrl()] { return url; });
        m_capture = std::make_unique<SelectionCapture>(*m_pasteboard, *m_keys, *m_clock);
        m_manager = std::make_unique<TextTransformManager>(
            *m_pasteboard, *m_capture, *m_keys, *m_defaults, *m_clock, *m_service);
    }
    void cleanup()
    {
        m_manager.reset();
        m_capture.reset();
        m_service.reset();
        m_server.reset();
    }

    void captureRestoresTheClipboardExactly_data()
    {
        QTest::addColumn<QList<PasteboardItem>>("before");
        QTest::addColumn<QStringList>("typesWithoutData");
        QTest::addColumn<QList<PasteboardItem>>("after");
        const QList<PasteboardItem> rich {
            item({ { u"text/html"_s, "<b>earlier</b>" }, { u"text/plain"_s, "earlier" },
                { u"application/x-private"_s, QByteArray("\x00\x01\xff", 3) } }),
            item({ { u"image/png"_s, QByteArray(4096, '\x89') } }),
        };
        QTest::newRow("several items of every kind") << rich << QStringList {} << rich;
        QTest::newRow("empty") << QList<PasteboardItem> {} << QStringList {} << QList<PasteboardItem> {};
        QTest::newRow("types without data are left out")
            << QList<PasteboardItem> { item(
                   { { u"text/plain"_s, "kept" }, { u"text/x-empty"_s, "unreadable" } }) }
            << QStringList { u"text/x-empty"_s }
            << QList<PasteboardItem> { item({ { u"text/plain"_s, "kept" } }) };
    }
    void captureRestoresTheClipboardExactly()
    {
        QFETCH(QList<PasteboardItem>, before);
        QFETCH(QStringList, typesWithoutData);
        QFETCH(QList<PasteboardItem>, after);
        m_pasteboard->setContents(before);
        m_pasteboard->setTypesWithoutData(typesWithoutData);
        m_keys->onCopy = [this] { m_pasteboard->copyText(QStringLiteral("the selection")); };

        auto capture = startCapture();
        QCOMPARE(m_keys->posted, QStringList { "copy" });
        // Read as soon as the clipboard changed, without waiting out the bound.
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::optional<QString>(QStringLiteral("the selection")));
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(QStringLiteral("the selection")));
        QCOMPARE(m_pasteboard->items(), after);
    }

    void nothingSelected()
    {
        const QList<PasteboardItem> before { item({ { QStringLiteral("text/plain"), "earlier" } }) };
        m_pasteboard->setContents(before);
        m_manager->setSelectedText(QStringLiteral("stale"));
        auto capture = startCapture();
        m_clock->advance(SelectionCapture::kCopyWait - 1ms);
        QVERIFY(!capture->result);
        m_clock->advance(1ms);
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::nullopt);
        QCOMPARE(m_manager->selectedText(), std::nullopt);
        QCOMPARE(m_pasteboard->items(), before);

        m_defaults->setString(QStringLiteral("geminiAPIKey"), QStringLiteral("k"));
        m_manager->transform(QStringLiteral("Fix"));
        QCOMPARE(m_manager->error(), std::optional<QString>(QStringLiteral("No text selected")));
        QCOMPARE(m_manager->result(), std::nullopt);
        QVERIFY(!m_manager->isProcessing());
        m_manager->setSelectedText(QString());
        m_manager->transform(QStringLiteral("Fix"));
        QCOMPARE(m_manager->error(), std::optional<QString>(QStringLiteral("No text selected")));
        QCOMPARE(m_server->requests().size(), 0);
    }

    void theSelectionItselfIsReadFirst()
    {
        m_pasteboard->copyText(QStringLiteral("clipboard"));
        m_pasteboard->setPrimary(QStringLiteral("selected words"));
        QCOMPARE(QCoro::waitFor(m_capture->selectedText()),
            std::optional<QString>(QStringLiteral("selected words")));
        QVERIFY(m_keys->posted.isEmpty());
        m_pasteboard->setPrimary(QString());
        m_keys->onCopy = [this] { m_pasteboard->copyText(QStringLiteral("copied")); };
        QCOMPARE(QCoro::waitFor(m_capture->selectedText()), std::optional<QString>(QStringLiteral("copied")));
        QCOMPARE(m_pasteboard->string(), std::optional<QString>(QStringLiteral("clipboard")));
    }

    void captureWithoutPermission()
    {
        m_keys->trusted = false;
        m_pasteboard->copyText(QStringLiteral("earlier"));
        m_manager->setSelectedText(QStringLiteral("kept"));
        auto capture = startCapture();
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::nullopt);
        QCOMPARE(
            m_manager->error(), std::optional<QString>(QStringLiteral("Accessibility permission required")));
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(QStringLiteral("kept")));
        QCOMPARE(m_pasteboard->clearCalls, 0);
        QCOMPARE(m_pasteboard->writeCalls, 0);
        QVERIFY(m_keys->posted.isEmpty());
    }

    void overlappingCapturesRestoreTheOriginalClipboard()
    {
        const QList<PasteboardItem> before { item({ { QStringLiteral("text/plain"), "precious" } }) };
        m_pasteboard->setContents(before);
        // Nothing selected: each capture waits out its bound.
        auto first = startCapture();
        auto second = startCapture();
        QCOMPARE(m_keys->posted, QStringList { "copy" });
        m_clock->advance(SelectionCapture::kCopyWait);
        QVERIFY(first->result);
        // The second capture starts from the restored clipboard.
        QTRY_COMPARE_WITH_TIMEOUT(m_keys->posted.size(), 2, kWait);
        QCOMPARE(m_pasteboard->items(), QList<PasteboardItem> {});
        m_clock->advance(SelectionCapture::kCopyWait);
        QVERIFY(second->result);
        QCOMPARE(m_pasteboard->items(), before);
    }

    void missingKey()
    {
        m_manager->setSelectedText(QStringLiteral("text"));
        m_manager->transform(QStringLiteral("Fix"));
        QCOMPARE(m_manager->error(),
            std::optional<QString>(QStringLiteral("Please set your Gemini API key in Settings → AI")));
        QVERIFY(!m_manager->isProcessing());
        QCOMPARE(m_manager->result(), std::nullopt);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void answerStreamsInAndIsTrimmedAtTheEnd()
    {
        selectAndConfigure();
        m_defaults->setString(QStringLiteral("geminiModel"), QStringLiteral("gemini-custom"));
        m_manager->setError(QStringLiteral("old error"));
        m_server->enqueue(
            FakeReply::events({ chunk(QStringLiteral("\n\nThe")), chunk(QStringLiteral(" cat\n")) }));
        QStringList seen;
        connect(m_manager.get(), &TextTransformManager::resultChanged, this,
            [&] { seen.append(m_manager->result().value_or(QStringLiteral("<none>"))); });

        m_manager->transform(QStringLiteral("Fix"));
        QVERIFY(m_manager->isProcessing());
        QCOMPARE(m_manager->error(), std::nullopt);
        QCOMPARE(m_manager->result(), std::optional<QString>(QString()));
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QCOMPARE(seen, (QStringList { "", "\n\nThe", "\n\nThe cat\n", "The cat" }));
        QCOMPARE(m_manager->error(), std::nullopt);

        const RecordedRequest &request = m_server->requests().first();
        QCOMPARE(request.path, QByteArray("/v1beta/models/gemini-custom:streamGenerateContent?alt=sse"));
        QCOMPARE(
            request.json["contents"][0]["parts"][0]["text"].toString(), QStringLiteral("Fix\n\nteh cat"));
        QCOMPARE(request.header("x-goog-api-key"), QByteArray("test-key-123456"));
    }

    void failureKeepsTheChunksSoFar_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("error");
        QTest::newRow("connection dropped") << true << "Connection closed";
        QTest::newRow("error event") << false << "API error (500): Internal error";
    }
    void failureKeepsTheChunksSoFar()
    {
        QFETCH(bool, drop);
        QFETCH(QString, error);
        selectAndConfigure();
        FakeReply reply
            = FakeReply::events({ chunk(QStringLiteral(" one")), chunk(QStringLiteral(" two ")) });
        if (drop)
            reply.dropAfterWrites = true;
        else
            reply.writes.append("data: {\"error\":{\"code\":500,\"message\":\"Internal error\"}}\r\n\r\n");
        m_server->enqueue(reply);
        m_manager->transform(QStringLiteral("Fix"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QCOMPARE(m_manager->result(), std::optional<QString>(QStringLiteral(" one two ")));
        QCOMPARE(m_manager->error(), std::optional<QString>(error));
    }

    void newRunSupersedesAnOlderOne()
    {
        selectAndConfigure();
        QList<QByteArray> slow { chunk(QStringLiteral("old")) };
        for (int i = 0; i < 40; ++i)
            slow.append(chunk(QStringLiteral(" stale")));
        m_server->enqueue(FakeReply::events(slow));
        m_server->enqueue(FakeReply::events({ chunk(QStringLiteral("new")) }));

        m_manager->transform(QStringLiteral("Fix"));
        QTRY_VERIFY_WITH_TIMEOUT(
            m_manager->result().value_or(QString()).startsWith(QLatin1String("old")), kWait);
        m_manager->resetForNewRun();
        QCOMPARE(m_manager->result(), std::nullopt);
        QVERIFY(!m_manager->isProcessing());

        m_manager->setSelectedText(QStringLiteral("teh cat"));
        m_manager->transform(QStringLiteral("Fix"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, kWait);
        QCOMPARE(m_manager->result(), std::optional<QString>(QStringLiteral("new")));
        QVERIFY(!m_manager->isProcessing());
        QCOMPARE(m_manager->error(), std::nullopt);
    }

    void replaceWritesMarkedTextThenPastes()
    {
        m_pasteboard->copyText(QStringLiteral("user's earlier clipboard"));
        m_manager->replaceSelection(QStringLiteral("The cat"));
        QCOMPARE(m_pasteboard->items(),
            QList<PasteboardItem> {
                item({ { types::plainText, "The cat" }, { types::selfMarker, QByteArray() } }) });
        FakeWorkspace workspace;
        QVERIFY(QCoro::waitFor(capture(*m_pasteboard, workspace)).hasSelfMarker);

        m_clock->advance(49ms);
        QVERIFY(m_keys->posted.isEmpty());
        m_clock->advance(1ms);
        QCOMPARE(m_keys->posted, QStringList { "paste" });
    }

    void replaceWithoutPermissionPastesNothing()
    {
        m_keys->trusted = false;
        m_manager->replaceSelection(QStringLiteral("x"));
        m_clock->advance(1s);
        QVERIFY(m_keys->posted.isEmpty());
        QCOMPARE(m_pasteboard->string(), std::optional<QString>(QStringLiteral("x")));
    }

    void copyWritesMarkedTextOnly()
    {
        m_manager->copyResult(QStringLiteral("Résumé ✓"));
        QCOMPARE(m_pasteboard->items(),
            QList<PasteboardItem> { item({ { types::plainText, QStringLiteral("Résumé ✓").toUtf8() },
                { types::selfMarker, QByteArray() } }) });
        m_clock->advance(1s);
        QVERIFY(m_keys->posted.isEmpty());
    }

    void resetRestoresIdle()
    {
        m_manager->setMode(TransformMode::input);
        m_manager->setCurrentPromptName(QStringLiteral("Summarize"));
        m_manager->setSelectedText(QStringLiteral("s"));
        m_manager->setResult(QStringLiteral("r"));
        m_manager->setError(QStringLiteral("e"));
        m_manager->setIsProcessing(true);
        m_manager->resetForNewRun();
        QCOMPARE(m_manager->selectedText(), std::nullopt);
        QCOMPARE(m_manager->result(), std::nullopt);
        QCOMPARE(m_manager->error(), std::nullopt);
        QCOMPARE(m_manager->currentPromptName(), std::nullopt);
        QVERIFY(!m_manager->isProcessing());
        QCOMPARE(m_manager->mode(), TransformMode::replace);
    }
};

QUILLET_TEST_MAIN(TextTransformManagerTest)
#include "TextTransformManagerTest.moc"
