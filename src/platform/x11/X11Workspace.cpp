#include "platform/x11/X11Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quillet::x11 {

namespace {

// The entries are re-read at most this often when windows are looked up, so
// an application installed during the run is recognised soon enough.
constexpr qint64 kEntriesMaxAgeMs = 30000;

QString baseId(QString value)
{
    value = QFileInfo(value).fileName();
    if (value.endsWith(QLatin1String(".desktop")))
        value.chop(8);
    return value;
}

} // namespace

X11Workspace::X11Workspace(std::shared_ptr<X11Connection> connection)
    : m_connection(std::move(connection))
{
}

std::optional<WindowId> X11Workspace::activeWindow()
{
    if (!m_connection)
        return std::nullopt;
    return m_connection->activeWindow();
}

bool X11Workspace::selectionBelongsToActiveWindow()
{
    if (!m_connection)
        return false;
    X11Connection &x = *m_connection;
    const auto active = x.activeWindow();
    const auto owner = x.selectionOwner("PRIMARY");
    if (!active || !owner)
        return false;
    // The usual case: the toolkit owns the selection with a window of the
    // connection its active window was made on.
    if (x.sameConnection(*owner, *active))
        return true;
    // An application with several connections still names one process, or
    // one client leader, on its windows.
    const auto onThisMachine = [&x](XWindow window) {
        const auto machine = x.property(window, XA_WM_CLIENT_MACHINE, XA_STRING, 256);
        return !machine || QString::fromLocal8Bit(machine->bytes) == QSysInfo::machineHostName();
    };
    const auto ownerPid = x.cardinalProperty(*owner, "_NET_WM_PID");
    if (ownerPid && ownerPid == x.cardinalProperty(*active, "_NET_WM_PID") && onThisMachine(*owner)
        && onThisMachine(*active))
        return true;
    const auto ownerLeader = x.windowProperty(*owner, "WM_CLIENT_LEADER");
    return ownerLeader && ownerLeader == x.windowProperty(*active, "WM_CLIENT_LEADER");
}

void X11Workspace::activateWindow(WindowId window)
{
    if (m_connection && window)
        m_connection->requestActivation(window);
}

void X11Workspace::showOnAllDesktops(WindowId window)
{
    if (m_connection && window)
        m_connection->showOnAllDesktops(window);
}

std::optional<RunningApplication> X11Workspace::frontmostApplication()
{
    const auto window = activeWindow();
    if (!window)
        return std::nullopt;
    return applicationOf(*window);
}

std::optional<RunningApplication> X11Workspace::applicationOf(WindowId window)
{
    if (!m_connection)
        return std::nullopt;
    X11Connection &x = *m_connection;

    auto resolved = [](const InstalledApplication &entry) {
        return RunningApplication { entry.id, entry.name,
            entry.categories.contains(QLatin1String("TerminalEmulator")) };
    };

    // What the toolkit says about the application, most specific first.
    const auto gtkId = x.utf8Property(window, "_GTK_APPLICATION_ID");
    const auto kdeFile = x.utf8Property(window, "_KDE_NET_WM_DESKTOP_FILE");
    for (const auto &candidate : { gtkId, kdeFile }) {
        if (candidate && !candidate->isEmpty()) {
            if (const auto entry = DesktopEntries::find(baseId(*candidate)))
                return resolved(*entry);
        }
    }

    QString instance;
    QString className;
    if (const auto wmClass = x.property(window, XA_WM_CLASS, XA_STRING, 1024);
        wmClass && wmClass->format == 8) {
        const QList<QByteArray> parts = wmClass->bytes.split('\0');
        instance = QString::fromLocal8Bit(parts.value(0));
        className = QString::fromLocal8Bit(parts.value(1));
    }
    if (!instance.isEmpty() || !className.isEmpty()) {
        if (const auto entry = entryForWmClass(instance, className))
            return resolved(*entry);
    }

    if (const auto pid = x.cardinalProperty(window, "_NET_WM_PID")) {
        // A PID means something only on this machine.
        const auto machine = x.property(window, XA_WM_CLIENT_MACHINE, XA_STRING, 256);
        if (!machine || QString::fromLocal8Bit(machine->bytes) == QSysInfo::machineHostName()) {
            if (const auto entry = entryForProcess(*pid))
                return resolved(*entry);
        }
    }

    RunningApplication application;
    for (const auto &candidate : { gtkId, kdeFile }) {
        if (!application.id && candidate && !candidate->isEmpty())
            application.id = baseId(*candidate);
    }
    if (!className.isEmpty()) {
        if (!application.id)
            application.id = className;
        application.name = className;
    }
    return application;
}

const QList<DesktopEntries::Entry> &X11Workspace::entries()
{
    if (!m_entriesAge.isValid() || m_entriesAge.hasExpired(kEntriesMaxAgeMs)) {
        m_entries = DesktopEntries::allEntries();
        m_entriesAge.start();
        m_wmClasses.clear();
    }
    return m_entries;
}

std::optional<InstalledApplication> X11Workspace::entryForWmClass(
    const QString &instance, const QString &className)
{
    // Reading every entry takes a while; a copy should not wait for it each time.
    if (m_entriesAge.isValid() && m_entriesAge.hasExpired(kEntriesMaxAgeMs))
        m_wmClasses.clear();
    const QString key = instance + QLatin1Char('\n') + className;
    auto cached = m_wmClasses.constFind(key);
    if (cached != m_wmClasses.constEnd())
        return *cached;
    const auto entry = lookUpWmClass(instance, className);
    m_wmClasses.insert(key, entry);
    return entry;
}

std::optional<InstalledApplication> X11Workspace::lookUpWmClass(
    const QString &instance, const QString &className)
{
    // StartupWMClass is the entry's own claim, so it goes first; then the
    // common convention that the class or instance names the desktop file.
    for (const QString &name : { className, instance }) {
        if (name.isEmpty())
            continue;
        for (const DesktopEntries::Entry &entry : entries()) {
            if (entry.startupWmClass == name)
                return entry.application;
        }
    }
    for (const QString &name : { className, instance, className.toLower(), instance.toLower() }) {
        if (const auto entry = DesktopEntries::find(name))
            return entry;
    }
    for (const QString &name : { className, instance }) {
        if (name.isEmpty())
            continue;
        for (const DesktopEntries::Entry &entry : entries()) {
            if (entry.startupWmClass.compare(name, Qt::CaseInsensitive) == 0)
                return entry.application;
        }
    }
    return std::nullopt;
}

std::optional<InstalledApplication> X11Workspace::entryForProcess(quint32 pid)
{
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);

    // GIO marks what it launches with the desktop file and the PID it
    // started, so an inherited variable is not mistaken for the process's own.
    QFile environ(proc + QStringLiteral("environ"));
    if (environ.open(QIODevice::ReadOnly)) {
        QByteArray file;
        QByteArray launchedPid;
        for (const QByteArray &variable : environ.read(1 << 20).split('\0')) {
            if (variable.startsWith("GIO_LAUNCHED_DESKTOP_FILE="))
                file = variable.mid(26);
            else if (variable.startsWith("GIO_LAUNCHED_DESKTOP_FILE_PID="))
                launchedPid = variable.mid(30);
        }
        if (!file.isEmpty() && launchedPid == QByteArray::number(pid)) {
            if (const auto entry = DesktopEntries::find(baseId(QFile::decodeName(file))))
                return entry;
        }
    }

    const QString executable = QFileInfo(QFile::symLinkTarget(proc + QStringLiteral("exe"))).fileName();
    if (executable.isEmpty())
        return std::nullopt;
    std::optional<InstalledApplication> match;
    for (const DesktopEntries::Entry &entry : entries()) {
        if (entry.executable != executable)
            continue;
        if (match && match->id != entry.application.id)
            return std::nullopt; // several entries run this program: none is certain
        match = entry.application;
    }
    return match;
}

QList<InstalledApplication> X11Workspace::installedApplications()
{
    return DesktopEntries::visibleApplications();
}

void X11Workspace::setApplicationsChangedHandler(std::function<void()> changed)
{
    DesktopEntries::setChangedHandler(std::move(changed));
}

QIcon X11Workspace::applicationIcon(const InstalledApplication &application)
{
    return DesktopEntries::icon(application.iconName);
}

bool X11Workspace::openApplication(const QString &id, QString *error)
{
    return DesktopEntries::launch(id, error);
}

} // namespace quillet::x11
