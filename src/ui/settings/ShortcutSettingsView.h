#pragma once

#include "ui/settings/KeyStrokeReader.h"
#include "ui/settings/SettingsServices.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace quillet {

class ShortcutRecorderField;

// The Shortcuts tab: one recorder for each of the five global shortcuts. A
// recorded combination is stored and grabbed at once; one that another
// application holds is marked under its recorder. Where the desktop keeps
// the shortcuts (the desktop portal), the fields show its triggers and a
// caption says where to change them; where global shortcuts are impossible
// (sway), the fields are off and the caption gives the compositor lines that
// run Quillet's commands instead.
class ShortcutSettingsView : public QWidget {
    Q_OBJECT
public:
    ShortcutSettingsView(shortcuts::KeyboardShortcuts &library, const AppShortcutNames &names,
        const KeyStrokeReader &reader = {}, QWidget *parent = nullptr);

    // In the order of the rows.
    const QList<ShortcutRecorderField *> &recorders() const { return m_recorders; }
    // The caption under the shortcuts (hidden when there is nothing to say).
    QLabel *caption() const { return m_caption; }
    // The red note under a recorder whose keys another application holds
    // (hidden otherwise); in the order of the rows.
    const QList<QLabel *> &refusalNotes() const { return m_refusalNotes; }

    // sway's configuration lines binding each command's shortcut, e.g.
    // "bindsym $mod+Shift+v exec quillet toggle".
    static QStringList compositorBindings(
        shortcuts::KeyboardShortcuts &library, const QList<std::pair<shortcuts::Name, QString>> &commands);

private:
    void showAvailability();
    void showRefusals();

    shortcuts::KeyboardShortcuts &m_library;
    QList<ShortcutRecorderField *> m_recorders;
    QList<QLabel *> m_refusalNotes;
    QList<std::pair<shortcuts::Name, QString>> m_commands;
    QLabel *m_caption;
};

} // namespace quillet
