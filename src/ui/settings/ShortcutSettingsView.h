#pragma once

#include "ui/settings/KeyStrokeReader.h"
#include "ui/settings/SettingsServices.h"

#include <QList>
#include <QWidget>

namespace quillet {

class ShortcutRecorderField;

// The Shortcuts tab: one recorder for each of the five global shortcuts. A
// recorded combination is stored and grabbed at once.
class ShortcutSettingsView : public QWidget {
    Q_OBJECT
public:
    ShortcutSettingsView(shortcuts::KeyboardShortcuts &library, const AppShortcutNames &names,
        const KeyStrokeReader &reader = {}, QWidget *parent = nullptr);

    // In the order of the rows.
    const QList<ShortcutRecorderField *> &recorders() const { return m_recorders; }

private:
    QList<ShortcutRecorderField *> m_recorders;
};

} // namespace quillet
