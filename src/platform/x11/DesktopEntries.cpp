#include "platform/x11/DesktopEntries.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace quillet::x11::DesktopEntries {

namespace {

const QString kSuffix = QStringLiteral(".desktop");

QString takeString(char *value)
{
    QString result = QString::fromUtf8(value);
    g_free(value);
    return result;
}

QString withoutSuffix(const QString &id)
{
    return id.endsWith(kSuffix) ? id.chopped(kSuffix.size()) : id;
}

InstalledApplication applicationOf(GDesktopAppInfo *info)
{
    GAppInfo *app = G_APP_INFO(info);
    InstalledApplication application;
    application.id = withoutSuffix(QString::fromUtf8(g_app_info_get_id(app)));
    application.name = QString::fromUtf8(g_app_info_get_name(app));
    application.iconName = takeString(g_desktop_app_info_get_string(info, "Icon")).trimmed();
    application.path = QString::fromUtf8(g_desktop_app_info_get_filename(info));
    application.categories = QString::fromUtf8(g_desktop_app_info_get_categories(info))
                                 .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return application;
}

template<typename Visit> void forEachEntry(Visit visit)
{
    GList *all = g_app_info_get_all();
    for (GList *node = all; node; node = node->next) {
        auto *app = static_cast<GAppInfo *>(node->data);
        if (G_IS_DESKTOP_APP_INFO(app) && g_app_info_get_id(app))
            visit(G_DESKTOP_APP_INFO(app));
    }
    g_list_free_full(all, g_object_unref);
}

QIcon genericIcon()
{
    QIcon themed = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!themed.isNull())
        return themed;
    // No icon theme at all: a plain rounded tile keeps rows aligned.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8a, 0x8f, 0x98));
    painter.drawRoundedRect(QRectF(3, 3, 26, 26), 6, 6);
    painter.end();
    return QIcon(pixmap);
}

std::function<void()> &changedHandler()
{
    static std::function<void()> handler;
    return handler;
}

void onApplicationsChanged(GAppInfoMonitor *, gpointer)
{
    if (const std::function<void()> handler = changedHandler())
        handler();
}

} // namespace

void setChangedHandler(std::function<void()> changed)
{
    // GIO watches every applications folder of the XDG data dirs and drops
    // its cached listing before it signals, so the next listing is current.
    // The monitor delivers in the main context of the thread that made it.
    static GAppInfoMonitor *monitor = [] {
        GAppInfoMonitor *made = g_app_info_monitor_get();
        g_signal_connect(made, "changed", G_CALLBACK(onApplicationsChanged), nullptr);
        return made;
    }();
    Q_UNUSED(monitor);
    changedHandler() = std::move(changed);
}

QList<InstalledApplication> visibleApplications()
{
    QList<InstalledApplication> applications;
    forEachEntry([&](GDesktopAppInfo *info) {
        if (g_app_info_should_show(G_APP_INFO(info)))
            applications.append(applicationOf(info));
    });
    return applications;
}

QList<Entry> allEntries()
{
    QList<Entry> entries;
    forEachEntry([&](GDesktopAppInfo *info) {
        Entry entry;
        entry.application = applicationOf(info);
        entry.startupWmClass = QString::fromUtf8(g_desktop_app_info_get_startup_wm_class(info));
        entry.executable
            = QFileInfo(QString::fromUtf8(g_app_info_get_executable(G_APP_INFO(info)))).fileName();
        entry.visible = g_app_info_should_show(G_APP_INFO(info));
        entries.append(entry);
    });
    return entries;
}

std::optional<InstalledApplication> find(const QString &id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return std::nullopt;
    const QByteArray fileId = (withoutSuffix(id) + kSuffix).toUtf8();
    GDesktopAppInfo *info = g_desktop_app_info_new(fileId.constData());
    if (!info)
        return std::nullopt;
    InstalledApplication application = applicationOf(info);
    g_object_unref(info);
    return application;
}

bool launch(const QString &id, QString *error)
{
    const QByteArray fileId = (withoutSuffix(id) + kSuffix).toUtf8();
    GDesktopAppInfo *info = id.isEmpty() || id.contains(QLatin1Char('/'))
        ? nullptr
        : g_desktop_app_info_new(fileId.constData());
    if (!info) {
        if (error)
            *error = QCoreApplication::translate("DesktopEntries", "No application “%1” is installed.")
                         .arg(withoutSuffix(id));
        return false;
    }
    GAppLaunchContext *context = g_app_launch_context_new();
    GError *failure = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, context, &failure);
    if (!launched && error) {
        *error = QCoreApplication::translate("DesktopEntries", "Could not open “%1”: %2")
                     .arg(QString::fromUtf8(g_app_info_get_name(G_APP_INFO(info))),
                         failure ? QString::fromUtf8(failure->message) : QStringLiteral("unknown error"));
    }
    if (failure)
        g_error_free(failure);
    g_object_unref(context);
    g_object_unref(info);
    return launched;
}

QIcon icon(const QString &iconName)
{
    if (iconName.isEmpty())
        return genericIcon();
    if (QFileInfo(iconName).isAbsolute()) {
        QIcon file(iconName);
        return QFileInfo(iconName).isFile() && !file.pixmap(32, 32).isNull() ? file : genericIcon();
    }
    // Legacy entries name theme icons with a file extension.
    QString name = iconName;
    for (const char *extension : { ".png", ".svg", ".xpm" }) {
        if (name.endsWith(QLatin1String(extension)))
            name.chop(4);
    }
    QIcon themed = QIcon::fromTheme(name);
    return themed.isNull() ? genericIcon() : themed;
}

} // namespace quillet::x11::DesktopEntries
