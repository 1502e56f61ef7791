#include "shortcuts/RecorderController.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/Localization.h"
#include "shortcuts/SpecialKey.h"

#include <QAction>
#include <QMenu>

namespace quillet::shortcuts {

namespace {

constexpr int kTab = 48;
constexpr int kEscape = 53;
constexpr int kDelete = 51;
constexpr int kForwardDelete = 117;

// A click this close outside the field still counts as inside.
constexpr qreal kClickSlack = 3.0;

// An action's text without its mnemonic markers ("&&" is a literal "&").
QString plainTitle(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                result += text[++i];
            continue;
        }
        result += text[i];
    }
    return result;
}

} // namespace

RecorderController::RecorderController(
    KeyboardShortcuts &library, Name name, RecorderAlerts &alerts, QObject *parent)
    : QObject(parent)
    , m_library(library)
    , m_name(std::move(name))
    , m_alerts(alerts)
    , m_placeholder(idlePlaceholder())
{
    showStoredShortcut();
    connect(&m_library, &KeyboardShortcuts::shortcutByNameDidChange, this, [this](const Name &changed) {
        if (changed == m_name)
            showStoredShortcut();
    });
    connect(&m_library, &KeyboardShortcuts::availabilityChanged, this, [this] {
        if (showsDesktopTrigger())
            stopRecording();
        setPlaceholder(idlePlaceholder());
        showStoredShortcut();
    });
}

bool RecorderController::showsDesktopTrigger() const
{
    return m_library.isManagedByDesktop();
}

QString RecorderController::idlePlaceholder() const
{
    if (!showsDesktopTrigger())
        return localized(QStringLiteral("record_shortcut"));
    return localized(m_library.canConfigureInDesktop() ? QStringLiteral("set_in_desktop")
                                                       : QStringLiteral("not_assigned"));
}

void RecorderController::activate()
{
    if (showsDesktopTrigger())
        m_library.configureInDesktop();
}

RecorderController::~RecorderController()
{
    if (m_recording)
        m_library.setRecorderActive(false);
}

void RecorderController::startRecording()
{
    if (m_recording || showsDesktopTrigger())
        return;
    m_recording = true;
    setPlaceholder(localized(QStringLiteral("press_shortcut")));
    m_library.setRecorderActive(true);
    Q_EMIT recordingChanged(true);
}

void RecorderController::stopRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    setPlaceholder(idlePlaceholder());
    m_library.setRecorderActive(false);
    Q_EMIT recordingChanged(false);
}

RecorderController::Disposition RecorderController::handleMouseUp(QPointF position, QRectF fieldBounds)
{
    if (m_recording
        && !fieldBounds.adjusted(-kClickSlack, -kClickSlack, kClickSlack, kClickSlack).contains(position))
        endRecording();
    return Disposition::passOn;
}

RecorderController::Disposition RecorderController::handleKeyPress(const KeyStroke &press)
{
    if (!m_recording)
        return Disposition::passOn;
    const int modifiers = press.modifiers & knownModifiers;

    if (modifiers == 0) {
        switch (press.keyCode) {
        case kTab:
            endRecording();
            return Disposition::passOn;
        case kEscape:
            endRecording();
            return Disposition::swallow;
        case kDelete:
        case kForwardDelete:
            clear();
            return Disposition::swallow;
        default:
            break;
        }
    }

    if ((modifiers & (control | option | command)) == 0 && !isFunctionKey(press.keyCode)) {
        m_alerts.beep();
        return Disposition::swallow;
    }

    const Shortcut shortcut(press.keyCode, modifiers);

    if (const QAction *item = m_library.matchingMenuItem(m_menu, shortcut)) {
        endRecording();
        m_alerts.showAlert(
            localized(QStringLiteral("keyboard_shortcut_used_by_menu_item")).arg(plainTitle(item->text())),
            {}, { localized(QStringLiteral("ok")) });
        returnFocus();
        return Disposition::swallow;
    }

    if (m_library.isSystemShortcut(shortcut)) {
        endRecording();
        const int choice = m_alerts.showAlert(localized(QStringLiteral("keyboard_shortcut_used_by_system")),
            localized(QStringLiteral("keyboard_shortcuts_can_be_changed")),
            { localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut")) });
        if (choice != 1) {
            returnFocus();
            return Disposition::swallow;
        }
    }

    setText(m_library.description(shortcut));
    store(shortcut);
    endRecording();
    return Disposition::swallow;
}

void RecorderController::clear()
{
    setText(QString());
    store(std::nullopt);
}

void RecorderController::store(const std::optional<Shortcut> &shortcut)
{
    m_library.setShortcut(shortcut, m_name);
    if (m_onChange)
        m_onChange(shortcut);
}

void RecorderController::endRecording()
{
    if (!m_recording)
        return;
    stopRecording();
    Q_EMIT focusReleaseRequested();
}

void RecorderController::returnFocus()
{
    startRecording();
    Q_EMIT focusRequested();
}

void RecorderController::showStoredShortcut()
{
    if (showsDesktopTrigger()) {
        setText(m_library.assignedTrigger(m_name).value_or(QString()));
    } else {
        const auto current = m_library.shortcut(m_name);
        setText(current ? m_library.description(*current) : QString());
    }
    updateCancelButton();
}

void RecorderController::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged(text);
    updateCancelButton();
}

// The desktop's triggers are removed in the desktop, not here.
void RecorderController::updateCancelButton()
{
    const bool visible = !m_text.isEmpty() && !showsDesktopTrigger();
    if (m_cancelButtonVisible == visible)
        return;
    m_cancelButtonVisible = visible;
    Q_EMIT cancelButtonVisibleChanged(visible);
}

void RecorderController::setPlaceholder(const QString &placeholder)
{
    if (m_placeholder == placeholder)
        return;
    m_placeholder = placeholder;
    Q_EMIT placeholderChanged(placeholder);
}

} // namespace quillet::shortcuts
