// Renders the launcher panel's content in its typical states into PNG files:
// application results, a chat answer with Markdown, a terminal conversation
// with coloured output, a command waiting for approval, and the list of past
// conversations. Runs offscreen against the fake Gemini service.
#include "support/LauncherFixture.h"
#include "support/ManualClock.h"
#include "ui/common/FloatingWindow.h"
#include "ui/common/SymbolIcons.h"
#include "ui/launcher/LauncherView.h"

#include <QApplication>
#include <QDir>
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
    FloatingWindow panel(view, QSize(LauncherView::width, LauncherView::height));
    panel.show();

    model.setSearchText(QStringLiteral("te"));
    model.moveSelectionDown();
    save(panel, out + QStringLiteral("/launcher-apps.png"));

    // A chat answer with Markdown, streamed in pieces.
    const QString answer = QStringLiteral(
        "## Disk usage\nYour **home folder** uses *about 41 GB*. The largest folders are listed by "
        "`du`, and you can read more in the [coreutils manual](https://www.gnu.org/software/coreutils/).\n\n"
        "| Folder | Size | Share |\n|---|---:|---:|\n| `~/Videos` | 18 GB | 44 % |\n| `~/.cache` | 9.2 GB | "
        "22 % |\n"
        "| `~/Projects` | 6.1 GB | 15 % |\n\n"
        "To clear the cache of thumbnails:\n\n```sh\nrm -rf ~/.cache/thumbnails\ndu -sh ~/.cache\n```\n\n"
        "- videos are the easiest win\n- the cache grows back over time\n");
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < answer.size(); at += 90)
        pieces.append(textEvents(answer.mid(at, 90)));
    agent.server->enqueue(FakeReply::events(pieces));
    agent.server->enqueue(titleReply(QStringLiteral("Home folder disk usage")));
    model.setSearchText(QStringLiteral("?What takes the most space in my home folder?"));
    model.submit();
    waitFor([&] { return model.activeSession()->title() == u"Home folder disk usage"; });
    save(panel, out + QStringLiteral("/launcher-chat.png"));

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
