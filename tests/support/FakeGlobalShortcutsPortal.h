#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>

namespace quillet::test {

// The desktop portal's org.freedesktop.portal.GlobalShortcuts on a private
// bus, as KDE Plasma or GNOME answer it: sessions, requests answered with a
// Response signal (sent before the method's reply, the order a client must
// survive), bindings kept per session, and activations on demand.
class FakeGlobalShortcutsPortal final : public QDBusVirtualObject {
    Q_OBJECT
public:
    struct Bound {
        QString id;
        QString description;
        QString preferredTrigger;
        friend bool operator==(const Bound &, const Bound &) = default;
    };

    // Takes the portal's name on the bus at `address`.
    explicit FakeGlobalShortcutsPortal(const QString &address, uint version = 2);
    ~FakeGlobalShortcutsPortal() override;

    bool isRegistered() const { return m_registered; }

    // What the desktop says triggers an id, as the user assigned it; ids
    // without one report their preferred trigger.
    QHash<QString, QString> assigned;

    // Every BindShortcuts call, in order, with the shortcuts it bound.
    QList<QList<Bound>> bindCalls;
    // The application ids clients registered, and whether each came before
    // any other portal call of that client.
    QList<std::pair<QString, bool>> registrations;
    QStringList sessions;
    QStringList closedSessions;
    int configureCalls = 0;

    // The desktop saw the keys of a bound shortcut go down or up.
    void activate(const QString &id);
    void deactivate(const QString &id);
    // The user changed a trigger in the desktop's settings.
    void changeTrigger(const QString &id, const QString &trigger);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void respond(const QDBusMessage &call, const QString &handle, const QVariantMap &results);
    QVariant shortcutsOf(const QString &session) const;
    void emitSignal(const QString &name, const QVariantList &arguments);

    QDBusConnection m_connection;
    uint m_version;
    bool m_registered = false;
    QHash<QString, QList<Bound>> m_bound;
    QSet<QString> m_callers;
};

} // namespace quillet::test
