// Renders the launcher panel's content in its typical states into PNG files:
// the empty launcher, application results (also as placed on an 800 x 600
// screen), a chat answer using every Markdown construct, a terminal conversation
// with coloured output, a command waiting for approval, and the list of past
// conversations. Runs offscreen against the fake Gemini service.
#include "core/Translations.h"
#include "support/LauncherFixture.h"
#include "support/ManualClock.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/PanelGeometry.h"
#include "ui/common/SymbolIcons.h"
#include "ui/launcher/LauncherView.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace quillet;
using namespace quillet::test;

namespace {

// Theme icons instead of the fake's plain squares.
class ShotWorkspace final : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    std::optional<WindowId> activeWindow() override { return std::nullopt; }
    void activateWindow(WindowId) override { }
    void showOnAllDesktops(WindowId) override { }
    QList<InstalledApplication> installedApplications() override { return installed; }
    QIcon applicationIcon(const InstalledApplication &application) override
    {
        return QIcon::fromTheme(application.iconName, QIcon::fromTheme(QStringLiteral("applications-other")));
    }
    bool openApplication(const QString &, QString *) override { return true; }

    QList<InstalledApplication> installed;
};

// Desktop entries with what each application is, written to `dir`.
QList<InstalledApplication> applications(const QTemporaryDir &dir)
{
    struct Entry {
        const char *id, *name, *icon, *genericName, *comment;
    };
    const Entry entries[] = {
        { "org.gnome.TextEditor", "Text Editor", "accessories-text-editor", "Text Editor",
            "Edit text files" },
        { "org.gnome.Terminal", "Terminal", "utilities-terminal", "Terminal Emulator",
            "Use the command line" },
        { "firefox-esr", "Firefox ESR", "web-browser", "Web Browser", "Browse the World Wide Web" },
        { "org.gnome.Nautilus", "Files", "system-file-manager", "File Manager", "Access and organize files" },
        { "org.gnome.Settings", "Settings", "preferences-system", "", "Change system settings" },
        { "org.gnome.Calculator", "Calculator", "accessories-calculator", "Calculator",
            "Perform calculations" },
        { "thunderbird", "Thunderbird Mail", "emblem-mail", "Mail Client", "Send and receive mail" },
        { "org.gnome.Characters", "Characters", "accessories-character-map", "", "Character map" },
    };
    QList<InstalledApplication> list;
    for (const Entry &entry : entries) {
        const QString path = dir.filePath(QString::fromLatin1(entry.id) + QStringLiteral(".desktop"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(QByteArray("[Desktop Entry]\nType=Application\nName=") + entry.name
            + "\nGenericName=" + entry.genericName + "\nComment=" + entry.comment + "\n");
        list.append({ QString::fromLatin1(entry.id), QString::fromLatin1(entry.name),
            QString::fromLatin1(entry.icon), path });
    }
    return list;
}

// Waits, with the event loop running, until `done` holds.
template<typename Condition> void waitFor(Condition done)
{
    QDeadlineTimer deadline(20'000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(20);
    if (!done())
        qFatal("the launcher never got there");
}

void save(FloatingWindow &panel, const QString &path)
{
    QTest::qWait(120);
    const QImage image = panel.grab().toImage();
    if (!image.save(path))
        qFatal("could not write %s", qPrintable(path));
    qInfo("wrote %s (%dx%d)", qPrintable(path), image.width(), image.height());
}

// The panel as it stands on a screen of `size` (a plain desktop) at `at`.
void saveOnScreen(FloatingWindow &panel, const QSize &size, const QPoint &at, const QString &path)
{
    QTest::qWait(120);
    QImage screen(size, QImage::Format_RGB32);
    QPainter painter(&screen);
    QLinearGradient desktop(0, 0, 0, size.height());
    desktop.setColorAt(0, QColor(0x2d, 0x3a, 0x4f));
    desktop.setColorAt(1, QColor(0x12, 0x18, 0x22));
    painter.fillRect(screen.rect(), desktop);
    painter.drawImage(at, panel.grab().toImage());
    painter.end();
    if (!screen.save(path))
        qFatal("could not write %s", qPrintable(path));
    qInfo("wrote %s (%dx%d), launcher at %d,%d %dx%d", qPrintable(path), size.width(), size.height(), at.x(),
        at.y(), panel.width(), panel.height());
}

QByteArray textEvents(const QString &text)
{
    return textChunk(text);
}

} // namespace

int main(int argc, char **argv)
{
    isolateEnvironment();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // In the language of the environment: LANG=de_DE.UTF-8 renders the German screenshots.
    installTranslations(app);
    // The offscreen platform knows no icon folders of its own.
    QIcon::setThemeSearchPaths(QIcon::themeSearchPaths()
        + QStandardPaths::locateAll(
            QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory));
    installIconThemeFallback();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    QTemporaryDir entries;
    ShotWorkspace workspace;
    workspace.installed = applications(entries);
    AgentFixture agent;
    agent.setKey();
    ManualClock clock(QDateTime::currentDateTimeUtc().addSecs(-3 * 60));
    AppIndexService index(workspace);
    QEventLoop indexing;
    QObject::connect(&index, &AppIndexService::isIndexedChanged, &indexing, &QEventLoop::quit);
    index.buildIndex();
    indexing.exec();
    LauncherViewModel model(index, workspace, *agent.loop, clock);

    auto *view = new LauncherView(model);
    view->setShortcutText(QStringLiteral("Ctrl+Alt+Space"));
    FloatingWindow panel(view, view->size());
    QObject::connect(
        view, &LauncherView::heightChanged, &panel, [&panel](int h) { panel.setFixedHeight(h); });
    panel.show();

    // Nothing typed yet: only as high as the search bar and the footer.
    save(panel, out + QStringLiteral("/launcher-empty.png"));

    model.setSearchText(QStringLiteral("te"));
    model.moveSelectionDown();
    save(panel, out + QStringLiteral("/launcher-apps.png"));

    // On an 800 x 600 screen: placed as the panel controller places it.
    const QRect screen(0, 0, 800, 600);
    const QRect frame = launcherGeometry(screen, QSize(LauncherView::width, LauncherView::height));
    view->setAvailableSize(frame.size());
    saveOnScreen(panel, screen.size(), frame.topLeft(), out + QStringLiteral("/launcher-800x600.png"));
    view->setAvailableSize(QSize(LauncherView::width, LauncherView::height));

    // A chat answer with every Markdown construct, streamed in pieces.
    const QString answer = QStringLiteral(
        "## Disk usage\nYour **home folder** uses *about 41 GB*; the ~~old estimate~~ was wrong. Read more "
        "in the [coreutils manual](https://www.gnu.org/software/coreutils/).\n\n"
        "> Caches grow back: clearing them frees space **for a while**.\n\n"
        "| Folder | Size | Share |\n|:---|---:|:-:|\n| `~/Videos` | 18 GB | 44 % |\n| `~/.cache` | 9.2 GB | "
        "22 % |\n| `~/Projects` | 6.1 GB | 15 % |\n\n"
        "### What to do\n"
        "1. Clear the thumbnails:\n   ```sh\n   rm -rf ~/.cache/thumbnails\n   du -sh ~/.cache\n   ```\n"
        "2. Move the videos:\n   - to the external disk\n   - or to the [NAS](https://nas.example.org)\n\n"
        "- [x] checked the home folder\n- [ ] check `/var/log`\n\n---\n"
        "![usage chart](https://example.org/usage.png)\n");
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < answer.size(); at += 90)
        pieces.append(textEvents(answer.mid(at, 90)));
    agent.server->enqueue(FakeReply::events(pieces));
    agent.server->enqueue(titleReply(QStringLiteral("Home folder disk usage")));
    model.setSearchText(QStringLiteral("?What takes the most space in my home folder?"));
    model.submit();
    waitFor([&] { return model.activeSession()->title() == u"Home folder disk usage"; });
    // Tall enough to show the whole answer.
    view->setAvailableSize(QSize(LauncherView::width, 620));
    save(panel, out + QStringLiteral("/launcher-chat.png"));
    view->setAvailableSize(QSize(LauncherView::width, LauncherView::height));

    // A terminal task: a harmless command runs at once, its output in colour.
    agent.server->enqueue(
        FakeReply::events({ partsChunk({ textPart(QStringLiteral("Let me check the build.")),
            callPart(QStringLiteral(
                "printf '\\033[1mBuilding\\033[0m quillet\\n\\033[32m✔\\033[0m 214 files compiled\\n"
                "\\033[33m⚠\\033[0m 2 warnings in \\033[36msrc/launcher/AgentLoop.cpp\\033[0m\\n"
                "\\033[1;31m✘ 1 test failed:\\033[0m test_agent_loop\\n'")) }) }));
    agent.server->enqueue(FakeReply::events(
        { textChunk(QStringLiteral("The build **compiled**, but `test_agent_loop` failed. Run it alone with "
                                   "`ctest -R agent_loop --output-on-failure` to see why.")) }));
    agent.server->enqueue(titleReply(QStringLiteral("Check the build")));
    model.setActiveSession(nullptr);
    model.setSearchText(QStringLiteral(">is the build green?"));
    model.submit();
    waitFor([&] { return model.activeSession()->title() == u"Check the build"; });
    save(panel, out + QStringLiteral("/launcher-terminal.png"));

    // A command that must be approved, with a carriage return, an escape and
    // a right-to-left override hidden in it.
    agent.server->enqueue(FakeReply::events({ callChunk(
        QStringLiteral("rm -rf ~/.cache/thumbnails\r\x1b[2Kecho 'only cleaning up' # \u202Etxt.exe")) }));
    model.setActiveSession(nullptr);
    model.setSearchText(QStringLiteral(">free some space"));
    model.submit();
    waitFor([&] { return model.activeSession()->awaitingApproval(); });
    save(panel, out + QStringLiteral("/launcher-approval.png"));
    model.stopGenerating();

    // The past terminal conversations.
    clock.advance(std::chrono::minutes(40));
    model.setActiveSession(nullptr);
    model.setSearchText(QStringLiteral(">"));
    model.moveSelectionDown();
    save(panel, out + QStringLiteral("/launcher-conversations.png"));
    return 0;
}
