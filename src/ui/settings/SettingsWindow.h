#pragma once

#include "ui/settings/SettingsServices.h"
#include "ui/settings/SettingsView.h"

#include <QObject>
#include <QPointer>

namespace quillet {

// Opens the settings window on demand: built when first asked for, brought to
// the front when already open, and destroyed when the user closes it (the
// next show() builds a fresh one). Closing it never ends the application.
class SettingsWindow : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindow(SettingsServices services, QObject *parent = nullptr);
    ~SettingsWindow() override;

    void show();
    // The open window, if any.
    SettingsView *view() const { return m_view; }

Q_SIGNALS:
    // A new window was built (before it is first shown).
    void created(quillet::SettingsView *view);

private:
    SettingsServices m_services;
    QPointer<SettingsView> m_view;
};

} // namespace quillet
