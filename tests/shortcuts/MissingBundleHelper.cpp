// Runs the shortcut library after its resource bundle was taken away; the
// library must stop the process with its message.
#include "shortcuts/Localization.h"

#include <QCoreApplication>
#include <QDir>
#include <QResource>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Q_CLEANUP_RESOURCE(KeyboardShortcuts_KeyboardShortcuts);
    const QString text = quillet::shortcuts::localized(QStringLiteral("ok"));
    std::printf("unexpectedly found %s\n", qPrintable(text));
    return 0;
}
