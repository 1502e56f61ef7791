#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace quillet {

class AppState;
class Defaults;
class SnippetsViewModel;
class Store;

// Quillet's tray icon ("clipboard") and the popup it opens: the history and
// snippets lists with Clear, Settings... and Quit. The popup is built afresh
// each time it opens, next to the icon, or at the pointer when the tray does
// not say where the icon is.
class TrayController : public QObject {
    Q_OBJECT
public:
    TrayController(AppState &state, Store &store, SnippetsViewModel &snippets, Defaults &defaults,
        QObject *parent = nullptr);
    ~TrayController() override;

    // Whether a system tray exists (else Quillet runs on its hot keys alone).
    bool isAvailable() const;

    void showPopup();
    void hidePopup();
    QWidget *popup() const { return m_popup; }

private:
    AppState &m_state;
    Store &m_store;
    SnippetsViewModel &m_snippets;
    Defaults &m_defaults;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QWidget> m_popup;
};

} // namespace quillet
