#pragma once

#include <QWidget>

#include <functional>

class QLabel;

namespace quillet {

class SettingsViewModel;
class Store;

// The Advanced tab: the size of Quillet's data folder, the history export and
// the reset of the whole history.
class AdvancedSettingsView : public QWidget {
    Q_OBJECT
public:
    // Asks where to save the export; an empty path means the user cancelled.
    using SaveFileChooser = std::function<QString(QWidget *parent)>;

    static QString resetTitle() { return tr("Reset History"); }
    static QString resetMessage()
    {
        return tr("This will permanently delete all clipboard history. Pinned items will also be deleted. "
                  "This action cannot be undone.");
    }

    AdvancedSettingsView(SettingsViewModel &viewModel, Store &store, QWidget *parent = nullptr);

    // The platform's save dialog by default.
    void setSaveFileChooser(SaveFileChooser chooser) { m_chooseSaveFile = std::move(chooser); }

    void exportHistory();
    // Asks first; deletes every history entry, pinned ones too, when confirmed.
    void resetHistory();

    static QString chooseSaveFileWithDialog(QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showError(const QString &path, const QString &error);

    SettingsViewModel &m_viewModel;
    Store &m_store;
    SaveFileChooser m_chooseSaveFile;
    QLabel *m_databaseSize;
};

} // namespace quillet
