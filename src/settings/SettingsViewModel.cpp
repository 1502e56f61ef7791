#include "settings/SettingsViewModel.h"

#include "ai/ApiKeyStore.h"
#include "defaults/PreferenceKeys.h"
#include "store/HistoryExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>

namespace quillet {

namespace {

template<typename T> T orDefault(T stored, T fallback)
{
    return stored == T(0) ? fallback : stored;
}

// As the history manager reads the limit: below one means the default, so
// the window shows the number the history is really cut to.
qint64 historyLimitOf(qint64 stored)
{
    return stored > 0 ? stored : 500;
}

} // namespace

SettingsViewModel::SettingsViewModel(
    Defaults &defaults, QString dataFolder, ApiKeyStore *apiKey, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_dataFolder(std::move(dataFolder))
    , m_apiKey(apiKey)
    , m_maxHistorySize(historyLimitOf(defaults.integer(keys::maxHistorySize)))
    , m_pollingInterval(orDefault(defaults.doubleValue(keys::pollingInterval), 0.5))
    , m_menuItemCount(orDefault<qint64>(defaults.integer(keys::menuItemCount), 20))
    , m_menuWidth(orDefault(defaults.doubleValue(keys::menuWidth), 340.0))
    , m_pasteAfterSelection(defaults.boolean(keys::pasteAfterSelection).value_or(true))
    , m_soundEnabled(defaults.boolean(keys::soundEnabled).value_or(false))
{
}

void SettingsViewModel::setMaxHistorySize(qint64 value)
{
    const bool changed = m_maxHistorySize != value;
    m_maxHistorySize = value;
    m_defaults.setInteger(keys::maxHistorySize, value);
    if (changed)
        Q_EMIT maxHistorySizeChanged();
}

void SettingsViewModel::setPollingInterval(double value)
{
    const bool changed = m_pollingInterval != value;
    m_pollingInterval = value;
    m_defaults.setDouble(keys::pollingInterval, value);
    if (changed)
        Q_EMIT pollingIntervalChanged();
}

void SettingsViewModel::setMenuItemCount(qint64 value)
{
    const bool changed = m_menuItemCount != value;
    m_menuItemCount = value;
    m_defaults.setInteger(keys::menuItemCount, value);
    if (changed)
        Q_EMIT menuItemCountChanged();
}

void SettingsViewModel::setMenuWidth(double value)
{
    const bool changed = m_menuWidth != value;
    m_menuWidth = value;
    m_defaults.setDouble(keys::menuWidth, value);
    if (changed)
        Q_EMIT menuWidthChanged();
}

void SettingsViewModel::setPasteAfterSelection(bool value)
{
    const bool changed = m_pasteAfterSelection != value;
    m_pasteAfterSelection = value;
    m_defaults.setBool(keys::pasteAfterSelection, value);
    if (changed)
        Q_EMIT pasteAfterSelectionChanged();
}

void SettingsViewModel::updateDatabaseSize()
{
    QDir().mkpath(m_dataFolder);
    const QFileInfo folder(m_dataFolder);
    QString text;
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        text = QCoreApplication::translate("SettingsViewModel", "Unknown");
    } else {
        qint64 total = 0;
        QDirIterator it(m_dataFolder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            total += it.fileInfo().size();
        }
        text = formatByteCount(total);
    }
    if (text != m_databaseSize) {
        m_databaseSize = text;
        Q_EMIT databaseSizeChanged();
    }
}

QString SettingsViewModel::formatByteCount(qint64 bytes)
{
    if (bytes < 1000)
        return QCoreApplication::translate("SettingsViewModel", "%n byte(s)", nullptr, int(bytes));
    static const char *const units[] = { "kB", "MB", "GB", "TB", "PB", "EB" };
    double value = double(bytes) / 1000.0;
    int unit = 0;
    // Move up a unit when rounding to one decimal would show 1000.0.
    while (value >= 999.95 && unit < 5) {
        value /= 1000.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(QLocale().toString(value, 'f', 1), QLatin1String(units[unit]));
}

std::optional<QString> SettingsViewModel::exportHistory(Store &store, const QString &path)
{
    // A history that cannot be read is an error, not an empty export.
    const std::optional<QByteArray> document
        = historyExportDocument(store, m_apiKey ? QStringList { m_apiKey->key() } : QStringList());
    if (!document)
        return QCoreApplication::translate(
            "SettingsViewModel", "The history could not be read from the store.");
    return writeHistoryExport(*document, path);
}

} // namespace quillet
