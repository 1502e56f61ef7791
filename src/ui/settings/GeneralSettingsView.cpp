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
    { 0.25, "0.25s (Faster)" },
    { 0.5, "0.5s (Default)" },
    { 1.0, "1.0s (Slower)" },
    { 2.0, "2.0s (Battery saver)" },
};

const QColor kGranted(0x28, 0xa7, 0x45);
const QColor kRequired(0xf0, 0x8c, 0x00);

// "just now", "5 minutes ago", "yesterday", "3 days ago", …
QString relativeTime(const QDateTime &then, const QDateTime &now)
{
    const qint64 seconds = then.secsTo(now);
    if (seconds < 60)
        return QStringLiteral("just now");
    const auto ago = [](qint64 count, const char *unit) {
        return QStringLiteral("%1 %2%3 ago").arg(count).arg(QLatin1String(unit)).arg(count == 1 ? "" : "s");
    };
    if (seconds < 3600)
        return ago(seconds / 60, "minute");
    if (seconds < 86400)
        return ago(seconds / 3600, "hour");
    const qint64 days = seconds / 86400;
    if (days == 1)
        return QStringLiteral("yesterday");
    if (days < 31)
        return ago(days, "day");
    if (days < 365)
        return ago(days / 30, "month");
    return ago(days / 365, "year");
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
    SettingsSection *section = page->addSection(QStringLiteral("Clipboard"));

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
        m_pollingInterval->addItem(QString::fromLatin1(choice.label), choice.seconds);
    // Copies are noticed as they happen; the interval only applies where the
    // X server cannot report them.
    section->addRow(QStringLiteral("Polling interval (without XFixes)"), m_pollingInterval);
    m_pollingInterval->setToolTip(QStringLiteral(
        "Copies are noticed as they happen. Only when the X server cannot report clipboard changes "
        "is the clipboard checked this often."));
    showPollingInterval();
    connect(m_pollingInterval, &QComboBox::activated, this,
        [this](int index) { m_viewModel.setPollingInterval(m_pollingInterval->itemData(index).toDouble()); });
    connect(&m_viewModel, &SettingsViewModel::pollingIntervalChanged, this,
        &GeneralSettingsView::showPollingInterval);

    m_pasteAfterSelection = new ToggleSwitch;
    m_pasteAfterSelection->setObjectName(QStringLiteral("pasteAfterSelection"));
    m_pasteAfterSelection->setChecked(m_viewModel.pasteAfterSelection());
    section->addRow(QStringLiteral("Paste after selecting item"), m_pasteAfterSelection);
    connect(m_pasteAfterSelection, &ToggleSwitch::toggled, &m_viewModel,
        &SettingsViewModel::setPasteAfterSelection);
    connect(&m_viewModel, &SettingsViewModel::pasteAfterSelectionChanged, this, [this] {
        const QSignalBlocker blocker(m_pasteAfterSelection);
        m_pasteAfterSelection->setChecked(m_viewModel.pasteAfterSelection());
    });
}

void GeneralSettingsView::buildStartupSection(SettingsPage *page)
{
    SettingsSection *section = page->addSection(QStringLiteral("Startup"));
    m_launchAtLoginSwitch = new ToggleSwitch;
    m_launchAtLoginSwitch->setObjectName(QStringLiteral("launchAtLogin"));
    m_launchAtLoginSwitch->setChecked(m_launchAtLogin.isEnabled());
    section->addRow(QStringLiteral("Launch at login"), m_launchAtLoginSwitch);
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
    SettingsSection *section = page->addSection(QStringLiteral("Updates"));
    m_automaticUpdates = new ToggleSwitch;
    m_automaticUpdates->setObjectName(QStringLiteral("automaticUpdates"));
    section->addRow(QStringLiteral("Automatically check for updates"), m_automaticUpdates);
    connect(m_automaticUpdates, &ToggleSwitch::toggled, this, [this](bool enabled) {
        m_updates.setAutomaticallyChecksForUpdates(enabled);
        showUpdates();
    });

    m_checkForUpdates = new QPushButton(QStringLiteral("Check for Updates..."));
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
    SettingsSection *section = page->addSection(QStringLiteral("Accessibility"));
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
    m_historySizeLabel->setText(QStringLiteral("Maximum history size: %1").arg(m_viewModel.maxHistorySize()));
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
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Maximum History Size"),
        excess == 1 ? QStringLiteral("Remove the oldest entry?")
                    : QStringLiteral("Remove the %1 oldest entries?").arg(excess),
        QMessageBox::NoButton, window());
    box->setObjectName(QStringLiteral("pruneConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(
        QStringLiteral("The history will keep the newest %1 entries. Pinned entries stay.").arg(size));
    QPushButton *cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    QPushButton *remove = box->addButton(QStringLiteral("Remove"), QMessageBox::DestructiveRole);
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
        m_pollingInterval->addItem(QStringLiteral("%1s").arg(current), current);
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
        m_lastChecked->setText(QStringLiteral("Last checked: ") + relativeTime(*last, m_clock.now()));
    else if (!configured)
        m_lastChecked->setText(QStringLiteral("Quillet is updated with your system's packages."));
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
    QMessageBox box(QMessageBox::Information, QStringLiteral("Accessibility"), m_explanation.helpTitle,
        QMessageBox::Ok, window());
    box.setObjectName(QStringLiteral("accessibilityHelp"));
    box.setInformativeText(m_explanation.help);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    refreshAccessibility();
}

} // namespace quillet
