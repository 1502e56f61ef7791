#include "ui/launcher/LauncherView.h"
#include "support/LauncherFixture.h"
#include "ui/launcher/CommandText.h"
#include "ui/launcher/MarkdownView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

using namespace quillet;
using namespace quillet::test;

namespace {

struct ViewFixture : LauncherFixture {
    LauncherView view { *model };
    int dismissed = 0;

    ViewFixture()
        : LauncherFixture(
            { { QStringLiteral("org.gnome.TextEditor"), QStringLiteral("Text Editor"), {}, {} } })
    {
        model->setOnDismiss([this] { ++dismissed; });
        view.show();
        QApplication::setActiveWindow(&view);
        if (!QTest::qWaitForWindowActive(&view))
            qWarning("the launcher never became active");
    }

    QLineEdit *field(const char *name) const { return view.findChild<QLineEdit *>(QLatin1String(name)); }
    bool bodyShown() const
    {
        return view.findChild<QStackedWidget *>(QStringLiteral("body"))->isVisibleTo(&view);
    }
    void type(const char *name, const QString &text) const { QTest::keyClicks(field(name), text); }
    void press(const char *name, Qt::Key key) const { QTest::keyClick(field(name), key); }
    QPushButton *button(const char *name) const { return view.findChild<QPushButton *>(QLatin1String(name)); }
};

} // namespace

class LauncherViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theBodyShowsOnlyWhatThereIs()
    {
        ViewFixture f;
        QVERIFY(!f.bodyShown());
        // Nothing to list: the launcher is as high as the search bar and the footer.
        const auto *footer = f.view.findChild<QWidget *>(QStringLiteral("footer"));
        QVERIFY(f.view.geometry().height() < 120);
        QCOMPARE(footer->geometry().bottom(), f.view.geometry().height() - 1);
        f.type("search", QStringLiteral("text"));
        QVERIFY(f.bodyShown());
        QCOMPARE(f.view.geometry().height(), LauncherView::height);
        f.type("search", QStringLiteral("x"));
        QVERIFY(f.view.findChild<QLabel *>(QStringLiteral("noMatch"))->isVisibleTo(&f.view));
        QVERIFY(f.view.geometry().height() < 160);
        // A small screen leaves less room.
        f.view.setAvailableSize(QSize(500, 300));
        f.field("search")->setText(QStringLiteral("text"));
        f.model->setSearchText(QStringLiteral("text"));
        QCOMPARE(f.view.size(), QSize(500, 300));
        f.field("search")->clear();
        f.type("search", QStringLiteral("?"));
        QCOMPARE(f.model->searchText(), QStringLiteral("?"));
        QVERIFY(!f.bodyShown()); // no past chats
        QCOMPARE(f.field("search")->placeholderText(), QStringLiteral("? Ask a question..."));
    }

    void escapeClosesTheConversationThenDismisses()
    {
        ViewFixture f;
        // Without a key the conversation ends at once with its error.
        f.type("search", QStringLiteral("?hello"));
        f.press("search", Qt::Key_Return);
        QVERIFY(f.model->activeSession());
        QVERIFY(f.bodyShown());
        QTRY_VERIFY(f.field("followUp")->hasFocus());

        f.press("followUp", Qt::Key_Escape);
        QVERIFY(!f.model->activeSession());
        QCOMPARE(f.dismissed, 0);
        QTRY_VERIFY(f.field("search")->hasFocus());
        QVERIFY(f.bodyShown()); // the chat list, with the conversation in it
        f.press("search", Qt::Key_Escape);
        QCOMPARE(f.dismissed, 1);
    }

    void returnSendsTheFollowUpAndNeverApproves()
    {
        ViewFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("rm -rf build")) }));
        f.type("search", QStringLiteral(">clean up"));
        f.press("search", Qt::Key_Return);
        const ConversationSessionPtr session = f.model->activeSession();
        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);

        // Return on the focused Allow button does not approve either.
        f.button("allow")->setFocus();
        QTest::keyClick(f.button("allow"), Qt::Key_Return);
        QVERIFY(session->awaitingApproval());

        f.server->enqueue(FakeReply::events({ textChunk(QStringLiteral("Not removing anything.")) }));
        f.type("followUp", QStringLiteral("never mind"));
        f.press("followUp", Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing() && f.networkIdle(), kWait);
        QCOMPARE(transcript(*session),
            (QStringList { "user: clean up", "error: Denied: rm -rf build", "user: never mind",
                "assistant: Not removing anything." }));
    }

    void denyAndAllowAnswerTheConversationShown()
    {
        ViewFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("echo first")) }));
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("echo second")) }));
        f.server->enqueue(FakeReply::events({ textChunk(QStringLiteral("Ran it.")) }));
        f.server->enqueue(FakeReply::events({ textChunk(QStringLiteral("Skipped it.")) }));
        const ConversationSessionPtr first = f.ask(QStringLiteral("?first"));
        QTRY_VERIFY_WITH_TIMEOUT(first->awaitingApproval(), kWait);
        f.model->setActiveSession(nullptr);
        const ConversationSessionPtr second = f.ask(QStringLiteral("?second"));
        QTRY_VERIFY_WITH_TIMEOUT(second->awaitingApproval(), kWait);

        f.model->openSession(first);
        QTest::mouseClick(f.button("allow"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!first->isProcessing(), kWait);
        QVERIFY(second->awaitingApproval());
        QCOMPARE(transcript(*first).mid(1, 2), (QStringList { "command: echo first", "output: first" }));
        QTRY_COMPARE_WITH_TIMEOUT(f.view.findChild<QLabel *>(QStringLiteral("commandRoute"))->text(),
            QStringLiteral("approved"), kWait);

        f.model->openSession(second);
        QTest::mouseClick(f.button("deny"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!second->isProcessing(), kWait);
        QCOMPARE(transcript(*second).at(1), QStringLiteral("error: Denied: echo second"));
    }

    void typingAlwaysReachesTheFieldItIsFor()
    {
        ViewFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ callChunk(QStringLiteral("rm -rf build")) }));
        f.server->enqueue(FakeReply::events({ textChunk(QStringLiteral("Left it as it is.")) }));
        f.type("search", QStringLiteral(">clean up"));
        f.press("search", Qt::Key_Return);
        const ConversationSessionPtr session = f.model->activeSession();
        QTRY_VERIFY_WITH_TIMEOUT(session->awaitingApproval(), kWait);

        // Reached with Tab, each button shows that it holds the focus.
        for (QPushButton *button : { f.button("deny"), f.button("allow") }) {
            const QImage unfocused = button->grab().toImage();
            button->setFocus(Qt::TabFocusReason);
            QVERIFY(button->hasFocus());
            QVERIFY(button->grab().toImage() != unfocused);
        }
        QTest::mouseClick(f.button("deny"), Qt::LeftButton);
        QTRY_VERIFY(f.field("followUp")->hasFocus());
        QTRY_VERIFY_WITH_TIMEOUT(!session->isProcessing() && f.networkIdle(), kWait);

        // A click into the answer does not take typing away from the field.
        auto *answer = f.view.findChild<MarkdownView *>();
        QVERIFY(answer);
        QTest::mouseClick(answer->viewport(), Qt::LeftButton);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("thanks"));
        QCOMPARE(f.model->followUpText(), QStringLiteral("thanks"));

        // Nor does deleting the conversation from the list.
        f.press("followUp", Qt::Key_Escape);
        QTest::mouseClick(f.view.findChild<QToolButton *>(QStringLiteral("deleteSession")), Qt::LeftButton);
        QVERIFY(f.model->sessions().isEmpty());
        QTRY_VERIFY(f.field("search")->hasFocus());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ls"));
        QCOMPARE(f.model->searchText(), QStringLiteral(">ls"));
    }

    void aCommandShowsWhatHidesInIt()
    {
        ViewFixture f;
        f.setKey();
        f.server->enqueue(
            FakeReply::events({ callChunk(QStringLiteral("rm -rf ~\r\x1b[2Kecho safe # \u202Etxt.exe")) }));
        f.ask(QStringLiteral("?tidy up"));
        QTRY_VERIFY_WITH_TIMEOUT(f.model->activeSession()->awaitingApproval(), kWait);
        const auto *command = f.view.findChild<QTextEdit *>(QStringLiteral("approvalCommand"));
        QVERIFY(command);
        QCOMPARE(command->toPlainText(), QStringLiteral("rm -rf ~\\r\\e[2Kecho safe # \\u202Etxt.exe"));
    }

    void controlsBecomeEscapes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("shown");
        QTest::newRow("controls") << QStringLiteral("a\r\x1b\b\x01\x7f\tb\nc")
                                  << "a\\r\\e\\b\\x01\\x7F\tb\nc";
        QTest::newRow("direction and invisible marks")
            << QStringLiteral("\u202Ax\u2066\u200Ey\u061C\u200B\uFEFF\u00AD")
            << "\\u202Ax\\u2066\\u200Ey\\u061C\\u200B\\uFEFF\\u00AD";
        QTest::newRow("spaces and separators")
            << QStringLiteral("a\u00A0b\u2028c\u0085") << "a\\u00A0b\\u2028c\\u0085";
        QTest::newRow("ordinary text") << QStringLiteral("ls -la ~/Übung ✓") << "ls -la ~/Übung ✓";
    }
    void controlsBecomeEscapes()
    {
        QFETCH(QString, command);
        QFETCH(QString, shown);
        QCOMPARE(visibleControls(command), shown);
    }

    void markupInAnAnswerStaysText()
    {
        ViewFixture f;
        f.setKey();
        f.server->enqueue(FakeReply::events({ textChunk(QStringLiteral("Use <b>bold</b> & **<a href=\"x\">")),
            textChunk(QStringLiteral("links</a>** <img src=x>")) }));
        f.ask(QStringLiteral("?<i>html</i>?"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.model->activeSession()->isProcessing(), kWait);
        const auto *answer = f.view.findChild<MarkdownView *>();
        QVERIFY(answer);
        QCOMPARE(
            answer->toPlainText(), QStringLiteral("Use <b>bold</b> & <a href=\"x\">links</a> <img src=x>"));
    }
};

QUILLET_TEST_MAIN(LauncherViewTest)
#include "LauncherViewTest.moc"
