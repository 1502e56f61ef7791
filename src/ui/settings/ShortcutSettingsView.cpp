#include "ui/settings/ShortcutSettingsView.h"

#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"
#include "ui/settings/ShortcutRecorderField.h"

#include <QBoxLayout>

namespace quillet {

ShortcutSettingsView::ShortcutSettingsView(shortcuts::KeyboardShortcuts &library,
    const AppShortcutNames &names, const KeyStrokeReader &reader, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *page = new SettingsPage(this);
    layout->addWidget(page);
    SettingsSection *section = page->addSection(QStringLiteral("Global Shortcuts"));

    const std::pair<const char *, const shortcuts::Name *> rows[] = {
        { "Toggle floating panel:", &names.togglePanel },
        { "Open history:", &names.openHistory },
        { "Open snippets:", &names.openSnippets },
        { "AI Transform:", &names.aiTransform },
        { "App Launcher:", &names.openLauncher },
    };
    for (const auto &[label, name] : rows) {
        auto *recorder = new ShortcutRecorderField(library, *name);
        recorder->setKeyStrokeReader(reader);
        recorder->setMinimumWidth(160);
        m_recorders.append(recorder);
        section->addRow(QString::fromUtf8(label), recorder);
    }
}

} // namespace quillet
