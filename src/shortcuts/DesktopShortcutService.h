#pragma once

#include "shortcuts/Shortcut.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace quillet::shortcuts {

// Global shortcuts that the desktop keeps for the application (the XDG
// desktop portal on Wayland) instead of key grabs: the application names its
// actions with a description and a preferred trigger, the desktop decides
// which keys trigger them (the user changes that in the desktop's own
// settings) and reports activations by name. Main thread only.
class DesktopShortcutService : public QObject {
    Q_OBJECT
public:
    enum class State {
        // Still finding out whether the desktop offers the service.
        connecting,
        ready,
        // The desktop offers no such service; nothing will fire.
        unavailable,
    };

    struct Binding {
        QString id;
        QString description;
        std::optional<Shortcut> preferred;

        friend bool operator==(const Binding &, const Binding &) = default;
    };

    using QObject::QObject;

    virtual State state() const = 0;
    // Replaces the bound set (sent once the service is ready).
    virtual void bind(const QList<Binding> &bindings) = 0;
    // How the desktop says each bound id is triggered ("Shift+Super+V");
    // ids without a trigger are absent.
    virtual QHash<QString, QString> triggers() const = 0;
    // Whether the desktop can show its own dialog to change the triggers.
    virtual bool canConfigure() const = 0;
    virtual void configure() = 0;
    // A combination in the notation of the XDG shortcuts specification
    // ("LOGO+SHIFT+v"), which compositors' configurations also understand;
    // nothing for a key that has no name there.
    virtual std::optional<QString> trigger(const Shortcut &shortcut) const = 0;

Q_SIGNALS:
    void stateChanged();
    void triggersChanged();
    void activated(const QString &id);
    void deactivated(const QString &id);
};

} // namespace quillet::shortcuts
