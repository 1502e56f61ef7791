#pragma once

#include "platform/Workspace.h"

#include <QSemaphore>

#include <atomic>

namespace quillet::test {

class FakeWorkspace final : public Workspace {
public:
    bool knowsFrontmostApplication() const override { return knowsFrontmost; }
    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    std::optional<WindowId> activeWindow() override { return active; }
    bool selectionBelongsToActiveWindow() override { return selectionIsActive; }
    void activateWindow(WindowId window) override;
    void showOnAllDesktops(WindowId window) override { onAllDesktops.append(window); }
    QList<InstalledApplication> installedApplications() override;
    QIcon applicationIcon(const InstalledApplication &application) override;
    bool openApplication(const QString &id, QString *error = nullptr) override;
    void setApplicationsChangedHandler(std::function<void()> changed) override
    {
        applicationsChanged = std::move(changed);
    }

    // Sets the application in front, as a copy from it would see it.
    void setFrontmost(const QString &id, const QString &name) { frontmost = RunningApplication { id, name }; }

    bool knowsFrontmost = true;
    std::optional<RunningApplication> frontmost;
    std::optional<WindowId> active;
    bool selectionIsActive = true;
    QList<InstalledApplication> installed;
    QList<WindowId> activated;
    QList<WindowId> onAllDesktops;
    QStringList opened;
    std::atomic_int listingCalls = 0;
    // When set, a listing waits until the test releases it (at most 10 s).
    QSemaphore *listingGate = nullptr;
    int iconLookups = 0;
    bool openSucceeds = true;
    // What the watcher of installed applications registered; a test calls it
    // to report a change.
    std::function<void()> applicationsChanged;
};

} // namespace quillet::test
