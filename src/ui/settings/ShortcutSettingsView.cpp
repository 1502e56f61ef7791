#include "ui/settings/ShortcutSettingsView.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "ui/common/Palette.h"
#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"
#include "ui/settings/ShortcutRecorderField.h"

#include <QBoxLayout>
#include <QLabel>

namespace quillet {

ShortcutSettingsView::ShortcutSettingsView(shortcuts::KeyboardShortcuts &library,
    const AppShortcutNames &names, const KeyStrokeReader &reader, QWidget *parent)
    : QWidget(parent)
    , m_library(library)
{
    SettingsPage *page = SettingsPage::filling(this);
    SettingsSection *section = page->addSection(tr("Global Shortcuts"));

    // The command line does what the first three shortcuts do.
    const struct {
        const char *label;
        const shortcuts::Name *name;
        const char *command;
    } rows[] = {
        { QT_TR_NOOP("Toggle floating panel:"), &names.togglePanel, "quillet toggle" },
        { QT_TR_NOOP("Open history:"), &names.openHistory, "quillet show history" },
        { QT_TR_NOOP("Open snippets:"), &names.openSnippets, "quillet show snippets" },
        { QT_TR_NOOP("AI Transform:"), &names.aiTransform, nullptr },
        { QT_TR_NOOP("App Launcher:"), &names.openLauncher, nullptr },
    };
    QFont noteFont = font();
    noteFont.setPixelSize(11);
    for (const auto &row : rows) {
        auto *recorder = new ShortcutRecorderField(library, *row.name);
        recorder->setKeyStrokeReader(reader);
        recorder->setMinimumWidth(160);
        m_recorders.append(recorder);
        // The recorder with, under it, why its keys do nothing.
        auto *control = new QWidget;
        auto *column = new QVBoxLayout(control);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
        column->addWidget(recorder, 0, Qt::AlignRight);
        auto *note = new QLabel(tr("Used by another application"));
        note->setObjectName(QStringLiteral("grabRefused"));
        note->setFont(noteFont);
        QPalette notePalette = note->palette();
        notePalette.setColor(QPalette::WindowText, errorRed());
        note->setPalette(notePalette);
        note->setToolTip(
            tr("Another application has taken these keys, so they do not reach Quillet. Record other keys, "
               "or free them in that application and record them again."));
        note->hide();
        column->addWidget(note, 0, Qt::AlignRight);
        m_refusalNotes.append(note);
        section->addRow(tr(row.label), control);
        if (row.command)
            m_commands.append({ *row.name, QString::fromLatin1(row.command) });
    }

    m_caption = captionLabel(QString());
    m_caption->setObjectName(QStringLiteral("shortcutsCaption"));
    m_caption->setTextFormat(Qt::RichText);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
    section->addWidget(m_caption);

    connect(&m_library, &shortcuts::KeyboardShortcuts::availabilityChanged, this,
        &ShortcutSettingsView::showAvailability);
    connect(&m_library, &shortcuts::KeyboardShortcuts::grabRefusalsChanged, this,
        &ShortcutSettingsView::showRefusals);
    connect(&m_library, &shortcuts::KeyboardShortcuts::shortcutByNameDidChange, this,
        &ShortcutSettingsView::showRefusals);
    showAvailability();
    showRefusals();
}

void ShortcutSettingsView::showRefusals()
{
    for (qsizetype row = 0; row < m_recorders.size(); ++row)
        m_refusalNotes[row]->setVisible(m_library.isGrabRefused(m_recorders[row]->shortcutName()));
}

QStringList ShortcutSettingsView::compositorBindings(
    shortcuts::KeyboardShortcuts &library, const QList<std::pair<shortcuts::Name, QString>> &commands)
{
    // The XDG notation's modifiers in sway's words; $mod is the Super key in
    // sway's default configuration.
    const std::pair<QString, QString> modifiers[] = { { QStringLiteral("LOGO"), QStringLiteral("$mod") },
        { QStringLiteral("SHIFT"), QStringLiteral("Shift") },
        { QStringLiteral("CTRL"), QStringLiteral("Ctrl") },
        { QStringLiteral("ALT"), QStringLiteral("Mod1") } };
    QStringList lines;
    for (const auto &[name, command] : commands) {
        const auto shortcut = library.shortcut(name);
        const auto notation = shortcut ? library.desktopNotation(*shortcut) : std::nullopt;
        if (!notation)
            continue;
        QStringList parts = notation->split(QLatin1Char('+'));
        // Modifiers first with Super leading, as sway's own configuration writes them.
        QStringList keys;
        for (const auto &[xdg, sway] : modifiers) {
            if (parts.removeOne(xdg))
                keys.append(sway);
        }
        keys += parts;
        lines.append(QStringLiteral("bindsym %1 exec %2").arg(keys.join(QLatin1Char('+')), command));
    }
    return lines;
}

void ShortcutSettingsView::showAvailability()
{
    const bool available = m_library.isAvailable();
    for (ShortcutRecorderField *recorder : std::as_const(m_recorders))
        recorder->setEnabled(available);

    QString text;
    if (m_library.isManagedByDesktop()) {
        text = m_library.canConfigureInDesktop()
            ? tr("Your desktop keeps these shortcuts. Click one to change it in the desktop's own "
                 "dialog.")
            : tr("Your desktop keeps these shortcuts: change them in its keyboard settings.");
    } else if (!available) {
        text = tr("This desktop offers applications no global shortcuts. Bind Quillet's commands to "
                  "keys in your compositor's configuration instead");
        const QStringList lines = compositorBindings(m_library, m_commands);
        if (lines.isEmpty()) {
            text += QLatin1Char('.');
        } else {
            text += tr(", for sway in ~/.config/sway/config:<pre>%1</pre>")
                        .arg(lines.join(QLatin1Char('\n')).toHtmlEscaped());
        }
    }
    m_caption->setText(text);
    m_caption->setVisible(!text.isEmpty());
}

} // namespace quillet
