#include "ai/TextTransformManager.h"
#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
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
#include <QTcpServer>

Q_DECLARE_METATYPE(quillet::test::FakeReply)

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
    FakeWorkspace m_workspace;
    std::unique_ptr<Defaults> m_defaults;
    std::unique_ptr<ApiKeyStore> m_keyStore;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeGeminiServer> m_server;
    QString m_baseUrl;
    std::unique_ptr<AIService> m_service;
    std::unique_ptr<SelectionCapture> m_capture;
    std::unique_ptr<TextTransformManager> m_manager;

    std::shared_ptr<Capture> startCapture()
    {
        auto capture = std::make_shared<Capture>();
        runCapture(*m_manager, capture);
        return capture;
    }

    void selectAndConfigure(const QString &selection = u"teh cat"_s)
    {
        m_manager->setSelectedText(selection);
        m_defaults->setString(u"geminiAPIKey"_s, u"test-key-123456"_s);
    }

private Q_SLOTS:
    void init()
    {
        m_pasteboard = std::make_unique<FakePasteboard>();
        m_keys = std::make_unique<FakeKeySynthesizer>();
        m_defaults = std::make_unique<Defaults>(isolatedHome() + u"/transform.conf"_s);
        m_defaults->remove(u"geminiAPIKey"_s);
        m_defaults->remove(u"geminiModel"_s);
        m_keyStore = std::make_unique<ApiKeyStore>(*m_defaults, nullptr);
        m_clock = std::make_unique<ManualClock>();
        m_server = std::make_unique<FakeGeminiServer>();
        m_baseUrl = m_server->baseUrl();
        m_service = std::make_unique<AIService>([this] { return m_baseUrl; });
        m_capture = std::make_unique<SelectionCapture>(*m_pasteboard, *m_keys, *m_clock);
        m_manager = std::make_unique<TextTransformManager>(
            *m_pasteboard, *m_capture, *m_keys, m_workspace, *m_defaults, *m_keyStore, *m_clock, *m_service);
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
        m_keys->onCopy = [this] { m_pasteboard->copyText(u"the selection"_s); };

        auto capture = startCapture();
        QCOMPARE(m_keys->posted, QStringList { "copy" });
        // Read as soon as the clipboard changed, without waiting out the bound.
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::optional<QString>(u"the selection"_s));
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(u"the selection"_s));
        QCOMPARE(m_pasteboard->items(), after);
    }

    // The clearing write's own change signal may still be queued when the
    // wait starts; only the application's copy ends it.
    void aLateSignalOfTheClearingWriteDoesNotEndTheWait()
    {
        m_pasteboard->copyText(u"earlier"_s);
        m_keys->onCopy = [this] {
            QMetaObject::invokeMethod(
                m_pasteboard.get(), [this] { Q_EMIT m_pasteboard->changed(); }, Qt::QueuedConnection);
        };
        auto capture = startCapture();
        QCoreApplication::processEvents();
        QVERIFY(!capture->result);
        m_pasteboard->copyText(u"the selection"_s);
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::optional<QString>(u"the selection"_s));
    }

    void nothingSelected()
    {
        const QList<PasteboardItem> before { item({ { u"text/plain"_s, "earlier" } }) };
        m_pasteboard->setContents(before);
        m_manager->setSelectedText(u"stale"_s);
        auto capture = startCapture();
        m_clock->advance(SelectionCapture::kCopyWait - 1ms);
        QVERIFY(!capture->result);
        m_clock->advance(1ms);
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::nullopt);
        QCOMPARE(m_manager->selectedText(), std::nullopt);
        QCOMPARE(m_pasteboard->items(), before);

        m_defaults->setString(u"geminiAPIKey"_s, u"k"_s);
        m_manager->transform(u"Fix"_s);
        QCOMPARE(m_manager->error(), std::optional<QString>(u"No text selected"_s));
        QCOMPARE(m_manager->result(), std::nullopt);
        QVERIFY(!m_manager->isProcessing());
        m_manager->setSelectedText(QString());
        m_manager->transform(u"Fix"_s);
        QCOMPARE(m_manager->error(), std::optional<QString>(u"No text selected"_s));
        QCOMPARE(m_server->requests().size(), 0);
    }

    void theSelectionItselfIsReadFirst()
    {
        m_pasteboard->copyText(u"clipboard"_s);
        m_pasteboard->setPrimary(u"selected words"_s);
        QCOMPARE(QCoro::waitFor(m_capture->selectedText()), std::optional<QString>(u"selected words"_s));
        QVERIFY(m_keys->posted.isEmpty());
        m_pasteboard->setPrimary(QString());
        m_keys->onCopy = [this] { m_pasteboard->copyText(u"copied"_s); };
        QCOMPARE(QCoro::waitFor(m_capture->selectedText()), std::optional<QString>(u"copied"_s));
        QCOMPARE(m_pasteboard->string(), std::optional<QString>(u"clipboard"_s));
    }

    void captureWithoutPermission()
    {
        m_keys->trusted = false;
        m_pasteboard->copyText(u"earlier"_s);
        m_manager->setSelectedText(u"kept"_s);
        auto capture = startCapture();
        QVERIFY(capture->result);
        QCOMPARE(*capture->result, std::nullopt);
        QCOMPARE(m_manager->error(),
            std::optional<QString>(u"Quillet cannot send the copy keystroke on this desktop"_s));
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(u"kept"_s));
        QCOMPARE(m_pasteboard->clearCalls, 0);
        QCOMPARE(m_pasteboard->writeCalls, 0);
        QVERIFY(m_keys->posted.isEmpty());
    }

    void overlappingCapturesRestoreTheOriginalClipboard()
    {
        const QList<PasteboardItem> before { item({ { u"text/plain"_s, "precious" } }) };
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
        m_manager->setSelectedText(u"text"_s);
        m_manager->transform(u"Fix"_s);
        QCOMPARE(
            m_manager->error(), std::optional<QString>(u"Please set your Gemini API key in Settings → AI"_s));
        QVERIFY(!m_manager->isProcessing());
        QCOMPARE(m_manager->result(), std::nullopt);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void answerStreamsInAndIsTrimmedAtTheEnd()
    {
        selectAndConfigure();
        m_defaults->setString(u"geminiModel"_s, u"gemini-custom"_s);
        m_manager->setError(u"old error"_s);
        m_server->enqueue(test::gemini::textStream({ u"\n\nThe"_s, u" cat\n"_s }));
        QStringList seen;
        connect(m_manager.get(), &TextTransformManager::resultChanged, this,
            [&] { seen.append(m_manager->result().value_or(u"<none>"_s)); });

        m_manager->transform(u"Fix"_s);
        QVERIFY(m_manager->isProcessing());
        QCOMPARE(m_manager->error(), std::nullopt);
        QCOMPARE(m_manager->result(), std::optional<QString>(QString()));
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QCOMPARE(seen, (QStringList { "", "\n\nThe", "\n\nThe cat\n", "The cat" }));
        QVERIFY(m_manager->isResultComplete());
        QCOMPARE(m_manager->error(), std::nullopt);

        const RecordedRequest &request = m_server->requests().first();
        QCOMPARE(request.path, QByteArray("/v1beta/models/gemini-custom:streamGenerateContent?alt=sse"));
        QCOMPARE(request.json["contents"][0]["parts"][0]["text"].toString(), u"Fix\n\nteh cat"_s);
        QCOMPARE(request.header("x-goog-api-key"), QByteArray("test-key-123456"));
    }

    // Whatever ends a run early, the text that came stays readable but is
    // never a result to apply, and the error says why in words.
    void failuresLeaveNothingToApply_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("partial");
        QTest::addColumn<QString>("error");
        const auto status
            = [](int code, const QByteArray &body, const QByteArray &type = "application/json") {
                  return FakeReply::body(code, body, type);
              };
        QTest::newRow("400") << status(400, R"({"error":{"code":400,"message":"API key not valid."}})") << ""
                             << "API key not valid.";
        QTest::newRow("429") << status(429, R"({"error":{"code":429,"message":"Quota exceeded."}})") << ""
                             << "Quota exceeded.";
        QTest::newRow("500") << status(500, "") << ""
                             << "The service failed (500)";
        QTest::newRow("502 page") << status(502, "<html>Bad Gateway</html>", "text/html") << ""
                                  << "The service is unavailable (502)";
        QTest::newRow("refused") << FakeReply {} << ""
                                 << "Connection refused";
        FakeReply event = FakeReply::events({ chunk(u" one"_s), chunk(u" two "_s) });
        event.writes.append("data: {\"error\":{\"code\":500,\"message\":\"Internal error\"}}\r\n\r\n");
        QTest::newRow("error event") << event << " one two "
                                     << "Internal error";
        FakeReply dropped = FakeReply::events({ chunk(u" one"_s) });
        dropped.dropAfterWrites = true;
        // The transport may see the close, or only the answer missing its end.
        QTest::newRow("server gone") << dropped << " one"
                                     << "";
        FakeReply stalled = FakeReply::events({ chunk(u" one"_s) });
        stalled.holdOpen = true;
        QTest::newRow("stalled") << stalled << " one"
                                 << "The request timed out.";
        QTest::newRow("empty answer") << test::gemini::textStream({ u"  \n"_s }) << ""
                                      << "The answer was empty.";
        QTest::newRow("too long") << FakeReply::events({ chunk(u"0123456789"_s), chunk(u"abcdef"_s) })
                                  << "0123456789ab"
                                  << "The answer was too long";
    }
    void failuresLeaveNothingToApply()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, partial);
        QFETCH(QString, error);
        selectAndConfigure();
        if (QTest::currentDataTag() == QLatin1String("refused")) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            m_baseUrl = u"http://127.0.0.1:%1"_s.arg(closed.serverPort());
        } else {
            m_server->enqueue(reply);
        }
        m_service->setTimeout(300ms);
        m_service->setMaxAnswerLength(12);
        QSignalSpy complete(m_manager.get(), &TextTransformManager::isResultCompleteChanged);
        m_manager->transform(u"Fix"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QCOMPARE(m_manager->result(), std::optional<QString>(partial));
        QVERIFY(m_manager->error());
        QVERIFY2(m_manager->error()->startsWith(error), qPrintable(*m_manager->error()));
        QVERIFY(!m_manager->isResultComplete());
        QCOMPARE(complete.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, kWait);

        // Try Again runs the same prompt over the same selection.
        m_server->enqueue(test::gemini::textStream({ u"The cat"_s }));
        m_baseUrl = m_server->baseUrl();
        m_manager->retry();
        QTRY_VERIFY_WITH_TIMEOUT(m_manager->isResultComplete(), kWait);
        QCOMPARE(m_manager->result(), std::optional<QString>(u"The cat"_s));
        QCOMPARE(m_manager->error(), std::nullopt);
        QCOMPARE(m_server->requests().last().json["contents"][0]["parts"][0]["text"].toString(),
            u"Fix\n\nteh cat"_s);
    }

    // A capture that a newer request overtook sets nothing: the newer one's
    // text is what runs.
    void supersededCaptureIsDropped()
    {
        m_workspace.selectionIsActive = false;
        auto first = startCapture();
        m_manager->resetForNewRun();
        m_keys->onCopy = [this] { m_pasteboard->copyText(u"B"_s); };
        auto second = startCapture();
        m_clock->advance(SelectionCapture::kCopyWait);
        QTRY_VERIFY_WITH_TIMEOUT(second->result, kWait);
        QCOMPARE(*first->result, std::nullopt);
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(u"B"_s));
    }

    // PRIMARY outlives the selection it came from: it counts only while its
    // owner is the application in front.
    void primaryCountsOnlyForTheActiveWindow_data()
    {
        QTest::addColumn<bool>("ownedByActive");
        QTest::addColumn<QString>("captured");
        QTest::newRow("active window's") << true << "selected words";
        QTest::newRow("stale") << false << "copied";
    }
    void primaryCountsOnlyForTheActiveWindow()
    {
        QFETCH(bool, ownedByActive);
        QFETCH(QString, captured);
        m_workspace.selectionIsActive = ownedByActive;
        m_pasteboard->setPrimary(u"selected words"_s);
        m_keys->onCopy = [this] { m_pasteboard->copyText(u"copied"_s); };
        auto capture = startCapture();
        QTRY_VERIFY_WITH_TIMEOUT(capture->result, kWait);
        QCOMPARE(m_manager->selectedText(), std::optional<QString>(captured));
    }

    void newRunSupersedesAnOlderOne()
    {
        selectAndConfigure();
        QList<QByteArray> slow { chunk(u"old"_s) };
        for (int i = 0; i < 40; ++i)
            slow.append(chunk(u" stale"_s));
        m_server->enqueue(FakeReply::events(slow));
        m_server->enqueue(test::gemini::textStream({ u"new"_s }));

        m_manager->transform(u"Fix"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            m_manager->result().value_or(QString()).startsWith(QLatin1String("old")), kWait);
        m_manager->resetForNewRun();
        QCOMPARE(m_manager->result(), std::nullopt);
        QVERIFY(!m_manager->isProcessing());

        m_manager->setSelectedText(u"teh cat"_s);
        m_manager->transform(u"Fix"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!m_manager->isProcessing(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->openConnections(), 0, kWait);
        QCOMPARE(m_manager->result(), std::optional<QString>(u"new"_s));
        QVERIFY(!m_manager->isProcessing());
        QCOMPARE(m_manager->error(), std::nullopt);
    }

    void replaceWritesMarkedTextThenPastes()
    {
        m_pasteboard->copyText(u"user's earlier clipboard"_s);
        m_manager->replaceSelection(u"The cat"_s);
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
        m_manager->replaceSelection(u"x"_s);
        m_clock->advance(1s);
        QVERIFY(m_keys->posted.isEmpty());
        QCOMPARE(m_pasteboard->string(), std::optional<QString>(u"x"_s));
    }

    void copyWritesMarkedTextOnly()
    {
        m_manager->copyResult(u"Résumé ✓"_s);
        QCOMPARE(m_pasteboard->items(),
            QList<PasteboardItem> { item(
                { { types::plainText, u"Résumé ✓"_s.toUtf8() }, { types::selfMarker, QByteArray() } }) });
        m_clock->advance(1s);
        QVERIFY(m_keys->posted.isEmpty());
    }

    void resetRestoresIdle()
    {
        m_manager->setMode(TransformMode::input);
        m_manager->setCurrentPromptName(u"Summarize"_s);
        m_manager->setSelectedText(u"s"_s);
        m_manager->setResult(u"r"_s);
        m_manager->setError(u"e"_s);
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
