#pragma once

#include "ui/AppActions.h"
#include "ui/common/HistoryListModel.h"

#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace quillet {

// The tray popup's history: the first "menuItemCount" matching entries as
// rows, and how many more there are.
class TrayHistoryList : public QWidget {
    Q_OBJECT
public:
    TrayHistoryList(AppActions &actions, Store &store, qint64 itemCount, QWidget *parent = nullptr);

    void setSearchText(const QString &text);
    int rowCount() const;

Q_SIGNALS:
    // The rows were rebuilt (their height may have changed).
    void contentChanged();

private:
    void rebuild();
    void rebuildRows();
    // Runs a row's action; a rebuild it causes waits until the click is over,
    // as the clicked row is still handling it.
    void runRowAction(const std::function<void()> &action);

    AppActions &m_actions;
    HistoryListModel m_model;
    QVBoxLayout *m_rows;
    bool m_inRowAction = false;
    bool m_rebuildPending = false;
};

} // namespace quillet
