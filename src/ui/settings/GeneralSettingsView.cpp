#include "ui/settings/GeneralSettingsView.h"

#include "core/Clock.h"
#include "platform/KeySynthesizer.h"
#include "settings/LaunchAtLoginService.h"
#include "settings/SettingsViewModel.h"
#include "settings/UpdateService.h"
#include "store/Store.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/controls/Stepper.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/settings/SettingsPage.h"
#include "ui/settings/SettingsSection.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

namespace quillet {

namespace {

const struct {
    double seconds;
    const char *label;
} kPollingChoices[] = {
    { 0.25, QT_TRANSLATE_NOOP("GeneralSettingsView", "0.25s (Faster)") },
    { 0.5, QT_TRANSLATE_NOOP("GeneralSettingsView", "0.5s (Default)") },
    { 1.0, QT_TRANSLATE_NOOP("GeneralSettingsView", "1.0s (Slower)") },
    { 2.0, QT_TRANSLATE_NOOP("GeneralSettingsView", "2.0s (Battery saver)") },
};

const QColor kGranted(0x28, 0xa7, 0x45);
const QColor kRequired(0xf0, 0x8c, 0x00);

// "just now", "5 minutes ago", "yesterday", "3 days ago", …
QString relativeTime(const QDateTime &then, const QDateTime &now)
{
    const qint64 seconds = then.secsTo(now);
    if (seconds < 60)
        return QCoreApplication::translate("GeneralSettingsView", "just now");
    const auto ago = [](const char *text, qint64 count) {
        return QCoreApplication::translate("GeneralSettingsView", text, nullptr, int(count));
    };
    if (seconds < 3600)
        return ago(QT_TRANSLATE_N_NOOP("GeneralSettingsView", "%n minute(s) ago"), seconds / 60);
    if (seconds < 86400)
        return ago(QT_TRANSLATE_N_NOOP("GeneralSettingsView", "%n hour(s) ago"), seconds / 3600);
    const qint64 days = seconds / 86400;
    if (days == 1)
        return QCoreApplication::translate("GeneralSettingsView", "yesterday");
    if (days < 31)
        return ago(QT_TRANSLATE_N_NOOP("GeneralSettingsView", "%n day(s) ago"), days);
    if (days < 365)
        return ago(QT_TRANSLATE_N_NOOP("GeneralSettingsView", "%n month(s) ago"), days / 30);
    return ago(QT_TRANSLATE_N_NOOP("GeneralSettingsView", "%n year(s) ago"), days / 365);
}

} // namespace

GeneralSettingsView::GeneralSettingsView(SettingsViewModel &viewModel, LaunchAtLoginService &launchAtLogin,
    UpdateService &updates, KeySynthesizer &keys, Clock &clock, Store &store, PasteExplanation explanation,
    QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_launchAtLogin(launchAtLogin)
    , m_updates(updates)
    , m_keys(keys)
    , m_clock(clock)
    , m_store(store)
    , m_explanation(std::move(explanation))
{
    SettingsPage *page = SettingsPage::filling(this);
    buildClipboardSection(page);
    buildStartupSection(page);
    buildUpdatesSection(page);
    buildAccessibilitySection(page);
    m_accessibilityGranted = m_keys.isTrusted();
    refreshAccessibility();
}

void GeneralSettingsView::buildClipboardSection(SettingsPage *page)
{
    SettingsSection *section = page->addSection(tr("Clipboard"));

    m_historySizeLabel = new QLabel;
    m_historySizeLabel->setObjectName(QStringLiteral("historySizeLabel"));
    m_historySize = new Stepper(50, 5000, 50);
    m_historySize->setObjectName(QStringLiteral("historySize"));
    m_historySize->setMinimumWidth(80);
    section->addRow(m_historySizeLabel, m_historySize);
    showHistorySize();
    connect(m_historySize, &QSpinBox::valueChanged, this, &GeneralSettingsView::commitHistorySize);
    connect(
        &m_viewModel, &SettingsViewModel::maxHistorySizeChanged, this, &GeneralSettingsView::showHistorySize);

    m_pollingInterval = new QComboBox;
    m_pollingInterval->setObjectName(QStringLiteral("pollingInterval"));
    for (const auto &choice : kPollingChoices)
        m_pollingInterval->addItem(
            QCoreApplication::translate("GeneralSettingsView", choice.label), choice.seconds);
    // Copies are noticed as they happen; the interval only applies where the
    // X server cannot report them.
    section->addRow(tr("Polling interval (without XFixes)"), m_pollingInterval);
    m_pollingInterval->setToolTip(
        tr("Copies are noticed as they happen. Only when the X server cannot report clipboard changes "
           "is the clipboard checked this often."));
    showPollingInterval();
    connect(m_pollingInterval, &QComboBox::activated, this,
        [this](int index) { m_viewModel.setPollingInterval(m_pollingInterval->itemData(index).toDouble()); });
    connect(&m_viewModel, &SettingsViewModel::pollingIntervalChanged, this,
        &GeneralSettingsView::showPollingInterval);

    m_pasteAfterSelection = new ToggleSwitch;
    m_pasteAfterSelection->setObjectName(QStringLiteral("pasteAfterSelection"));
    m_pasteAfterSelection->setChecked(m_viewModel.pasteAfterSelection());
    section->addRow(tr("Paste after selecting item"), m_pasteAfterSelection);
    connect(m_pasteAfterSelection, &ToggleSwitch::toggled, &m_viewModel,
        &SettingsViewModel::setPasteAfterSelection);
    connect(&m_viewModel, &SettingsViewModel::pasteAfterSelectionChanged, this, [this] {
        const QSignalBlocker blocker(m_pasteAfterSelection);
        m_pasteAfterSelection->setChecked(m_viewModel.pasteAfterSelection());
    });
}

void GeneralSettingsView::buildStartupSection(SettingsPage *page)
{
    SettingsSection *section = page->addSection(tr("Startup"));
    m_launchAtLoginSwitch = new ToggleSwitch;
    m_launchAtLoginSwitch->setObjectName(QStringLiteral("launchAtLogin"));
    m_launchAtLoginSwitch->setChecked(m_launchAtLogin.isEnabled());
    section->addRow(tr("Launch at login"), m_launchAtLoginSwitch);
    connect(
        m_launchAtLoginSwitch, &ToggleSwitch::toggled, &m_launchAtLogin, &LaunchAtLoginService::setEnabled);
    // Also the snap back when the desktop refused the change.
    connect(&m_launchAtLogin, &LaunchAtLoginService::isEnabledChanged, this, [this](bool enabled) {
        const QSignalBlocker blocker(m_launchAtLoginSwitch);
        m_launchAtLoginSwitch->setChecked(enabled);
    });
}

void GeneralSettingsView::buildUpdatesSection(SettingsPage *page)
{
    SettingsSection *section = page->addSection(tr("Updates"));
    m_automaticUpdates = new ToggleSwitch;
    m_automaticUpdates->setObjectName(QStringLiteral("automaticUpdates"));
    section->addRow(tr("Automatically check for updates"), m_automaticUpdates);
    connect(m_automaticUpdates, &ToggleSwitch::toggled, this, [this](bool enabled) {
        m_updates.setAutomaticallyChecksForUpdates(enabled);
        showUpdates();
    });

    m_checkForUpdates = new QPushButton(tr("Check for Updates..."));
    m_checkForUpdates->setObjectName(QStringLiteral("checkForUpdates"));
    connect(m_checkForUpdates, &QPushButton::clicked, this, [this] {
        m_updates.checkForUpdates();
        showUpdates();
    });
    // Beside the button: when the last check was, or why there is none.
    m_lastChecked = captionLabel(QString());
    m_lastChecked->setObjectName(QStringLiteral("lastChecked"));
    section->addRow(m_lastChecked, m_checkForUpdates);

    connect(&m_updates, &UpdateService::canCheckForUpdatesChanged, this, &GeneralSettingsView::showUpdates);
    connect(&m_updates, &UpdateService::automaticallyChecksForUpdatesChanged, this,
        &GeneralSettingsView::showUpdates);
    showUpdates();
}

void GeneralSettingsView::buildAccessibilitySection(SettingsPage *page)
{
    SettingsSection *section = page->addSection(tr("Pasting"));
    auto *status = new QWidget;
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(8);
    m_accessibilityIcon = new QLabel;
    m_accessibilityIcon->setObjectName(QStringLiteral("accessibilityIcon"));
    m_accessibilityIcon->setFixedSize(16, 16);
    m_accessibilityText = new QLabel;
    m_accessibilityText->setObjectName(QStringLiteral("accessibilityStatus"));
    statusLayout->addWidget(m_accessibilityIcon);
    statusLayout->addWidget(m_accessibilityText, 1);

    m_grantAccess = new QPushButton(m_explanation.helpButton);
    m_grantAccess->setObjectName(QStringLiteral("grantAccess"));
    section->addRow(status, m_grantAccess);
    connect(m_grantAccess, &QPushButton::clicked, this, &GeneralSettingsView::grantAccess);

    m_accessibilityHint = captionLabel(m_explanation.requirement);
    m_accessibilityHint->setObjectName(QStringLiteral("accessibilityHint"));
    section->addWidget(m_accessibilityHint);
}

void GeneralSettingsView::showHistorySize()
{
    m_historySizeLabel->setText(tr("Maximum history size: %1").arg(m_viewModel.maxHistorySize()));
    const QSignalBlocker blocker(m_historySize);
    m_historySize->setValue(int(qBound(qint64(50), m_viewModel.maxHistorySize(), qint64(5000))));
}

void GeneralSettingsView::commitHistorySize(int size)
{
    // Pruning keeps the newest unpinned entries up to the limit.
    const qint64 excess = m_store.unpinnedItemsByLastUsed(size).size();
    if (excess == 0) {
        m_viewModel.setMaxHistorySize(size);
        showHistorySize();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Question, tr("Maximum History Size"),
        tr("Remove the %n oldest entry(s)?", nullptr, int(excess)), QMessageBox::NoButton, window());
    box->setObjectName(QStringLiteral("pruneConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(
        tr("The history will keep the newest %n entry(s). Pinned entries stay.", nullptr, size));
    QPushButton *cancel = box->addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton *remove = box->addButton(tr("Remove"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("confirmPrune"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setWindowModality(Qt::WindowModal);
    connect(box, &QMessageBox::buttonClicked, this, [this, remove, size](QAbstractButton *button) {
        if (button == remove)
            m_viewModel.setMaxHistorySize(size);
        showHistorySize();
    });
    box->open();
}

void GeneralSettingsView::showPollingInterval()
{
    const double current = m_viewModel.pollingInterval();
    int index = m_pollingInterval->findData(current);
    if (index < 0) {
        // A value set outside this window still shows as what it is.
        const int customIndex = int(std::size(kPollingChoices));
        if (m_pollingInterval->count() > customIndex)
            m_pollingInterval->removeItem(customIndex);
        m_pollingInterval->addItem(tr("%1s").arg(current), current);
        index = customIndex;
    }
    const QSignalBlocker blocker(m_pollingInterval);
    m_pollingInterval->setCurrentIndex(index);
}

void GeneralSettingsView::showUpdates()
{
    const bool configured = m_updates.isConfigured();
    {
        const QSignalBlocker blocker(m_automaticUpdates);
        m_automaticUpdates->setChecked(m_updates.automaticallyChecksForUpdates());
    }
    m_automaticUpdates->setEnabled(configured);
    m_checkForUpdates->setEnabled(m_updates.canCheckForUpdates());
    const auto last = m_updates.lastUpdateCheckDate();
    if (last)
        m_lastChecked->setText(tr("Last checked: ") + relativeTime(*last, m_clock.now()));
    else if (!configured)
        m_lastChecked->setText(tr("Quillet is updated with your system's packages."));
    else
        m_lastChecked->clear();
}

void GeneralSettingsView::refreshAccessibility()
{
    m_accessibilityGranted = m_keys.isTrusted();
    const bool granted = m_accessibilityGranted;
    m_accessibilityIcon->setPixmap(symbolPixmap(
        granted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("exclamationmark.triangle.fill"),
        16, granted ? kGranted : kRequired));
    m_accessibilityText->setText(granted ? m_explanation.granted : m_explanation.missing);
    m_grantAccess->setVisible(!granted);
    m_accessibilityHint->setVisible(!granted);
}

void GeneralSettingsView::scheduleAccessibilityRefresh()
{
    const quint64 generation = m_refreshGeneration;
    m_clock.schedule(accessibilityRefreshInterval, this, [this, generation] {
        if (generation != m_refreshGeneration)
            return;
        refreshAccessibility();
        scheduleAccessibilityRefresh();
    });
}

void GeneralSettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ++m_refreshGeneration;
    refreshAccessibility();
    scheduleAccessibilityRefresh();
}

void GeneralSettingsView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    ++m_refreshGeneration;
}

void GeneralSettingsView::grantAccess()
{
    refreshAccessibility();
    if (m_accessibilityGranted)
        return;
    QMessageBox box(
        QMessageBox::Information, tr("Pasting"), m_explanation.helpTitle, QMessageBox::Ok, window());
    box.setObjectName(QStringLiteral("accessibilityHelp"));
    box.setInformativeText(m_explanation.help);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    refreshAccessibility();
}

} // namespace quillet
