#include "ui/settings/AISettingsView.h"

#include "defaults/PreferenceKeys.h"
#include "launcher/CommandApproval.h"
#include "support/GeminiPayloads.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "ui/settings/PromptEditorDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>

using namespace quillet;
using test::FakeReply;

Q_DECLARE_METATYPE(FakeReply)
Q_DECLARE_METATYPE(quillet::SandboxKind)

namespace {

constexpr int kWait = 20000;

template<typename T> T *child(QWidget &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

QString text(QWidget &parent, const char *name)
{
    return child<QLabel>(parent, name)->text();
}

} // namespace

class AISettingsViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saysWhenEveryCommandAsks_data()
    {
        QTest::addColumn<SandboxKind>("sandbox");
        QTest::addColumn<bool>("noted");
        QTest::newRow("bubblewrap") << SandboxKind::bubblewrap << false;
        QTest::newRow("landlock") << SandboxKind::landlock << false;
        QTest::newRow("none") << SandboxKind::none << true;
    }
    void saysWhenEveryCommandAsks()
    {
        QFETCH(SandboxKind, sandbox);
        QFETCH(bool, noted);
        CommandSandbox::force(sandbox);
        const auto unforce = qScopeGuard([] { CommandSandbox::force(std::nullopt); });
        test::SettingsFixture f;
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        QCOMPARE(view.findChild<QLabel *>(QStringLiteral("noSandboxNote")) != nullptr, noted);
    }

    void testConnectionReportsTheOutcome_data()
    {
        QTest::addColumn<FakeReply>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("connected") << test::gemini::generated(QStringLiteral("OK")) << "Connected";
        QTest::newRow("refused") << FakeReply::body(
            400, R"({"error":{"code":400,"message":"API key not valid"}})")
                                 << "API key not valid";
        QTest::newRow("refused at length") << FakeReply::body(400,
            R"({"error":{"code":400,"message":"API key not valid. Please pass a valid API key, )"
            R"(one that belongs to a project with the Generative Language API enabled."}})")
                                           << "API key not valid. Please pass";
    }
    void testConnectionReportsTheOutcome()
    {
        QFETCH(FakeReply, reply);
        QFETCH(QString, shown);
        test::SettingsFixture f;
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        auto *test = child<QPushButton>(view, "testConnection");
        QVERIFY(!test->isEnabled());
        QTest::keyClicks(child<QLineEdit>(view, "apiKey"), QStringLiteral("typed-key-42"));
        // Typing sends nothing.
        QVERIFY(f.gemini.requests().isEmpty());
        QCOMPARE(f.defaults.string(keys::geminiAPIKey), QStringLiteral("typed-key-42"));
        QVERIFY(test->isEnabled());

        // The result appears beside the button, which stays where it is.
        view.resize(500, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint where = test->mapTo(&view, QPoint());

        f.gemini.enqueue(reply);
        test->click();
        QCOMPARE(view.testStatus(), AISettingsView::TestStatus::testing);
        QVERIFY(!test->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(view.testStatus() != AISettingsView::TestStatus::testing, kWait);
        QVERIFY2(text(view, "testStatus").startsWith(shown), qPrintable(text(view, "testStatus")));
        // Nested layouts settle in turns.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(test->mapTo(&view, QPoint()), where);

        const test::RecordedRequest &request = f.gemini.requests().first();
        QCOMPARE(request.header("x-goog-api-key"), QByteArray("typed-key-42"));
        QVERIFY(!request.path.contains("typed-key-42"));
        QVERIFY(!request.body.contains("typed-key-42"));
    }

    void aKeyThatCannotBeAHeaderIsRefusedWithoutSending()
    {
        test::SettingsFixture f;
        f.defaults.setString(keys::geminiAPIKey, QStringLiteral("bad\u00e9key"));
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        child<QPushButton>(view, "testConnection")->click();
        QTRY_COMPARE_WITH_TIMEOUT(view.testStatus(), AISettingsView::TestStatus::failure, kWait);
        QCOMPARE(text(view, "testStatus"), QStringLiteral("Invalid API key"));
        QVERIFY(f.gemini.requests().isEmpty());
    }

    void usageFollowsTheCountsLive()
    {
        test::SettingsFixture f;
        f.defaults.setString(keys::geminiModel, QStringLiteral("gemini-2.5-flash"));
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        QCOMPARE(text(view, "estimatedCost"), QStringLiteral("$0.0000"));
        f.defaults.setInteger(keys::aiUsageInputTokens, 1'000'000);
        f.defaults.setInteger(keys::aiUsageOutputTokens, 1'000'000);
        QCOMPARE(text(view, "inputTokens"), QLocale().toString(qint64(1'000'000)));
        QCOMPARE(text(view, "estimatedCost"), QStringLiteral("$1.7500"));
        child<QPushButton>(view, "resetUsage")->click();
        QCOMPARE(f.defaults.integer(keys::aiUsageOutputTokens), 0);
        QCOMPARE(text(view, "estimatedCost"), QStringLiteral("$0.0000"));
    }

    // The features have different defaults; the tab names the model each
    // one runs on, and follows the field.
    void eachFeatureShowsItsModel()
    {
        test::SettingsFixture f;
        f.defaults.remove(keys::geminiModel);
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        QCOMPARE(child<QLineEdit>(view, "model")->text(), QString());
        QCOMPARE(text(view, "modelsInUse"),
            QStringLiteral(
                "Text transform and Test Connection: gemini-3.1-flash-lite-preview\nLauncher chat and "
                "terminal: gemini-2.5-flash\nConversation titles: gemini-3.1-flash-lite (always)"));
        QTest::keyClicks(child<QLineEdit>(view, "model"), QStringLiteral("gemini-x"));
        QCOMPARE(text(view, "modelsInUse"),
            QStringLiteral("Text transform and Test Connection: gemini-x\nLauncher chat and terminal: "
                           "gemini-x\nConversation titles: gemini-3.1-flash-lite (always)"));
    }

    void approvalPickersWriteWhatTheLauncherReads()
    {
        test::SettingsFixture f;
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        auto *chat = child<QComboBox>(view, "chatApproval");
        auto *terminal = child<QComboBox>(view, "terminalApproval");
        QCOMPARE(chat->currentData().toString(), QStringLiteral("always"));
        QCOMPARE(terminal->currentData().toString(), QStringLiteral("agentDecides"));
        chat->setCurrentIndex(chat->findData(QStringLiteral("never")));
        terminal->setCurrentIndex(terminal->findData(QStringLiteral("always")));
        QCOMPARE(approvalModeFor(LauncherMode::aiChat, f.defaults), CommandApprovalMode::never);
        QCOMPARE(approvalModeFor(LauncherMode::terminal, f.defaults), CommandApprovalMode::always);
    }

    void theEditorCreatesEditsAndDeletesPrompts()
    {
        test::SettingsFixture f;
        AISettingsView view(f.defaults, f.apiKey, f.ai, *f.prompts, f.library, {});
        view.show();
        PromptEditorDialog *editor = view.openEditor(std::nullopt);
        QCOMPARE(editor->windowTitle(), QStringLiteral("New Prompt"));
        auto *save = child<QPushButton>(*editor, "save");
        QVERIFY(!save->isEnabled());
        child<QLineEdit>(*editor, "name")->setText(QStringLiteral(" "));
        QVERIFY(!save->isEnabled());
        child<QPlainTextEdit>(*editor, "systemPrompt")->setPlainText(QStringLiteral("Rhyme it."));
        QVERIFY(save->isEnabled());
        child<QLineEdit>(*editor, "name")->setText(QStringLiteral("Poem"));
        child<QPushButton>(*editor, "modeInput")->click();
        save->click();
        QCOMPARE(f.prompts->prompts().size(), 1);
        const SavedPrompt created = f.prompts->prompts().first();
        QCOMPARE(created.modeRaw, QStringLiteral("Input"));
        QVERIFY(view.findChild<QWidget *>(QStringLiteral("customPrompt_Poem")));

        editor = view.openEditor(created);
        QCOMPARE(editor->windowTitle(), QStringLiteral("Edit Prompt"));
        QCOMPARE(child<QPlainTextEdit>(*editor, "systemPrompt")->toPlainText(), QStringLiteral("Rhyme it."));
        child<QLineEdit>(*editor, "name")->setText(QStringLiteral("Sonnet"));
        child<QPushButton>(*editor, "save")->click();
        QCOMPARE(f.prompts->prompts().first().name, QStringLiteral("Sonnet"));
        QCOMPARE(f.prompts->prompts().first().id, created.id);

        auto *row = view.findChild<QWidget *>(QStringLiteral("customPrompt_Sonnet"));
        QVERIFY(row);
        child<QToolButton>(*row, "delete")->click();
        QVERIFY(f.prompts->prompts().isEmpty());
        QTRY_VERIFY(!view.findChild<QWidget *>(QStringLiteral("customPrompt_Sonnet")));
    }
};

QUILLET_TEST_MAIN(AISettingsViewTest)
#include "AISettingsViewTest.moc"
