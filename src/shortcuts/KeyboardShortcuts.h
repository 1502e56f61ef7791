#pragma once

#include "shortcuts/DesktopShortcutService.h"
#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/KeyboardLayout.h"
#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace quillet {
class Defaults;
}

namespace quillet::shortcuts {

// User-customisable global shortcuts. Application code names a shortcut; the
// library keeps its key combination in the preferences under
// "KeyboardShortcuts_<name>", grabs it through the hot-key backend while some
// handler wants it, and runs the handlers of every name whose combination was
// pressed or released. One instance per process, main thread only.
//
// Where the desktop keeps global shortcuts itself (a desktop service instead
// of a backend), the names that have handlers are bound there, with their
// stored combination as the preferred trigger; the desktop decides the keys,
// and an activation runs the handlers of that name.
class KeyboardShortcuts : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(bool recorderActive READ isRecorderActive WRITE setRecorderActive NOTIFY
            recorderActiveStatusDidChange)
public:
    using Action = std::function<void()>;

    // The backend, the layout and the desktop service may be absent (without
    // a backend or a service nothing fires; without a layout keys describe as
    // U+FFFD); all must outlive the library.
    KeyboardShortcuts(Defaults &defaults, HotKeyBackend *backend, const KeyboardLayout *layout,
        DesktopShortcutService *desktop = nullptr, QObject *parent = nullptr);
    ~KeyboardShortcuts() override;

    // Makes a name known. The first time a name with a factory shortcut is
    // seen and nothing is stored for it, the factory shortcut is stored. Every
    // operation below that takes a name does this first.
    void declare(const Name &name);

    std::optional<Shortcut> shortcut(const Name &name);
    // Stores the combination, or removes it (a name with a factory shortcut then
    // stores false, so the factory shortcut does not come back).
    void setShortcut(const std::optional<Shortcut> &shortcut, const Name &name);
    // Back to the factory shortcut (or none).
    void reset(const QList<Name> &names);
    bool hasStoredValue(const Name &name);

    void onKeyDown(const Name &name, Action action);
    void onKeyUp(const Name &name, Action action);
    void removeHandler(const Name &name);
    void removeAllHandlers();

    // While disabled, or while a recorder records, hot keys are released so the
    // keys reach the focused window; they are grabbed again afterwards.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool isRecorderActive() const { return m_recorderActive; }
    void setRecorderActive(bool active);

    // As Linux desktops print shortcuts: "Ctrl+Alt+Shift+Super+" (those that
    // are set, in that order), then the key's name or its character on the
    // current layout, capitalised ("Shift+Super+V"); U+FFFD for a key that
    // types no single character.
    QString description(const Shortcut &shortcut) const;
    // The one character a non-special key types with no modifiers.
    std::optional<QString> layoutCharacter(int keyCode) const;
    // Whether another program (the desktop, another application) holds the
    // combination.
    bool isSystemShortcut(const Shortcut &shortcut) const;
    // Whether a handler wants the name's combination but the grab was refused
    // because another program holds it. A refused grab is tried again when
    // grabs resume (after recording or disabling) and when the combination
    // changes.
    bool isGrabRefused(const Name &name);
    // The names with handlers whose grab was refused.
    QList<Name> namesWithRefusedGrabs() const;
    // The first action of the menu, depth first into submenus, whose shortcut
    // is this combination.
    QAction *matchingMenuItem(const QMenu *menu, const Shortcut &shortcut) const;

    // Whether global shortcuts can fire at all in this session (also while
    // the desktop is still being asked).
    bool isAvailable() const;
    // Whether the desktop decides the keys (then recorders show its triggers
    // and send the user to its settings instead of recording).
    bool isManagedByDesktop() const;
    // The desktop's description of the keys that trigger a name.
    std::optional<QString> assignedTrigger(const Name &name) const;
    bool canConfigureInDesktop() const;
    // Opens the desktop's own dialog for changing the triggers.
    void configureInDesktop();
    // A combination in the XDG shortcuts notation ("LOGO+SHIFT+v"), when the
    // desktop service can name its key.
    std::optional<QString> desktopNotation(const Shortcut &shortcut) const;

Q_SIGNALS:
    void shortcutByNameDidChange(const quillet::shortcuts::Name &name);
    void recorderActiveStatusDidChange(bool isActive);
    void enabledChanged(bool enabled);
    // isAvailable() or isManagedByDesktop() may have changed.
    void availabilityChanged();
    // Some grab was refused, or a refused one succeeded or is no longer wanted.
    void grabRefusalsChanged();

private:
    struct HotKey {
        Shortcut shortcut;
        bool grabbed = false;
        // Another program held the combination at the last attempt.
        bool refused = false;
    };
    struct Handlers {
        Name name;
        QList<Action> keyDown;
        QList<Action> keyUp;
    };

    bool grabsAllowed() const { return m_enabled && !m_recorderActive; }
    std::optional<Shortcut> storedShortcut(const Name &name) const;
    void syncRegistrations();
    void registerHotKey(const Shortcut &shortcut);
    void unregisterHotKey(const Shortcut &shortcut);
    void grabHotKey(quint32 id, HotKey &hotKey);
    void suspendOrResume();
    void dispatch(quint32 id, bool keyDown);
    void bindInDesktop();
    void dispatchByName(const QString &id, bool keyDown);
    static void run(const Handlers &handlers, bool keyDown);
    void printRegistrationError(const Shortcut &shortcut, int status) const;
    QSet<Shortcut> refusedShortcuts() const;
    void noteRefusals(const QSet<Shortcut> &before);

    Defaults &m_defaults;
    QPointer<HotKeyBackend> m_backend;
    const KeyboardLayout *m_layout;
    QPointer<DesktopShortcutService> m_desktop;
    QList<DesktopShortcutService::Binding> m_bound;

    QSet<QString> m_declared;
    QHash<QString, Handlers> m_handlers;
    // The combinations some handler wants, whether or not the grab succeeded.
    QSet<Shortcut> m_registered;
    QHash<quint32, HotKey> m_hotKeys;
    quint32 m_lastHotKeyId = 0;
    bool m_enabled = true;
    bool m_recorderActive = false;
};

} // namespace quillet::shortcuts
