#include "shortcuts/wayland/PortalGlobalShortcuts.h"

#include "shortcuts/x11/X11KeyMap.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTimer>

#include <xkbcommon/xkbcommon.h>

Q_LOGGING_CATEGORY(lcPortal, "quillet.portal")

namespace quillet::shortcuts::wayland {

namespace {

constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";
// The portal may show the user a dialog before it answers a request; the
// method call itself returns at once.
constexpr int kCallTimeoutMs = 10000;

QString pathText(const QVariant &value)
{
    if (value.canConvert<QDBusObjectPath>() && value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

PortalGlobalShortcuts::PortalGlobalShortcuts(
    const QDBusConnection &bus, const QString &appId, QObject *parent)
    : DesktopShortcutService(parent)
    , m_bus(bus)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!m_bus.isConnected()) {
        setState(State::unavailable, QStringLiteral("no session bus"));
        return;
    }
    const QString iface = QString::fromLatin1(interface);
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), iface, QStringLiteral("Activated"),
        this, SLOT(onActivated(QDBusMessage)));
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), iface,
        QStringLiteral("Deactivated"), this, SLOT(onDeactivated(QDBusMessage)));
    m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(path), iface,
        QStringLiteral("ShortcutsChanged"), this, SLOT(onShortcutsChanged(QDBusMessage)));

    // Before any other portal call; portals older than 1.19 lack the registry,
    // and then identify the application by other means.
    if (!appId.isEmpty()) {
        QDBusMessage registration
            = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
        registration.setArguments({ appId, QVariantMap() });
        m_bus.asyncCall(registration, kCallTimeoutMs);
    }

    // The version property tells whether the portal has the interface at all.
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({ iface, QStringLiteral("version") });
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) {
            setState(State::unavailable,
                QStringLiteral("the desktop portal has no GlobalShortcuts interface (%1)")
                    .arg(reply.errorName()));
            return;
        }
        m_version = reply.arguments().first().value<QDBusVariant>().variant().toUInt();
        createSession();
    });
}

PortalGlobalShortcuts::~PortalGlobalShortcuts()
{
    closeSession();
}

QDBusMessage PortalGlobalShortcuts::call(const QString &method, const QVariantList &arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface), method);
    message.setArguments(arguments);
    return message;
}

QString PortalGlobalShortcuts::requestPath(const QString &token) const
{
    // The portal names a request after the caller's unique bus name.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void PortalGlobalShortcuts::watchRequest(const QString &handle, ResponseHandler handler)
{
    m_requests.insert(handle, std::move(handler));
    m_bus.connect(QString::fromLatin1(service), handle, QString::fromLatin1(kRequestInterface),
        QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
}

void PortalGlobalShortcuts::request(
    const QString &method, QVariantList arguments, QVariantMap options, ResponseHandler handler)
{
    const QString token = QStringLiteral("quillet%1").arg(++m_lastToken);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    // Listen before asking: the answer may come before the call returns.
    const QString expected = requestPath(token);
    watchRequest(expected, handler);
    auto *watcher
        = new QDBusPendingCallWatcher(m_bus.asyncCall(call(method, arguments), kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, method, expected, handler] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            qCWarning(lcPortal) << method << "failed:" << reply.errorMessage();
            if (m_requests.remove(expected))
                handler(2, {});
            return;
        }
        // Older portals may choose another handle than the one asked for.
        const QString handle = pathText(reply.arguments().value(0));
        if (!handle.isEmpty() && handle != expected && m_requests.remove(expected))
            watchRequest(handle, handler);
    });
}

void PortalGlobalShortcuts::onResponse(const QDBusMessage &message)
{
    const auto handler = m_requests.take(message.path());
    m_bus.disconnect(QString::fromLatin1(service), message.path(), QString::fromLatin1(kRequestInterface),
        QStringLiteral("Response"), this, SLOT(onResponse(QDBusMessage)));
    if (!handler)
        return;
    const QVariantList arguments = message.arguments();
    const uint response = arguments.value(0, 2u).toUInt();
    QVariantMap results;
    if (arguments.size() > 1)
        results = qdbus_cast<QVariantMap>(arguments.at(1));
    handler(response, results);
}

void PortalGlobalShortcuts::createSession()
{
    const QString token = QStringLiteral("quillet_%1").arg(QRandomGenerator::global()->generate());
    request(QStringLiteral("CreateSession"), {}, { { QStringLiteral("session_handle_token"), token } },
        [this](uint response, const QVariantMap &results) {
            const QString session = pathText(results.value(QStringLiteral("session_handle")));
            if (response != 0 || session.isEmpty()) {
                setState(State::unavailable,
                    QStringLiteral("the desktop portal refused a shortcuts session (response %1)")
                        .arg(response));
                return;
            }
            m_session = session;
            m_sessionBound = false;
            setState(State::ready);
            if (!m_bindings.isEmpty())
                scheduleBinding();
        });
}

void PortalGlobalShortcuts::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.call(QDBusMessage::createMethodCall(QString::fromLatin1(service), m_session,
                   QString::fromLatin1(kSessionInterface), QStringLiteral("Close")),
        QDBus::NoBlock);
    m_session.clear();
}

void PortalGlobalShortcuts::bind(const QList<Binding> &bindings)
{
    m_bindings = bindings;
    if (m_state == State::ready)
        scheduleBinding();
}

// Names arrive one by one at start-up; the desktop hears of them once.
void PortalGlobalShortcuts::scheduleBinding()
{
    if (m_bindingScheduled)
        return;
    m_bindingScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bindingScheduled = false;
        if (m_state != State::ready)
            return;
        if (m_sessionBound) {
            // A session's shortcuts are bound once: a changed set needs a new
            // session.
            closeSession();
            setState(State::connecting);
            createSession();
            return;
        }
        sendBindings();
    });
}

void PortalGlobalShortcuts::sendBindings()
{
    QList<PortalShortcut> shortcuts;
    for (const Binding &binding : std::as_const(m_bindings)) {
        PortalShortcut shortcut { binding.id, { { QStringLiteral("description"), binding.description } } };
        if (binding.preferred) {
            if (const auto preferred = trigger(*binding.preferred))
                shortcut.properties.insert(QStringLiteral("preferred_trigger"), *preferred);
        }
        shortcuts.append(shortcut);
    }
    m_sessionBound = true;
    request(QStringLiteral("BindShortcuts"),
        { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString() }, {},
        [this](uint response, const QVariantMap &results) {
            if (response != 0) {
                qCInfo(lcPortal) << "The desktop did not bind Quillet's shortcuts (response" << response
                                 << ")";
                return;
            }
            if (results.contains(QStringLiteral("shortcuts")))
                takeTriggers(results.value(QStringLiteral("shortcuts")));
            else
                refresh();
        });
}

void PortalGlobalShortcuts::refresh()
{
    if (m_state != State::ready)
        return;
    request(QStringLiteral("ListShortcuts"), { QVariant::fromValue(QDBusObjectPath(m_session)) }, {},
        [this](uint response, const QVariantMap &results) {
            if (response == 0)
                takeTriggers(results.value(QStringLiteral("shortcuts")));
        });
}

void PortalGlobalShortcuts::takeTriggers(const QVariant &shortcuts)
{
    QHash<QString, QString> triggers;
    const auto list = shortcuts.canConvert<QDBusArgument>()
        ? qdbus_cast<QList<PortalShortcut>>(shortcuts.value<QDBusArgument>())
        : shortcuts.value<QList<PortalShortcut>>();
    for (const PortalShortcut &shortcut : list) {
        const QString text = shortcut.properties.value(QStringLiteral("trigger_description")).toString();
        if (!text.isEmpty())
            triggers.insert(shortcut.id, text);
    }
    if (triggers == m_triggers)
        return;
    m_triggers = triggers;
    Q_EMIT triggersChanged();
}

bool PortalGlobalShortcuts::canConfigure() const
{
    return m_state == State::ready && m_version >= 2;
}

void PortalGlobalShortcuts::configure()
{
    if (!canConfigure())
        return;
    m_bus.asyncCall(call(QStringLiteral("ConfigureShortcuts"),
                        { QVariant::fromValue(QDBusObjectPath(m_session)), QString(), QVariantMap() }),
        kCallTimeoutMs);
}

bool PortalGlobalShortcuts::isOurSession(const QDBusMessage &message) const
{
    return !m_session.isEmpty() && pathText(message.arguments().value(0)) == m_session;
}

void PortalGlobalShortcuts::onActivated(const QDBusMessage &message)
{
    if (isOurSession(message))
        Q_EMIT activated(message.arguments().value(1).toString());
}

void PortalGlobalShortcuts::onDeactivated(const QDBusMessage &message)
{
    if (isOurSession(message))
        Q_EMIT deactivated(message.arguments().value(1).toString());
}

void PortalGlobalShortcuts::onShortcutsChanged(const QDBusMessage &message)
{
    if (isOurSession(message))
        takeTriggers(message.arguments().value(1));
}

void PortalGlobalShortcuts::setState(State state, const QString &reason)
{
    m_reason = reason;
    if (!reason.isEmpty())
        qCDebug(lcPortal) << "Global shortcuts through the desktop portal are unavailable:" << reason;
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

std::optional<QString> PortalGlobalShortcuts::trigger(const Shortcut &shortcut) const
{
    if (shortcut.has(function))
        return std::nullopt;
    const auto keysym = x11::keysymForKeyCode(shortcut.carbonKeyCode);
    if (!keysym)
        return std::nullopt;
    char name[64] = {};
    if (xkb_keysym_get_name(xkb_keysym_t(*keysym), name, sizeof name) <= 0)
        return std::nullopt;
    QString text;
    const std::pair<Modifier, const char *> modifiers[]
        = { { control, "CTRL+" }, { option, "ALT+" }, { shift, "SHIFT+" }, { command, "LOGO+" } };
    for (const auto &[modifier, prefix] : modifiers) {
        if (shortcut.has(modifier))
            text += QLatin1String(prefix);
    }
    return text + QString::fromLatin1(name);
}

} // namespace quillet::shortcuts::wayland
