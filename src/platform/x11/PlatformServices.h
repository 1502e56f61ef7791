#pragma once

#include "platform/KeySynthesizer.h"
#include "platform/LoginItems.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QStringList>

#include <memory>

namespace quillet {

// The desktop services Quillet runs on.
struct PlatformServices {
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<KeySynthesizer> keySynthesizer;
    std::unique_ptr<LoginItems> loginItems;
    // One sentence per feature that cannot work in this session, for the
    // user; empty when everything is available.
    QStringList unavailableFeatures;
    // The desktop's extensions or protocols Quillet looks for: those found
    // and those missing, by their protocol names.
    QStringList found;
    QStringList missing;
    // The desktop, where Quillet tells it apart ("KWin", "GNOME"); empty otherwise.
    QString desktopName;
};

// One line for the start-up output: the session kind, then what was found and
// what is missing.
QString describeSession(const QString &kind, const QStringList &found, const QStringList &missing);

// The X11 services when Qt runs on X11 with a reachable display; otherwise
// stand-ins that do nothing (an empty clipboard that never changes, no
// keystrokes, no active application) together with the reasons. Desktop
// entries and the autostart entry need no X server and always work. Call it
// after the QGuiApplication exists.
PlatformServices makePlatformServices();

} // namespace quillet
