#include "platform/x11/PlatformServices.h"
#include "store/ModelContainer.h"

#include <QGuiApplication>
#include <QTextStream>

using namespace quillet;

int main(int argc, char *argv[])
{
    // Quillet works on X11; without an X server it still starts (on Wayland
    // or with no display at all) and says which features are missing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland;offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));

    const std::unique_ptr<Store> store = makeModelContainer();
    const PlatformServices platform = makePlatformServices();

    QTextStream errors(stderr);
    for (const QString &line : platform.unavailableFeatures)
        errors << line << '\n';
    errors.flush();

    qint64 snippetCount = store->allSnippets().size();
    QTextStream out(stdout);
    out << "Quillet store: " << store->path() << '\n'
        << "  history entries: " << store->itemCount() << '\n'
        << "  snippet folders: " << store->folders().size() << '\n'
        << "  snippets: " << snippetCount << '\n'
        << "  saved prompts: " << store->savedPrompts().size() << '\n';
    return 0;
}
