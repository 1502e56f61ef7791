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
    // The localized GenericName and Comment of the desktop entry, if any.
    QString genericName;
    QString comment;

    // What the entry is, for a second line under its name: the generic name
    // ("Web Browser"), else the comment; empty when the entry says neither.
    QString description() const;

    friend bool operator==(const IndexedApp &, const IndexedApp &) = default;
};

// An index entry with its search keys computed from `application`'s name.
IndexedApp makeIndexedApp(const InstalledApplication &application);

// The workspace's entry again, as opening or drawing the application needs it.
InstalledApplication installedApplication(const IndexedApp &app);

// Fills `app`'s generic name and comment from its desktop file, preferring the
// values for the first of `locales` ("de_DE", "de") that has one. Reads the
// file's [Desktop Entry] group only; a missing or unreadable file leaves
// them empty. Touches no GUI object, so it runs on a worker thread.
void readDescription(IndexedApp &app, const QStringList &locales);

} // namespace quillet
