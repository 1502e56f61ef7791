#include "support/TestEnvironment.h"

#include "core/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace quillet::test {

namespace {
// Removed when the test program ends.
std::unique_ptr<QTemporaryDir> g_home;

// Tests see Quillet in English as an English-speaking user does, with its
// plural forms ("1 item", "2 items").
void installEnglish()
{
    installTranslations(*QCoreApplication::instance(), QLocale(QLocale::English));
}
} // namespace

void isolateEnvironment()
{
    if (g_home)
        return;
    g_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillet-test-XXXXXX"));
    const QString root = g_home->path();
    const struct {
        const char *variable;
        const char *folder;
    } folders[] = { { "XDG_CONFIG_HOME", "config" }, { "XDG_DATA_HOME", "data" },
        { "XDG_CACHE_HOME", "cache" }, { "XDG_RUNTIME_DIR", "runtime" } };
    for (const auto &entry : folders) {
        const QString path = root + QLatin1Char('/') + QLatin1String(entry.folder);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(entry.variable, QFile::encodeName(path));
    }
    qputenv("HOME", QFile::encodeName(root));
    // Runs as the application object is made.
    qAddPreRoutine(installEnglish);
}

QString isolatedHome()
{
    return g_home ? g_home->path() : QString();
}

} // namespace quillet::test
