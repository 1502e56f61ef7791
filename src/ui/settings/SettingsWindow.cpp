#include "ui/settings/SettingsWindow.h"

#include "ui/settings/SettingsView.h"

namespace quillet {

SettingsWindow::SettingsWindow(SettingsServices services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
{
}

SettingsWindow::~SettingsWindow()
{
    delete m_view.data();
}

void SettingsWindow::show()
{
    if (!m_view) {
        m_view = new SettingsView(m_services);
        m_view->setAttribute(Qt::WA_DeleteOnClose);
        // Not the application's main window: closing it must not count as
        // the last window closing.
        m_view->setAttribute(Qt::WA_QuitOnClose, false);
        Q_EMIT created(m_view);
    }
    if (m_view->isMinimized())
        m_view->showNormal();
    else
        m_view->show();
    m_view->raise();
    m_view->activateWindow();
}

void SettingsWindow::showSnippet(const QUuid &snippet)
{
    show();
    m_view->showSnippet(snippet);
}

} // namespace quillet
