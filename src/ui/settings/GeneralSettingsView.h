#pragma once

#include "ui/settings/SettingsServices.h"

#include <QWidget>

#include <chrono>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quillet {

class Clock;
class KeySynthesizer;
class LaunchAtLoginService;
class SettingsPage;
class SettingsViewModel;
class Stepper;
class ToggleSwitch;
class UpdateService;

// The General tab: history size (a smaller one that would remove entries
// asks first), polling interval and paste behaviour,
// launch at login, updates, and whether synthetic keystrokes (needed to paste)
// are possible, re-checked every two seconds while the tab is shown.
class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds accessibilityRefreshInterval { 2000 };

    // `store` tells how many entries a smaller history size would remove.
    GeneralSettingsView(SettingsViewModel &viewModel, LaunchAtLoginService &launchAtLogin,
        UpdateService &updates, KeySynthesizer &keys, Clock &clock, Store &store,
        PasteExplanation explanation = {}, QWidget *parent = nullptr);

    bool accessibilityGranted() const { return m_accessibilityGranted; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildClipboardSection(SettingsPage *page);
    void buildStartupSection(SettingsPage *page);
    void buildUpdatesSection(SettingsPage *page);
    void buildAccessibilitySection(SettingsPage *page);
    void showHistorySize();
    // A size below what the history holds asks first; "Cancel" keeps the old one.
    void commitHistorySize(int size);
    void showPollingInterval();
    void showUpdates();
    void refreshAccessibility();
    void scheduleAccessibilityRefresh();
    void grantAccess();

    SettingsViewModel &m_viewModel;
    LaunchAtLoginService &m_launchAtLogin;
    UpdateService &m_updates;
    KeySynthesizer &m_keys;
    Clock &m_clock;
    Store &m_store;
    PasteExplanation m_explanation;

    QLabel *m_historySizeLabel = nullptr;
    Stepper *m_historySize = nullptr;
    QComboBox *m_pollingInterval = nullptr;
    ToggleSwitch *m_pasteAfterSelection = nullptr;
    ToggleSwitch *m_launchAtLoginSwitch = nullptr;
    ToggleSwitch *m_automaticUpdates = nullptr;
    QPushButton *m_checkForUpdates = nullptr;
    QLabel *m_lastChecked = nullptr;
    QLabel *m_accessibilityIcon = nullptr;
    QLabel *m_accessibilityText = nullptr;
    QLabel *m_accessibilityHint = nullptr;
    QPushButton *m_grantAccess = nullptr;

    bool m_accessibilityGranted = false;
    // Bumped when the tab hides, so a refresh scheduled earlier does nothing.
    quint64 m_refreshGeneration = 0;
};

} // namespace quillet
