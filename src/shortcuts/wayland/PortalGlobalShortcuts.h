#pragma once

#include "shortcuts/DesktopShortcutService.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QHash>
#include <QVariantMap>

#include <functional>

class QDBusMessage;

namespace quillet::shortcuts::wayland {

// One shortcut as the portal speaks of it: an id and its properties
// ("description", "preferred_trigger", "trigger_description").
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

// Global shortcuts through the XDG desktop portal's
// org.freedesktop.portal.GlobalShortcuts interface (KDE Plasma, GNOME 48 and
// later, Hyprland): one session for the run, the named actions bound in it,
// Activated/Deactivated reported by id. Every call is asynchronous: the
// main thread never waits for the portal, which may show the user a dialog
// before it answers.
class PortalGlobalShortcuts final : public DesktopShortcutService {
    Q_OBJECT
public:
    static constexpr char service[] = "org.freedesktop.portal.Desktop";
    static constexpr char path[] = "/org/freedesktop/portal/desktop";
    static constexpr char interface[] = "org.freedesktop.portal.GlobalShortcuts";

    // Starts asking `bus` (the session bus) for the portal at once. An
    // unsandboxed application names itself by its desktop-file ID (`appId`),
    // so the desktop keeps its shortcuts from one run to the next.
    explicit PortalGlobalShortcuts(
        const QDBusConnection &bus, const QString &appId = {}, QObject *parent = nullptr);
    ~PortalGlobalShortcuts() override;

    State state() const override { return m_state; }
    void bind(const QList<Binding> &bindings) override;
    QHash<QString, QString> triggers() const override { return m_triggers; }
    bool canConfigure() const override;
    void configure() override;
    std::optional<QString> trigger(const Shortcut &shortcut) const override;

    // Asks the desktop again which triggers it assigned.
    void refresh();
    // The interface version the portal reports (0 until known).
    quint32 version() const { return m_version; }
    // Why the portal cannot be used, once state() is unavailable.
    QString unavailableReason() const { return m_reason; }

private Q_SLOTS:
    void onResponse(const QDBusMessage &message);
    void onActivated(const QDBusMessage &message);
    void onDeactivated(const QDBusMessage &message);
    void onShortcutsChanged(const QDBusMessage &message);

private:
    using ResponseHandler = std::function<void(uint response, const QVariantMap &results)>;

    void createSession();
    void closeSession();
    void scheduleBinding();
    void sendBindings();
    void takeTriggers(const QVariant &shortcuts);
    void setState(State state, const QString &reason = {});
    // Calls a portal method whose answer comes as a Request's Response
    // signal; `options` gets the handle token.
    void request(const QString &method, QVariantList arguments, QVariantMap options, ResponseHandler handler);
    void watchRequest(const QString &handle, ResponseHandler handler);
    QString requestPath(const QString &token) const;
    bool isOurSession(const QDBusMessage &message) const;
    QDBusMessage call(const QString &method, const QVariantList &arguments) const;

    QDBusConnection m_bus;
    State m_state = State::connecting;
    QString m_reason;
    quint32 m_version = 0;
    QString m_session;
    QList<Binding> m_bindings;
    bool m_bindingScheduled = false;
    bool m_sessionBound = false;
    QHash<QString, QString> m_triggers;
    QHash<QString, ResponseHandler> m_requests;
    quint32 m_lastToken = 0;
};

} // namespace quillet::shortcuts::wayland

Q_DECLARE_METATYPE(quillet::shortcuts::wayland::PortalShortcut)
