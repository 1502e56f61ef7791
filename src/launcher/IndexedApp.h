#pragma once

#include "platform/Workspace.h"

#include <QString>
#include <QStringList>

namespace quillet {

// One application in the launcher's index, with the keys the search uses.
struct IndexedApp {
    QString id; // desktop-file ID without ".desktop"; unique within the index
    QString name; // localized display name
    QString location; // the desktop file
    QString iconName; // icon-theme name or path; resolved through AppIndexService::icon
    QString nameLowercased; // `name` lower-cased
    QStringList
        nameWords; // the words of `name` (split at anything but letters, marks and digits), lower-cased
    QString acronym; // the first character of each word

    friend bool operator==(const IndexedApp &, const IndexedApp &) = default;
};

// An index entry with its search keys computed from `application`'s name.
IndexedApp makeIndexedApp(const InstalledApplication &application);

// The workspace's entry again, as opening or drawing the application needs it.
InstalledApplication installedApplication(const IndexedApp &app);

} // namespace quillet
