#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace quillet {

// An opaque native window handle (an X11 window id).
using WindowId = quint64;

// The application whose window is active.
struct RunningApplication {
    std::optional<QString> id; // desktop-file ID without ".desktop", e.g. org.gnome.TextEditor
    std::optional<QString> name; // localized display name
    // A terminal emulator: its copy and paste keys are Ctrl+Shift+C and
    // Ctrl+Shift+V, since Ctrl+C interrupts the program running in it.
    bool isTerminal = false;
};

// One installed application, as the desktop's application listing knows it.
struct InstalledApplication {
    QString id; // desktop-file ID without ".desktop"
    QString name; // localized Name
    QString iconName; // icon-theme name or absolute path; may be empty
    QString path; // the desktop file
    QStringList categories = {}; // the entry's Categories

    friend bool operator==(const InstalledApplication &, const InstalledApplication &) = default;
};

// The desktop session: which application is in front, which are installed,
// and opening them.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Whether this desktop tells which application is in front at all. When
    // it cannot, copies have no source application and excluded applications
    // cannot be recognised.
    virtual bool knowsFrontmostApplication() const { return true; }
    virtual std::optional<RunningApplication> frontmostApplication() = 0;

    virtual std::optional<WindowId> activeWindow() = 0;
    // Whether the current owner of the selected-text selection (X11's
    // PRIMARY) belongs to the application whose window is active. Toolkits
    // keep that selection after its text is deselected, so any other owner
    // holds a stale selection. False where the desktop cannot tell.
    virtual bool selectionBelongsToActiveWindow() { return false; }
    virtual void activateWindow(WindowId window) = 0;
    // Keeps one of Quillet's own windows on every desktop (workspace).
    virtual void showOnAllDesktops(WindowId window) = 0;

    // Every visible application entry, first occurrence of an ID wins (XDG
    // precedence), in listing order; not sorted. May be called from a worker
    // thread: it touches no GUI object.
    virtual QList<InstalledApplication> installedApplications() = 0;

    virtual QIcon applicationIcon(const InstalledApplication &application) = 0;

    // `changed` runs on the main thread whenever the installed applications
    // may have changed (an entry added, edited or removed in any applications
    // folder); an empty function stops the calls. One handler at a time. A
    // desktop that cannot tell never calls it.
    virtual void setApplicationsChangedHandler(std::function<void()> changed) { Q_UNUSED(changed); }

    // Launches the application; on failure returns false and describes why.
    virtual bool openApplication(const QString &id, QString *error = nullptr) = 0;
};

} // namespace quillet
