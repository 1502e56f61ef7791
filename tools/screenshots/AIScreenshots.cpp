// Renders the AI panel into docs/screenshots/: the prompts over a captured
// selection, an answer streaming in, and the finished answer as a word diff.
// The answer comes from the fake Gemini service of the test support library.
//   scripts/with-xvfb build/tools/screenshots/quillet_ai_screenshots docs/screenshots
#include "ai/AIService.h"
#include "ai/ApiKeyStore.h"
#include "ai/PromptLibrary.h"
#include "ai/TextTransformManager.h"
#include "clipboard/SelectionCapture.h"
#include "core/Translations.h"
#include "defaults/Defaults.h"
#include "support/FakeKeySynthesizer.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/GeminiPayloads.h"
#include "support/ManualClock.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "ui/ai/AITransformView.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/SymbolIcons.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace quillet;
using namespace quillet::test;

namespace {

template<typename Condition> void waitFor(Condition done)
{
    QDeadlineTimer deadline(20'000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(20);
    if (!done())
        qFatal("the AI panel never got there");
}

void save(FloatingWindow &panel, const QString &path)
{
    QTest::qWait(150);
    const QImage image = panel.grab().toImage();
    if (!image.save(path))
        qFatal("could not write %s", qPrintable(path));
    qInfo("wrote %s (%dx%d)", qPrintable(path), image.width(), image.height());
}

} // namespace

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    // In the language of the environment: LANG=de_DE.UTF-8 renders the German screenshots.
    installTranslations(app);
    installIconThemeFallback();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    TempStore store;
    Defaults defaults(store.folder() + QStringLiteral("/Quillet.conf"));
    defaults.setString(QStringLiteral("geminiAPIKey"), QStringLiteral("screenshot-key"));
    ManualClock clock;
    FakePasteboard pasteboard;
    FakeKeySynthesizer keys;
    FakeWorkspace workspace;
    FakeGeminiServer server;
    AIService service([url = server.baseUrl()] { return url; });
    SelectionCapture capture(pasteboard, keys, clock);
    ApiKeyStore keyStore(defaults, nullptr);
    keyStore.load();
    TextTransformManager manager(pasteboard, capture, keys, workspace, defaults, keyStore, clock, service);
    PromptLibrary prompts(*store, clock);
    prompts.create(QStringLiteral("Reply politely"), QStringLiteral("text.bubble"),
        QStringLiteral("Write a short, polite reply to this message."), TransformMode::input);
    prompts.create(QStringLiteral("Release note"), QStringLiteral("list.bullet"),
        QStringLiteral("Rewrite this as one line of a release note."), TransformMode::replace);

    manager.setSelectedText(QStringLiteral(
        "Thank you for you're patience. We recieved your order on monday and it will ship within two "
        "buisness days; we'll email you the tracking number once its on it's way."));
    auto *view = new AITransformView(manager, prompts, clock);
    FloatingWindow panel(view, QSize(AITransformView::width, AITransformView::height));
    // The pointer away from the panel: no row drawn as hovered.
    panel.move(40, 40);
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        qFatal("the panel was never shown");
    save(panel, out + QStringLiteral("/ai-prompts.png"));

    // The answer, streamed in pieces; the end is held back for the second picture.
    const QString answer = QStringLiteral(
        "Thank you for your patience. We received your order on Monday, and it will ship within two "
        "business days; we will email you the tracking number once it is on its way.");
    QStringList pieces;
    for (qsizetype at = 0; at < answer.size(); at += 24)
        pieces.append(answer.mid(at, 24));
    const qsizetype shown = 5;
    FakeReply first = test::gemini::textStream(pieces.mid(0, shown));
    first.holdOpen = true;
    server.enqueue(first);
    view->findChild<QToolButton *>(QStringLiteral("prompt0"))->click();
    waitFor([&] { return manager.result() == pieces.mid(0, shown).join(QString()); });
    save(panel, out + QStringLiteral("/ai-streaming.png"));

    server.finishHeld(test::gemini::textStream(pieces.mid(shown)));
    waitFor([&] { return !manager.isProcessing(); });
    save(panel, out + QStringLiteral("/ai-diff.png"));

    // Tab from the answer to its first button, as a keyboard user would.
    panel.activateWindow();
    if (!QTest::qWaitForWindowActive(&panel))
        qFatal("the AI panel never took the keyboard");
    QWidget *answerField = QApplication::focusWidget();
    QTest::keyClick(answerField ? answerField : &panel, Qt::Key_Tab);
    if (!qobject_cast<QPushButton *>(QApplication::focusWidget()))
        qFatal("Tab never reached a button of the AI panel");
    save(panel, out + QStringLiteral("/ai-focus.png"));
    return 0;
}
