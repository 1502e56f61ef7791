#include "support/FakeGlobalShortcutsPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

constexpr char kPath[] = "/org/freedesktop/portal/desktop";
constexpr char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";

// a(sa{sv}) as the portal writes it, kept apart from Quillet's own type.
struct WireShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const WireShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, WireShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QString senderToken(const QDBusMessage &message)
{
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

QVariantMap optionsAt(const QDBusMessage &message, int index)
{
    return qdbus_cast<QVariantMap>(message.arguments().value(index));
}

} // namespace

Q_DECLARE_METATYPE(WireShortcut)

namespace quillet::test {

FakeGlobalShortcutsPortal::FakeGlobalShortcutsPortal(const QString &address, uint version)
    : m_connection(QDBusConnection::connectToBus(address, QStringLiteral("fake-portal")))
    , m_version(version)
{
    qDBusRegisterMetaType<WireShortcut>();
    qDBusRegisterMetaType<QList<WireShortcut>>();
    m_registered
        = m_connection.registerVirtualObject(QString::fromLatin1(kPath), this, QDBusConnection::SubPath)
        && m_connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakeGlobalShortcutsPortal::~FakeGlobalShortcutsPortal()
{
    m_connection.unregisterObject(QString::fromLatin1(kPath), QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
}

QString FakeGlobalShortcutsPortal::introspect(const QString &) const
{
    return {};
}

void FakeGlobalShortcutsPortal::respond(
    const QDBusMessage &call, const QString &handle, const QVariantMap &results)
{
    QDBusMessage response = QDBusMessage::createSignal(
        handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << 0u << results;
    m_connection.send(response);
    m_connection.send(call.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
}

QVariant FakeGlobalShortcutsPortal::shortcutsOf(const QString &session) const
{
    QList<WireShortcut> list;
    for (const Bound &bound : m_bound.value(session)) {
        list.append({ bound.id,
            { { QStringLiteral("description"), bound.description },
                { QStringLiteral("trigger_description"),
                    assigned.value(bound.id, bound.preferredTrigger) } } });
    }
    return QVariant::fromValue(list);
}

bool FakeGlobalShortcutsPortal::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString member = message.member();
    const QString handle = QStringLiteral("%1/request/%2/%3")
                               .arg(QString::fromLatin1(kPath), senderToken(message),
                                   optionsAt(message, int(message.arguments().size()) - 1)
                                       .value(QStringLiteral("handle_token"))
                                       .toString());

    const bool firstCall = !m_callers.contains(message.service());
    m_callers.insert(message.service());
    if (message.interface() == QLatin1String("org.freedesktop.host.portal.Registry")
        && member == QLatin1String("Register")) {
        registrations.append({ message.arguments().value(0).toString(), firstCall });
        m_connection.send(message.createReply());
        return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties")
        && member == QLatin1String("Get")
        && message.arguments().value(0).toString() == QLatin1String(kInterface)
        && message.arguments().value(1).toString() == QLatin1String("version")) {
        m_connection.send(message.createReply(QVariant::fromValue(QDBusVariant(m_version))));
        return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.portal.Session")
        && member == QLatin1String("Close")) {
        closedSessions.append(message.path());
        m_bound.remove(message.path());
        m_connection.send(message.createReply());
        return true;
    }
    if (message.interface() != QLatin1String(kInterface))
        return false;

    if (member == QLatin1String("CreateSession")) {
        const QString session
            = QStringLiteral("%1/session/%2/%3")
                  .arg(QString::fromLatin1(kPath), senderToken(message),
                      optionsAt(message, 0).value(QStringLiteral("session_handle_token")).toString());
        sessions.append(session);
        respond(message, handle,
            { { QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(session)) } });
        return true;
    }
    const QString session = message.arguments().value(0).value<QDBusObjectPath>().path();
    if (member == QLatin1String("BindShortcuts")) {
        QList<Bound> bound;
        const auto wire = qdbus_cast<QList<WireShortcut>>(message.arguments().value(1));
        for (const WireShortcut &shortcut : wire) {
            bound.append({ shortcut.id, shortcut.properties.value(QStringLiteral("description")).toString(),
                shortcut.properties.value(QStringLiteral("preferred_trigger")).toString() });
        }
        bindCalls.append(bound);
        m_bound.insert(session, bound);
        respond(message, handle, { { QStringLiteral("shortcuts"), shortcutsOf(session) } });
        return true;
    }
    if (member == QLatin1String("ListShortcuts")) {
        respond(message, handle, { { QStringLiteral("shortcuts"), shortcutsOf(session) } });
        return true;
    }
    if (member == QLatin1String("ConfigureShortcuts") && m_version >= 2) {
        ++configureCalls;
        m_connection.send(message.createReply());
        return true;
    }
    return false;
}

void FakeGlobalShortcutsPortal::emitSignal(const QString &name, const QVariantList &arguments)
{
    QDBusMessage signal
        = QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kInterface), name);
    signal.setArguments(arguments);
    m_connection.send(signal);
}

void FakeGlobalShortcutsPortal::activate(const QString &id)
{
    for (const QString &session : m_bound.keys())
        emitSignal(QStringLiteral("Activated"),
            { QVariant::fromValue(QDBusObjectPath(session)), id, quint64(1), QVariantMap() });
}

void FakeGlobalShortcutsPortal::deactivate(const QString &id)
{
    for (const QString &session : m_bound.keys())
        emitSignal(QStringLiteral("Deactivated"),
            { QVariant::fromValue(QDBusObjectPath(session)), id, quint64(2), QVariantMap() });
}

void FakeGlobalShortcutsPortal::changeTrigger(const QString &id, const QString &trigger)
{
    assigned.insert(id, trigger);
    for (const QString &session : m_bound.keys())
        emitSignal(QStringLiteral("ShortcutsChanged"),
            { QVariant::fromValue(QDBusObjectPath(session)), shortcutsOf(session) });
}

} // namespace quillet::test
