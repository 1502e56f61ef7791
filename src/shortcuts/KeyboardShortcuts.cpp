#include "shortcuts/KeyboardShortcuts.h"

#include "defaults/Defaults.h"
#include "shortcuts/Localization.h"
#include "shortcuts/SpecialKey.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>

#include <cstdio>

namespace quillet::shortcuts {

namespace {

// Each word's first letter in upper case, the rest in lower case.
QString capitalized(const QString &text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar &c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

} // namespace

KeyboardShortcuts::KeyboardShortcuts(Defaults &defaults, HotKeyBackend *backend, const KeyboardLayout *layout,
    DesktopShortcutService *desktop, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_backend(backend)
    , m_layout(layout)
    , m_desktop(desktop)
{
    qRegisterMetaType<Name>();
    if (m_backend) {
        connect(m_backend, &HotKeyBackend::pressed, this, [this](quint32 id) { dispatch(id, true); });
        connect(m_backend, &HotKeyBackend::released, this, [this](quint32 id) { dispatch(id, false); });
    }
    if (m_desktop) {
        connect(m_desktop, &DesktopShortcutService::activated, this,
            [this](const QString &id) { dispatchByName(id, true); });
        connect(m_desktop, &DesktopShortcutService::deactivated, this,
            [this](const QString &id) { dispatchByName(id, false); });
        connect(
            m_desktop, &DesktopShortcutService::stateChanged, this, &KeyboardShortcuts::availabilityChanged);
        connect(m_desktop, &DesktopShortcutService::triggersChanged, this, [this] {
            for (const Handlers &handlers : std::as_const(m_handlers))
                Q_EMIT shortcutByNameDidChange(handlers.name);
        });
    }
}

KeyboardShortcuts::~KeyboardShortcuts()
{
    if (!m_backend)
        return;
    for (auto it = m_hotKeys.cbegin(); it != m_hotKeys.cend(); ++it) {
        if (it->grabbed)
            m_backend->ungrab(it.key());
    }
}

void KeyboardShortcuts::declare(const Name &name)
{
    if (m_declared.contains(name.rawValue))
        return;
    m_declared.insert(name.rawValue);
    if (name.defaultShortcut && !m_defaults.contains(name.defaultsKey()))
        setShortcut(name.defaultShortcut, name);
}

std::optional<Shortcut> KeyboardShortcuts::shortcut(const Name &name)
{
    declare(name);
    return storedShortcut(name);
}

std::optional<Shortcut> KeyboardShortcuts::storedShortcut(const Name &name) const
{
    const auto json = m_defaults.optionalString(name.defaultsKey());
    if (!json)
        return std::nullopt;
    return Shortcut::fromJson(*json);
}

void KeyboardShortcuts::setShortcut(const std::optional<Shortcut> &shortcut, const Name &name)
{
    declare(name);
    if (shortcut) {
        m_defaults.setString(name.defaultsKey(), shortcut->toJson());
    } else {
        if (!storedShortcut(name))
            return;
        if (name.defaultShortcut)
            m_defaults.setBool(name.defaultsKey(), false);
        else
            m_defaults.remove(name.defaultsKey());
    }
    syncRegistrations();
    Q_EMIT shortcutByNameDidChange(name);
}

void KeyboardShortcuts::reset(const QList<Name> &names)
{
    for (const Name &name : names)
        setShortcut(name.defaultShortcut, name);
}

bool KeyboardShortcuts::hasStoredValue(const Name &name)
{
    declare(name);
    return m_defaults.contains(name.defaultsKey());
}

void KeyboardShortcuts::onKeyDown(const Name &name, Action action)
{
    declare(name);
    Handlers &handlers = m_handlers[name.rawValue];
    handlers.name = name;
    handlers.keyDown.append(std::move(action));
    syncRegistrations();
}

void KeyboardShortcuts::onKeyUp(const Name &name, Action action)
{
    declare(name);
    Handlers &handlers = m_handlers[name.rawValue];
    handlers.name = name;
    handlers.keyUp.append(std::move(action));
    syncRegistrations();
}

void KeyboardShortcuts::removeHandler(const Name &name)
{
    if (m_handlers.remove(name.rawValue))
        syncRegistrations();
}

void KeyboardShortcuts::removeAllHandlers()
{
    m_handlers.clear();
    syncRegistrations();
}

void KeyboardShortcuts::setEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    suspendOrResume();
    Q_EMIT enabledChanged(enabled);
}

void KeyboardShortcuts::setRecorderActive(bool active)
{
    if (m_recorderActive == active)
        return;
    m_recorderActive = active;
    suspendOrResume();
    Q_EMIT recorderActiveStatusDidChange(active);
}

// A combination stays grabbed while any name with handlers uses it, so two
// names may share one hot key and changing one of them keeps the other's.
void KeyboardShortcuts::syncRegistrations()
{
    if (m_desktop) {
        bindInDesktop();
        return;
    }
    const QSet<Shortcut> refusedBefore = refusedShortcuts();
    QSet<Shortcut> wanted;
    for (const Handlers &handlers : std::as_const(m_handlers)) {
        if (handlers.keyDown.isEmpty() && handlers.keyUp.isEmpty())
            continue;
        if (const auto current = storedShortcut(handlers.name))
            wanted.insert(*current);
    }
    const QSet<Shortcut> unwanted = m_registered - wanted;
    for (const Shortcut &shortcut : unwanted)
        unregisterHotKey(shortcut);
    const QSet<Shortcut> added = wanted - m_registered;
    for (const Shortcut &shortcut : added)
        registerHotKey(shortcut);
    m_registered = wanted;
    noteRefusals(refusedBefore);
}

// The desktop is told only when the set of names (or what they prefer)
// changed: each new set may cost the user a confirmation dialog.
void KeyboardShortcuts::bindInDesktop()
{
    QList<DesktopShortcutService::Binding> bindings;
    for (const Handlers &handlers : std::as_const(m_handlers)) {
        if (handlers.keyDown.isEmpty() && handlers.keyUp.isEmpty())
            continue;
        const Name &name = handlers.name;
        bindings.append({ name.rawValue, name.description.isEmpty() ? name.rawValue : name.description,
            storedShortcut(name) });
    }
    std::sort(bindings.begin(), bindings.end(), [](const auto &a, const auto &b) { return a.id < b.id; });
    if (bindings == m_bound)
        return;
    m_bound = bindings;
    m_desktop->bind(bindings);
}

void KeyboardShortcuts::registerHotKey(const Shortcut &shortcut)
{
    const quint32 id = ++m_lastHotKeyId;
    HotKey hotKey { shortcut };
    if (grabsAllowed())
        grabHotKey(id, hotKey);
    m_hotKeys.insert(id, hotKey);
}

void KeyboardShortcuts::unregisterHotKey(const Shortcut &shortcut)
{
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end(); ++it) {
        if (it->shortcut != shortcut)
            continue;
        if (it->grabbed && m_backend)
            m_backend->ungrab(it.key());
        m_hotKeys.erase(it);
        return;
    }
}

void KeyboardShortcuts::grabHotKey(quint32 id, HotKey &hotKey)
{
    if (!m_backend)
        return;
    const int status = m_backend->grab(id, hotKey.shortcut);
    hotKey.refused = status != 0;
    hotKey.grabbed = !hotKey.refused;
    if (hotKey.refused)
        printRegistrationError(hotKey.shortcut, status);
}

// A refused hot key is kept and tried again on resuming: the program that
// held it may have let it go (a user who saw the refusal and closed that
// program records the shortcut again, which suspends and resumes).
void KeyboardShortcuts::suspendOrResume()
{
    const QSet<Shortcut> refusedBefore = refusedShortcuts();
    const bool allowed = grabsAllowed();
    for (auto it = m_hotKeys.begin(); it != m_hotKeys.end(); ++it) {
        if (allowed && !it->grabbed) {
            grabHotKey(it.key(), *it);
        } else if (!allowed && it->grabbed) {
            if (m_backend)
                m_backend->ungrab(it.key());
            it->grabbed = false;
        }
    }
    noteRefusals(refusedBefore);
}

QSet<Shortcut> KeyboardShortcuts::refusedShortcuts() const
{
    QSet<Shortcut> refused;
    for (const HotKey &hotKey : m_hotKeys) {
        if (hotKey.refused)
            refused.insert(hotKey.shortcut);
    }
    return refused;
}

void KeyboardShortcuts::noteRefusals(const QSet<Shortcut> &before)
{
    if (refusedShortcuts() != before)
        Q_EMIT grabRefusalsChanged();
}

bool KeyboardShortcuts::isGrabRefused(const Name &name)
{
    declare(name);
    if (!m_handlers.contains(name.rawValue))
        return false;
    const auto current = storedShortcut(name);
    return current && refusedShortcuts().contains(*current);
}

QList<Name> KeyboardShortcuts::namesWithRefusedGrabs() const
{
    const QSet<Shortcut> refused = refusedShortcuts();
    QList<Name> names;
    for (const Handlers &handlers : m_handlers) {
        const auto current = storedShortcut(handlers.name);
        if (current && refused.contains(*current))
            names.append(handlers.name);
    }
    std::sort(
        names.begin(), names.end(), [](const Name &a, const Name &b) { return a.rawValue < b.rawValue; });
    return names;
}

void KeyboardShortcuts::dispatch(quint32 id, bool keyDown)
{
    if (!grabsAllowed())
        return;
    const auto hotKey = m_hotKeys.constFind(id);
    if (hotKey == m_hotKeys.constEnd() || !hotKey->grabbed)
        return;
    const Shortcut fired = hotKey->shortcut;
    // A handler may add or remove handlers; run those that were there.
    const QHash<QString, Handlers> handlers = m_handlers;
    for (const Handlers &entry : handlers) {
        if (storedShortcut(entry.name) == fired)
            run(entry, keyDown);
    }
}

void KeyboardShortcuts::dispatchByName(const QString &id, bool keyDown)
{
    if (!grabsAllowed())
        return;
    const auto entry = m_handlers.constFind(id);
    if (entry != m_handlers.constEnd())
        run(Handlers(*entry), keyDown);
}

void KeyboardShortcuts::run(const Handlers &handlers, bool keyDown)
{
    for (const Action &action : keyDown ? handlers.keyDown : handlers.keyUp) {
        if (action)
            action();
    }
}

void KeyboardShortcuts::printRegistrationError(const Shortcut &shortcut, int status) const
{
    const QByteArray line
        = QStringLiteral("Error registering hotkey %1: %2\n").arg(description(shortcut)).arg(status).toUtf8();
    std::fputs(line.constData(), stdout);
    std::fflush(stdout);
}

QString KeyboardShortcuts::description(const Shortcut &shortcut) const
{
    // The order and names Linux desktops use in their keyboard settings.
    QStringList parts;
    if (shortcut.has(control))
        parts.append(QCoreApplication::translate("KeyboardShortcuts", "Ctrl"));
    if (shortcut.has(option))
        parts.append(QCoreApplication::translate("KeyboardShortcuts", "Alt"));
    if (shortcut.has(shift))
        parts.append(QCoreApplication::translate("KeyboardShortcuts", "Shift"));
    if (shortcut.has(command))
        parts.append(QCoreApplication::translate("KeyboardShortcuts", "Super"));
    if (shortcut.has(function))
        parts.append(QStringLiteral("Fn"));

    if (const auto special = specialKey(shortcut.carbonKeyCode)) {
        parts.append(*special == SpecialKey::space ? capitalized(localized(QStringLiteral("space_key")))
                                                   : name(*special));
    } else if (const auto character = layoutCharacter(shortcut.carbonKeyCode)) {
        parts.append(character->toUpper());
    } else {
        parts.append(QString(QChar(QChar::ReplacementCharacter)));
    }
    return parts.join(QLatin1Char('+'));
}

std::optional<QString> KeyboardShortcuts::layoutCharacter(int keyCode) const
{
    if (!m_layout || specialKey(keyCode))
        return std::nullopt;
    const auto text = m_layout->translate(keyCode);
    if (!text || text->toUcs4().size() != 1)
        return std::nullopt;
    return text;
}

bool KeyboardShortcuts::isAvailable() const
{
    if (m_desktop)
        return m_desktop->state() != DesktopShortcutService::State::unavailable;
    return m_backend != nullptr;
}

bool KeyboardShortcuts::isManagedByDesktop() const
{
    return m_desktop && m_desktop->state() != DesktopShortcutService::State::unavailable;
}

std::optional<QString> KeyboardShortcuts::assignedTrigger(const Name &name) const
{
    if (!m_desktop)
        return std::nullopt;
    const QHash<QString, QString> triggers = m_desktop->triggers();
    const auto trigger = triggers.constFind(name.rawValue);
    if (trigger == triggers.constEnd() || trigger->isEmpty())
        return std::nullopt;
    return *trigger;
}

bool KeyboardShortcuts::canConfigureInDesktop() const
{
    return isManagedByDesktop() && m_desktop->canConfigure();
}

void KeyboardShortcuts::configureInDesktop()
{
    if (canConfigureInDesktop())
        m_desktop->configure();
}

std::optional<QString> KeyboardShortcuts::desktopNotation(const Shortcut &shortcut) const
{
    return m_desktop ? m_desktop->trigger(shortcut) : std::nullopt;
}

bool KeyboardShortcuts::isSystemShortcut(const Shortcut &shortcut) const
{
    return m_backend && m_backend->isTakenElsewhere(shortcut);
}

QAction *KeyboardShortcuts::matchingMenuItem(const QMenu *menu, const Shortcut &shortcut) const
{
    if (!menu)
        return nullptr;
    int key = 0;
    if (const auto special = specialKey(shortcut.carbonKeyCode)) {
        key = qtKey(*special);
    } else if (const auto character = layoutCharacter(shortcut.carbonKeyCode)) {
        key = int(character->toUpper().toUcs4().value(0));
    } else {
        return nullptr;
    }
    const Qt::KeyboardModifiers modifiers = qtModifiers(shortcut.modifiers());

    const std::function<QAction *(const QMenu *)> search = [&](const QMenu *current) -> QAction * {
        const QList<QAction *> actions = current->actions();
        for (QAction *action : actions) {
            for (const QKeySequence &sequence : action->shortcuts()) {
                if (sequence.count() != 1)
                    continue;
                const QKeyCombination combination = sequence[0];
                const int itemKey = int(QChar::toUpper(char32_t(combination.key())));
                if (itemKey == key && (combination.keyboardModifiers() & ~Qt::KeypadModifier) == modifiers)
                    return action;
            }
            if (const QMenu *submenu = action->menu()) {
                if (QAction *found = search(submenu))
                    return found;
            }
        }
        return nullptr;
    };
    return search(menu);
}

} // namespace quillet::shortcuts
