#pragma once

#include "shortcuts/Name.h"
#include "shortcuts/RecorderController.h"
#include "ui/settings/KeyStrokeReader.h"

#include <QLineEdit>

#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace quillet {

namespace shortcuts {
class KeyboardShortcuts;
}

// The shortcut recorder field: shows one named shortcut and records a new one
// while it has the focus. Recording holds the keyboard, so a combination that
// the desktop or another application has grabbed reaches the field too (and
// the library's own hot keys are released meanwhile). Refused combinations
// beep; conflicts are explained in a message box. The text follows the
// library whenever the shortcut changes elsewhere.
class ShortcutRecorderField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int minimumFieldWidth = 130;

    ShortcutRecorderField(
        shortcuts::KeyboardShortcuts &library, shortcuts::Name name, QWidget *parent = nullptr);
    ~ShortcutRecorderField() override;

    shortcuts::RecorderController &controller() { return *m_controller; }
    const shortcuts::Name &shortcutName() const { return m_controller->shortcutName(); }
    bool isRecording() const { return m_controller->isRecording(); }

    // Called with the new shortcut (or none) after the user changed it.
    void setOnChange(std::function<void(std::optional<shortcuts::Shortcut>)> onChange);
    // The menu whose shortcuts a new combination must not repeat; the
    // standard editing commands of every application unless replaced.
    void setMenu(QMenu *menu);
    // How key events become key strokes on this platform (by the key's
    // position); events it cannot read fall back to their Qt key.
    void setKeyStrokeReader(KeyStrokeReader reader) { m_reader = std::move(reader); }
    // Replaces the beep and the message boxes (the field does not own them).
    void setAlerts(shortcuts::RecorderAlerts *alerts);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    class DialogAlerts;
    class ForwardingAlerts;

    void recordingChanged(bool recording);
    bool handleKeyPress(QKeyEvent *event);
    std::optional<shortcuts::KeyStroke> read(const QKeyEvent &event) const;

    std::unique_ptr<DialogAlerts> m_dialogAlerts;
    std::unique_ptr<ForwardingAlerts> m_alerts;
    std::unique_ptr<shortcuts::RecorderController> m_controller;
    KeyStrokeReader m_reader;
    QAction *m_clearAction = nullptr;
    bool m_handlingKey = false;
    bool m_releaseFocusAfterKey = false;
};

} // namespace quillet
