#pragma once

#include "defaults/Defaults.h"
#include "store/Store.h"

#include <QObject>
#include <QString>

#include <optional>

namespace quillet {

class ApiKeyStore;

// The clipboard and menu preferences as the settings window edits them, the
// size of Quillet's data folder, and the history export.
//
// Every assignment writes its preference at once (also an unchanged value);
// observers hear only real changes. Main thread only.
class SettingsViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 maxHistorySize READ maxHistorySize WRITE setMaxHistorySize NOTIFY maxHistorySizeChanged)
    Q_PROPERTY(
        double pollingInterval READ pollingInterval WRITE setPollingInterval NOTIFY pollingIntervalChanged)
    Q_PROPERTY(qint64 menuItemCount READ menuItemCount WRITE setMenuItemCount NOTIFY menuItemCountChanged)
    Q_PROPERTY(double menuWidth READ menuWidth WRITE setMenuWidth NOTIFY menuWidthChanged)
    Q_PROPERTY(bool pasteAfterSelection READ pasteAfterSelection WRITE setPasteAfterSelection NOTIFY
            pasteAfterSelectionChanged)
    Q_PROPERTY(bool soundEnabled READ soundEnabled CONSTANT)
    Q_PROPERTY(QString databaseSize READ databaseSize NOTIFY databaseSizeChanged)
public:
    // `dataFolder` is the folder that holds the store (measured by
    // updateDatabaseSize); exports leave out the key `apiKey` holds.
    SettingsViewModel(
        Defaults &defaults, QString dataFolder, ApiKeyStore *apiKey = nullptr, QObject *parent = nullptr);

    qint64 maxHistorySize() const { return m_maxHistorySize; }
    double pollingInterval() const { return m_pollingInterval; }
    qint64 menuItemCount() const { return m_menuItemCount; }
    double menuWidth() const { return m_menuWidth; }
    bool pasteAfterSelection() const { return m_pasteAfterSelection; }
    bool soundEnabled() const { return m_soundEnabled; }
    QString databaseSize() const { return m_databaseSize; }

    void setMaxHistorySize(qint64 value);
    void setPollingInterval(double value);
    void setMenuItemCount(qint64 value);
    void setMenuWidth(double value);
    void setPasteAfterSelection(bool value);

    // Measures the data folder: a decimal file size, or "Unknown".
    void updateDatabaseSize();

    // Writes the whole history, newest first, as a pretty-printed JSON array
    // to `path`, without the API key. Returns the error text on failure (the history cannot be
    // read, the file cannot be written); the file is then left as it was.
    std::optional<QString> exportHistory(Store &store, const QString &path);

    // Decimal units as file managers show sizes: "0 bytes", "1.2 kB", "3.4 MB".
    static QString formatByteCount(qint64 bytes);

Q_SIGNALS:
    void maxHistorySizeChanged();
    void pollingIntervalChanged();
    void menuItemCountChanged();
    void menuWidthChanged();
    void pasteAfterSelectionChanged();
    void databaseSizeChanged();

private:
    Defaults &m_defaults;
    QString m_dataFolder;
    ApiKeyStore *m_apiKey;
    qint64 m_maxHistorySize;
    double m_pollingInterval;
    qint64 m_menuItemCount;
    double m_menuWidth;
    bool m_pasteAfterSelection;
    bool m_soundEnabled;
    QString m_databaseSize = QStringLiteral("Calculating...");
};

} // namespace quillet
