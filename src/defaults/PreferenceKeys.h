#pragma once

#include <QString>

namespace quillet::keys {

// Every preference Quillet reads or writes, with its type and default.
// The clipboard and menu settings (SettingsViewModel).
inline const QString maxHistorySize = QStringLiteral("maxHistorySize"); // integer; 0/absent: 500
inline const QString pollingInterval = QStringLiteral("pollingInterval"); // double seconds; 0/absent: 0.5
inline const QString menuItemCount = QStringLiteral("menuItemCount"); // integer; 0/absent: 20
inline const QString menuWidth = QStringLiteral("menuWidth"); // double points; 0/absent: 340
inline const QString pasteAfterSelection = QStringLiteral("pasteAfterSelection"); // Boolean; absent: true
inline const QString soundEnabled = QStringLiteral("soundEnabled"); // Boolean; absent: false
// Copies from these applications (desktop IDs) are not recorded.
inline const QString excludedAppBundleIDs = QStringLiteral("excludedAppBundleIDs"); // string list
// Start-up and shortcut bookkeeping.
inline const QString hasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding"); // Boolean
inline const QString launcherShortcutInitialized = QStringLiteral("launcherShortcutInitialized"); // Boolean
// The Gemini client and its callers.
inline const QString geminiAPIKey = QStringLiteral("geminiAPIKey"); // string; absent: ""
inline const QString geminiModel = QStringLiteral("geminiModel"); // string; absent/empty: each caller's model
inline const QString geminiBaseURL
    = QStringLiteral("geminiBaseURL"); // string; absent/empty: the public endpoint
inline const QString aiChatApprovalMode = QStringLiteral("aiChatApprovalMode"); // string; absent: "always"
inline const QString terminalApprovalMode
    = QStringLiteral("terminalApprovalMode"); // string; absent: "agentDecides"
inline const QString aiUsageInputTokens = QStringLiteral("aiUsageInputTokens"); // integer running total
inline const QString aiUsageOutputTokens = QStringLiteral("aiUsageOutputTokens"); // integer running total
// Shortcuts are stored under this prefix followed by the shortcut's name.
inline const QString keyboardShortcutPrefix = QStringLiteral("KeyboardShortcuts_");

} // namespace quillet::keys
