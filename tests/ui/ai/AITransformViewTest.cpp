#include "ui/ai/AITransformView.h"

#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "ai/TextTransformManager.h"
#include "clipboard/SelectionCapture.h"
#include "clipboard/TypeRegistry.h"
#include "defaults/Defaults.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "support/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTextBlock>
#include <QToolButton>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

constexpr int kWait = 20000;

// Whether any text of the document is drawn as a diff (struck through or on
// a coloured background).
bool showsDiff(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.fontStrikeOut() || format.background().style() != Qt::NoBrush)
                return true;
        }
    }
    return false;
}

struct Panel {
    FakePasteboard pasteboard;
    FakeKeySynthesizer keys;
    FakeWorkspace workspace;
    TempStore store;
    Defaults defaults { store.folder() + QStringLiteral("/Quillet.conf") };
    ManualClock clock;
    FakeGeminiServer server;
    AIService service { [url = server.baseUrl()] { return url; } };
    SelectionCapture capture { pasteboard, keys, clock };
    ApiKeyStore keyStore { defaults, nullptr };
    TextTransformManager manager { pasteboard, capture, keys, workspace, defaults, keyStore, clock, service };
    PromptLibrary prompts { *store, clock };
    std::unique_ptr<AITransformView> view;

    explicit Panel(const std::optional<QString> &selection = QStringLiteral("teh cat"))
    {
        defaults.setString(QStringLiteral("geminiAPIKey"), QStringLiteral("view-test-key"));
        manager.setSelectedText(selection);
    }
    AITransformView &open()
    {
        view = std::make_unique<AITransformView>(manager, prompts, clock);
        view->resize(AITransformView::width, AITransformView::height);
        view->show();
        view->activateWindow();
        return *view;
    }
    template<typename T> T *child(const char *name) { return view->findChild<T *>(QLatin1String(name)); }
    QToolButton *prompt(int row)
    {
        return child<QToolButton>(qPrintable(QStringLiteral("prompt%1").arg(row)));
    }
    QPlainTextEdit *result() { return child<QPlainTextEdit>("result"); }
    bool finished() { return manager.result() && !manager.isProcessing(); }
    void key(QWidget *target, Qt::Key key) { QTest::keyClick(target, key); }
};

} // namespace

class AITransformViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theDiffAppearsOnlyOnceTheAnswerIsComplete()
    {
        Panel p;
        p.server.enqueue(
            test::gemini::textStream({ QStringLiteral("the"), QStringLiteral(" cat") }).splitEvery(9));
        AITransformView &view = p.open();
        QCOMPARE(p.child<QLabel>("selection")->text(), QStringLiteral("teh cat"));
        // "Fix grammar & spelling": the ampersand is no mnemonic, so Alt+S runs nothing.
        QVERIFY(p.prompt(0)->shortcut().isEmpty());

        // While it streams: plain text that grows, no actions.
        bool diffWhileStreaming = false;
        connect(&p.manager, &TextTransformManager::resultChanged, &view, [&] {
            if (!p.manager.isProcessing())
                return;
            diffWhileStreaming |= showsDiff(*p.result()->document());
            QVERIFY(!p.child<QWidget>("apply")->isVisibleTo(&view));
        });
        p.prompt(0)->click();
        QVERIFY(view.isShowingResult());
        QCOMPARE(p.child<QLabel>("title")->text(), builtInPrompts().first().name);
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);

        QVERIFY(!diffWhileStreaming);
        // Compared on a worker: the panel shows the answer until the diff is drawn.
        QTRY_VERIFY_WITH_TIMEOUT(view.isShowingDiff(), kWait);
        QVERIFY(showsDiff(*p.result()->document()));
        QCOMPARE(p.result()->toPlainText(), QStringLiteral("tehthe cat"));
        QVERIFY(p.child<QWidget>("apply")->isVisibleTo(&view));
        QVERIFY(!p.child<QWidget>("copy")->isVisibleTo(&view));
    }

    void returnAppliesOnlyAFinishedAnswerAndCloses()
    {
        Panel p;
        FakeReply slow = test::gemini::textStream({ QStringLiteral("fixed") });
        slow.holdOpen = true;
        p.server.enqueue(slow);
        AITransformView &view = p.open();
        QSignalSpy dismissed(&view, &AITransformView::dismissRequested);
        p.prompt(0)->click();
        QTRY_COMPARE_WITH_TIMEOUT(p.manager.result(), std::optional<QString>(QStringLiteral("fixed")), kWait);
        // Still streaming: Return must not put a half answer in place.
        p.key(p.result(), Qt::Key_Return);
        QCOMPARE(dismissed.count(), 0);
        QVERIFY(p.pasteboard.items().isEmpty());

        p.server.enqueue(test::gemini::textStream({ QStringLiteral("the cat") }));
        p.manager.setResult(std::nullopt);
        QTest::keyClicks(p.child<QLineEdit>("customPrompt"), QStringLiteral("Fix it"));
        p.key(p.child<QLineEdit>("customPrompt"), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);
        QCOMPARE(p.server.requests().last().json["contents"][0]["parts"][0]["text"].toString(),
            QStringLiteral("Fix it\n\nteh cat"));
        p.key(p.result(), Qt::Key_Return);
        QCOMPARE(dismissed.count(), 1);
        const PasteboardItem written = p.pasteboard.items().first();
        QCOMPARE(written.representations.first().second, QByteArray("the cat"));
        QCOMPARE(written.representations.last().first, types::selfMarker);
        p.clock.advance(50ms);
        QCOMPARE(p.keys.posted, QStringList { QStringLiteral("paste") });
    }

    void inputModeCopiesAndKeepsItsModeAfterBack()
    {
        Panel p;
        QVERIFY(p.prompts.create(QStringLiteral("Translate"), QStringLiteral("globe"),
            QStringLiteral("To French."), TransformMode::input));
        p.server.enqueue(test::gemini::textStream({ QStringLiteral("le chat") }));
        p.server.enqueue(test::gemini::textStream({ QStringLiteral("a cat") }));
        AITransformView &view = p.open();
        const int saved = int(builtInPrompts().size());
        QCOMPARE(p.prompt(saved)->text(), QStringLiteral("Translate"));
        p.prompt(saved)->click();
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);
        QCOMPARE(p.manager.mode(), TransformMode::input);
        QVERIFY(!showsDiff(*p.result()->document()));
        auto *copy = p.child<QPushButton>("copy");
        QVERIFY(copy->isVisibleTo(&view) && p.child<QWidget>("paste")->isVisibleTo(&view));
        QVERIFY(!p.child<QWidget>("apply")->isVisibleTo(&view));

        copy->click();
        QCOMPARE(copy->text(), QStringLiteral("Copied"));
        QCOMPARE(p.pasteboard.items().first().representations.first().second, QByteArray("le chat"));
        p.clock.advance(1499ms);
        QCOMPARE(copy->text(), QStringLiteral("Copied"));
        p.clock.advance(1ms);
        QCOMPARE(copy->text(), QStringLiteral("Copy"));
        QVERIFY(p.keys.posted.isEmpty());

        p.child<QPushButton>("back")->click();
        QVERIFY(!view.isShowingResult());
        p.prompt(1)->click();
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);
        QCOMPARE(p.manager.mode(), TransformMode::input);
        QVERIFY(!showsDiff(*p.result()->document()));
    }

    void withoutASelectionThePromptScreenStaysAndSaysWhy()
    {
        Panel p(std::nullopt);
        AITransformView &view = p.open();
        QVERIFY(!p.child<QLabel>("selection")->isVisibleTo(&view));
        p.prompt(2)->click();
        QVERIFY(!view.isShowingResult());
        QVERIFY(p.child<QLabel>("promptError")->isVisibleTo(&view));
        QCOMPARE(p.child<QLabel>("promptError")->text(), QStringLiteral("No text selected"));
        QVERIFY(p.server.requests().isEmpty());
    }

    // Return runs what is highlighted: typing highlights the field, the
    // arrows move off it, and a run empties it.
    void theKeyboardRunsWhatIsHighlighted()
    {
        Panel p;
        p.server.enqueue(test::gemini::textStream({ QStringLiteral("short") }));
        p.server.enqueue(test::gemini::textStream({ QStringLiteral("mine") }));
        AITransformView &view = p.open();
        QSignalSpy dismissed(&view, &AITransformView::dismissRequested);
        auto *custom = p.child<QLineEdit>("customPrompt");
        QTRY_VERIFY(custom->hasFocus());
        QTest::keyClicks(custom, QStringLiteral("abc"));
        QCOMPARE(view.highlightedPrompt(), int(builtInPrompts().size()));
        p.key(custom, Qt::Key_Down);
        p.key(custom, Qt::Key_Down);
        p.key(custom, Qt::Key_Down);
        p.key(custom, Qt::Key_Up);
        QCOMPARE(view.highlightedPrompt(), 1);
        p.key(custom, Qt::Key_Return);
        QCOMPARE(p.manager.currentPromptName(), builtInPrompts().at(1).name);
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);

        p.child<QPushButton>("back")->click();
        QCOMPARE(custom->text(), QString());
        QTest::keyClicks(custom, QStringLiteral("abcd"));
        p.key(custom, Qt::Key_Return);
        QCOMPARE(custom->text(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(p.finished(), kWait);
        QCOMPARE(p.server.requests().last().json["contents"][0]["parts"][0]["text"].toString(),
            QStringLiteral("abcd\n\nteh cat"));
        p.key(p.result(), Qt::Key_Escape);
        QCOMPARE(dismissed.count(), 1);
        QVERIFY(p.pasteboard.items().isEmpty());
    }

    // A run that failed part-way shows what came as incomplete, with the
    // reason and its detail on request; only Back and Try Again act.
    void aFailedRunOffersNothingToApply()
    {
        Panel p;
        FakeReply reply = test::gemini::textStream({ QStringLiteral("half") });
        reply.writes.append(R"(data: {"error":{"code":503,"message":"Overloaded"}})"
                            "\r\n\r\n");
        p.server.enqueue(reply);
        p.server.enqueue(test::gemini::textStream({ QStringLiteral("whole") }));
        AITransformView &view = p.open();
        QSignalSpy dismissed(&view, &AITransformView::dismissRequested);
        p.prompt(0)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!p.manager.isProcessing(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p.result()->toPlainText(), QStringLiteral("half"), kWait);
        QCOMPARE(p.child<QLabel>("resultError")->text(), QStringLiteral("Overloaded"));
        QVERIFY(p.child<QLabel>("resultNote")->isVisibleTo(&view));
        QVERIFY(!p.child<QWidget>("apply")->isVisibleTo(&view));
        QVERIFY(!p.child<QLabel>("errorDetail")->isVisibleTo(&view));
        p.child<QPushButton>("details")->click();
        QVERIFY(p.child<QLabel>("errorDetail")->text().contains(QStringLiteral("503")));
        p.key(p.result(), Qt::Key_Return);
        QCOMPARE(dismissed.count(), 0);
        QVERIFY(p.pasteboard.items().isEmpty());

        p.child<QPushButton>("retry")->click();
        QTRY_VERIFY_WITH_TIMEOUT(p.manager.isResultComplete(), kWait);
        QVERIFY(p.child<QWidget>("apply")->isVisibleTo(&view));
        QVERIFY(!p.child<QWidget>("retry")->isVisibleTo(&view));
    }
};

QUILLET_TEST_MAIN(AITransformViewTest)
#include "AITransformViewTest.moc"
