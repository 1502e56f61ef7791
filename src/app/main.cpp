#include "store/ModelContainer.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace quillet;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));

    const std::unique_ptr<Store> store = makeModelContainer();

    qint64 snippetCount = store->allSnippets().size();
    QTextStream out(stdout);
    out << "Quillet store: " << store->path() << '\n'
        << "  history entries: " << store->itemCount() << '\n'
        << "  snippet folders: " << store->folders().size() << '\n'
        << "  snippets: " << snippetCount << '\n'
        << "  saved prompts: " << store->savedPrompts().size() << '\n';
    return 0;
}
