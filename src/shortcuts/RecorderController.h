#pragma once

#include "shortcuts/Name.h"
#include "shortcuts/Shortcut.h"

#include <QMenu>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillet::shortcuts {

class KeyboardShortcuts;

// A key press as the recorder sees it: the key code and the modifiers in the
// stored encoding, lock keys already left out.
struct KeyStroke {
    int keyCode = 0;
    int modifiers = 0;
};

// What the recorder shows the user besides its own text: the beep for a
// combination that cannot be a shortcut, and alerts about conflicts.
class RecorderAlerts {
public:
    virtual ~RecorderAlerts() = default;
    virtual void beep() = 0;
    // Shows a modal message with the given buttons, the first being the
    // default; answers the index of the button the user chose.
    virtual int showAlert(const QString &message, const QString &informativeText, const QStringList &buttons)
        = 0;
};

// The rules of the shortcut recorder field, free of any widget: the field
// forwards focus changes, key presses and clicks, and shows text and
// placeholder. Recording sets the library's recorder-active flag, so pressing a
// registered combination records it instead of running its action.
//
// Where the desktop decides the keys, the recorder records nothing: it shows
// the desktop's trigger, and activating it opens the desktop's own dialog.
class RecorderController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString placeholder READ placeholder NOTIFY placeholderChanged)
    Q_PROPERTY(bool recording READ isRecording NOTIFY recordingChanged)
    Q_PROPERTY(bool cancelButtonVisible READ isCancelButtonVisible NOTIFY cancelButtonVisibleChanged)
public:
    enum class Disposition { passOn, swallow };

    RecorderController(
        KeyboardShortcuts &library, Name name, RecorderAlerts &alerts, QObject *parent = nullptr);
    ~RecorderController() override;

    const Name &shortcutName() const { return m_name; }
    // The menu whose shortcuts a new combination must not repeat.
    void setMenu(QMenu *menu) { m_menu = menu; }
    // Called with the new shortcut (or none) after the user changed it.
    void setOnChange(std::function<void(std::optional<Shortcut>)> onChange)
    {
        m_onChange = std::move(onChange);
    }

    QString text() const { return m_text; }
    QString placeholder() const { return m_placeholder; }
    bool isRecording() const { return m_recording; }
    bool isCancelButtonVisible() const { return m_cancelButtonVisible; }
    // Whether the desktop decides the keys (see above).
    bool showsDesktopTrigger() const;

    // The field took focus / lost it (or its window stopped being active).
    void startRecording();
    void stopRecording();

    Disposition handleKeyPress(const KeyStroke &press);
    // A mouse button released at a position in the field's coordinates.
    Disposition handleMouseUp(QPointF position, QRectF fieldBounds);
    // The cancel button, or the text cleared: the shortcut is removed.
    void clear();
    // A click, or Return, on a field whose keys the desktop decides.
    void activate();

Q_SIGNALS:
    void textChanged(const QString &text);
    void placeholderChanged(const QString &placeholder);
    void recordingChanged(bool recording);
    void cancelButtonVisibleChanged(bool visible);
    // Recording ended by the recorder itself; the field gives up focus.
    void focusReleaseRequested();
    // A refused combination was explained; the field takes focus again and the
    // recorder records again, so the user can try another one.
    void focusRequested();

private:
    void setText(const QString &text);
    void setPlaceholder(const QString &placeholder);
    void updateCancelButton();
    QString idlePlaceholder() const;
    void showStoredShortcut();
    void endRecording();
    void returnFocus();
    void store(const std::optional<Shortcut> &shortcut);

    KeyboardShortcuts &m_library;
    Name m_name;
    RecorderAlerts &m_alerts;
    QPointer<QMenu> m_menu;
    std::function<void(std::optional<Shortcut>)> m_onChange;
    QString m_text;
    QString m_placeholder;
    bool m_recording = false;
    bool m_cancelButtonVisible = false;
};

} // namespace quillet::shortcuts
