#include "ui/settings/AdvancedSettingsView.h"

#include "settings/SettingsViewModel.h"
#include "store/Store.h"
#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardPaths>

namespace quillet {

AdvancedSettingsView::AdvancedSettingsView(SettingsViewModel &viewModel, Store &store, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_store(store)
    , m_chooseSaveFile(&AdvancedSettingsView::chooseSaveFileWithDialog)
{
    SettingsPage *page = SettingsPage::filling(this);

    SettingsSection *database = page->addSection(tr("Database"));
    m_databaseSize = new QLabel(m_viewModel.databaseSize());
    m_databaseSize->setObjectName(QStringLiteral("databaseSize"));
    m_databaseSize->setTextInteractionFlags(Qt::TextSelectableByMouse);
    database->addRow(tr("Database size:"), m_databaseSize);
    connect(&m_viewModel, &SettingsViewModel::databaseSizeChanged, this,
        [this] { m_databaseSize->setText(m_viewModel.databaseSize()); });

    SettingsSection *data = page->addSection(tr("Data Management"));
    auto *exportButton = new QPushButton(tr("Export History..."));
    exportButton->setObjectName(QStringLiteral("exportHistory"));
    data->addWidget(exportButton)->layout()->setAlignment(exportButton, Qt::AlignLeft);
    connect(exportButton, &QPushButton::clicked, this, &AdvancedSettingsView::exportHistory);

    auto *resetButton = new QPushButton(tr("Reset All History"));
    resetButton->setObjectName(QStringLiteral("resetHistory"));
    // The destructive role: red text.
    QPalette palette = resetButton->palette();
    palette.setColor(QPalette::ButtonText, QColor(0xd7, 0x26, 0x1e));
    resetButton->setPalette(palette);
    data->addWidget(resetButton)->layout()->setAlignment(resetButton, Qt::AlignLeft);
    connect(resetButton, &QPushButton::clicked, this, &AdvancedSettingsView::resetHistory);
}

void AdvancedSettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_viewModel.updateDatabaseSize();
}

QString AdvancedSettingsView::chooseSaveFileWithDialog(QWidget *parent)
{
    QFileDialog dialog(parent, tr("Export History"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("JSON (*.json)"));
    dialog.setDefaultSuffix(QStringLiteral("json"));
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(QStringLiteral("quillet-export.json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void AdvancedSettingsView::exportHistory()
{
    const QString path = m_chooseSaveFile ? m_chooseSaveFile(window()) : QString();
    if (path.isEmpty())
        return;
    // The file is replaced only by a complete export: a failure leaves an
    // existing file as it was.
    if (const auto error = m_viewModel.exportHistory(m_store, path))
        showError(path, *error);
}

void AdvancedSettingsView::showError(const QString &path, const QString &error)
{
    QMessageBox box(QMessageBox::Warning, tr("Export History"), tr("The history could not be exported."),
        QMessageBox::Ok, window());
    box.setObjectName(QStringLiteral("exportError"));
    box.setInformativeText(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error));
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

void AdvancedSettingsView::resetHistory()
{
    QMessageBox box(QMessageBox::Warning, resetTitle(), resetTitle(), QMessageBox::NoButton, window());
    box.setObjectName(QStringLiteral("resetConfirmation"));
    box.setInformativeText(resetMessage());
    QPushButton *cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton *reset = box.addButton(tr("Reset"), QMessageBox::DestructiveRole);
    QPalette palette = reset->palette();
    palette.setColor(QPalette::ButtonText, QColor(0xd7, 0x26, 0x1e));
    reset->setPalette(palette);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    if (box.clickedButton() == reset)
        m_store.deleteAllItems();
}

} // namespace quillet
