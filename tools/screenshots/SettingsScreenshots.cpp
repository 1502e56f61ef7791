// Renders each tab of the settings window into docs/screenshots, for the
// documentation and for checking the layout by eye. Run it on a real X
// server (scripts/with-xvfb) with the output folder as its argument.

#include "core/Translations.h"
#include "support/SettingsFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/SymbolIcons.h"
#include "ui/settings/AISettingsView.h"
#include "ui/settings/ExcludedAppsSettingsView.h"
#include "ui/settings/PromptEditorDialog.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/settings/ShortcutRecorderField.h"
#include "ui/settings/ShortcutSettingsView.h"
#include "ui/settings/SnippetsSettingsView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextStream>

using namespace quillet;

namespace {

// A desktop with a few well-known applications and theme icons.
class SampleWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override { }
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override
    {
        const auto app = [](const char *id, const char *name, const char *icon) {
            return InstalledApplication { QString::fromLatin1(id), QString::fromLatin1(name),
                QString::fromLatin1(icon), QString() };
        };
        return { app("org.gnome.Calculator", "Calculator", "accessories-calculator"),
            app("org.gnome.TextEditor", "Text Editor", "accessories-text-editor"),
            app("org.gnome.Nautilus", "Files", "system-file-manager"),
            app("org.keepassxc.KeePassXC", "KeePassXC", "keepassxc"),
            app("org.gnome.Characters", "Characters", "accessories-character-map"),
            app("yelp", "Help", "help-browser"),
            app("org.gnome.Dictionary", "Dictionary", "accessories-dictionary"),
            app("firefox-esr", "Firefox ESR", "firefox-esr") };
    }
    QIcon applicationIcon(const InstalledApplication &application) override
    {
        return QIcon::fromTheme(
            application.iconName, QIcon::fromTheme(QStringLiteral("application-x-executable")));
    }
    bool openApplication(const QString &, QString *) override { return false; }
};

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char **argv)
{
    test::isolateEnvironment();
    QApplication app(argc, argv);
    // In the language of the environment: LANG=de_DE.UTF-8 renders the German screenshots.
    installTranslations(app);
    QApplication::setApplicationDisplayName(QStringLiteral("Quillet"));
    installIconThemeFallback();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(folder);

    test::SettingsFixture f;
    f.keys.trusted = false;
    SampleWorkspace workspace;
    ExcludedAppsService excluded(f.defaults, workspace);
    excluded.addExcluded(QStringLiteral("org.keepassxc.KeePassXC"));
    QFile store(f.dir.filePath(QStringLiteral("data/Quillet.store")));
    QDir().mkpath(f.dir.filePath(QStringLiteral("data")));
    if (store.open(QIODevice::WriteOnly))
        store.write(QByteArray(1'843'200, '\0'));
    store.close();

    f.defaults.setString(QStringLiteral("geminiAPIKey"), QStringLiteral("AIzaSy-example-key"));
    f.apiKey.load();
    SettingsServices services { f.viewModel, *f.launchAtLogin, f.updates, f.keys, f.library,
        test::appShortcutNames(), excluded, *f.store, *f.snippets, f.clock, f.defaults, f.ai, *f.prompts,
        f.apiKey };
    f.defaults.setInteger(QStringLiteral("aiUsageInputTokens"), 48'210);
    f.defaults.setInteger(QStringLiteral("aiUsageOutputTokens"), 12'774);
    f.prompts->create(QStringLiteral("Friendly reply"), QStringLiteral("text.bubble"),
        QStringLiteral("Write a short, friendly reply to the following message."), TransformMode::input);
    f.prompts->create(QStringLiteral("Bullet points"), QStringLiteral("list.bullet"),
        QStringLiteral("Turn the following text into concise bullet points."), TransformMode::replace);
    SettingsWindow window(services);
    window.show();
    SettingsView *view = window.view();
    if (!QTest::qWaitForWindowExposed(view)) {
        QTextStream(stderr) << "the settings window was not shown\n";
        return 1;
    }

    // A few snippets for the Snippets tab, the second shown in the editor.
    const auto replies = f.snippets->createFolder(QStringLiteral("Replies"));
    const auto code = f.snippets->createFolder(QStringLiteral("Code"));
    f.snippets->createSnippet(
        replies->id, QStringLiteral("Thank you"), QStringLiteral("Thank you for reaching out!"));
    const auto signature = f.snippets->createSnippet(replies->id, QStringLiteral("Signature"),
        QStringLiteral("Best regards,\nAna Lima\n+351 912 345 678"));
    f.snippets->createSnippet(
        replies->id, QStringLiteral("Out of office"), QStringLiteral("I'm away until Monday."));
    f.snippets->createSnippet(
        code->id, QStringLiteral("License header"), QStringLiteral("// SPDX-License-Identifier: MIT"));
    f.snippets->createSnippet(
        code->id, QStringLiteral("Debug print"), QStringLiteral("qDebug() << __func__;"));

    const char *const names[]
        = { "general", "shortcuts", "excluded-apps", "appearance", "ai", "snippets", "advanced" };
    QTextStream out(stdout);
    for (int i = 0; i < view->count(); ++i) {
        view->setCurrentIndex(i);
        auto *apps = qobject_cast<ExcludedAppsSettingsView *>(view->tab(i));
        if (view->tab(i) == view->snippetsTab())
            view->showSnippet(signature->id);
        if (apps && !QTest::qWaitFor([apps] { return !apps->isLoading(); }, 20000)) {
            QTextStream(stderr) << "the applications did not load\n";
            return 1;
        }
        settle(150);
        const QString path = QStringLiteral("%1/settings-%2.png").arg(folder, QLatin1String(names[i]));
        if (!view->grab().save(path))
            return 1;
        out << path << '\n';
    }

    // A recorder that records, with its "Press a shortcut" placeholder.
    view->setCurrentIndex(1);
    auto *shortcutsTab = qobject_cast<ShortcutSettingsView *>(view->tab(1));
    ShortcutRecorderField *recorder = shortcutsTab->recorders().at(2);
    recorder->controller().clear();
    view->activateWindow();
    if (!QTest::qWaitForWindowActive(view))
        QTextStream(stderr) << "the settings window is not active; the recorder may not show its focus\n";
    recorder->setFocus(Qt::MouseFocusReason);
    settle(150);
    const QString recording = folder + QStringLiteral("/settings-shortcuts-recording.png");
    if (!view->grab().save(recording))
        return 1;
    out << recording << '\n';
    recorder->clearFocus();

    // The General tab with the keyboard on its first switch, reached with Tab
    // from the tab's own button.
    view->setCurrentIndex(0);
    view->tabButton(0)->setFocus(Qt::TabFocusReason);
    const auto onSwitch = [view] {
        auto *button = qobject_cast<QAbstractButton *>(QApplication::focusWidget());
        return button && view->tab(0)->isAncestorOf(button);
    };
    for (int tab = 0; tab < 20 && !onSwitch(); ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (!onSwitch()) {
        QTextStream(stderr) << "Tab never reached a switch of the General tab\n";
        return 1;
    }
    settle(150);
    const QString focused = folder + QStringLiteral("/settings-focus.png");
    if (!view->grab().save(focused))
        return 1;
    out << focused << '\n';
    QApplication::focusWidget()->clearFocus();

    // The reset confirmation, captured while it waits for an answer.
    view->setCurrentIndex(view->count() - 1);
    const QString confirmation = folder + QStringLiteral("/settings-reset-confirmation.png");
    bool saved = false;
    test::ModalAnswer answer([&](QWidget *dialog) {
        settle(150);
        saved = dialog->grab().save(confirmation);
        test::clickButton(QCoreApplication::translate("quillet::AdvancedSettingsView", "Cancel"))(dialog);
    });
    view->tab(view->count() - 1)->findChild<QPushButton *>(QStringLiteral("resetHistory"))->click();
    if (!saved)
        return 1;
    out << confirmation << '\n';

    // The AI tab's prompts, further down.
    view->setCurrentIndex(4);
    auto *ai = qobject_cast<AISettingsView *>(view->tab(4));
    if (auto *page = ai->findChild<QScrollArea *>())
        page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
    settle(150);
    const QString prompts = folder + QStringLiteral("/settings-ai-prompts.png");
    if (!view->grab().save(prompts))
        return 1;
    out << prompts << '\n';

    // The prompt editor over the AI tab.
    PromptEditorDialog *editor = ai->openEditor(f.prompts->prompts().first());
    if (!QTest::qWaitForWindowExposed(editor))
        return 1;
    settle(150);
    const QString editorShot = folder + QStringLiteral("/settings-prompt-editor.png");
    if (!editor->grab().save(editorShot))
        return 1;
    out << editorShot << '\n';
    editor->reject();
    return 0;
}
