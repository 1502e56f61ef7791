#pragma once

#include "ui/AppActions.h"
#include "ui/common/HistoryListModel.h"

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace quillet {

class ClipboardItemRow;

// The tray popup's history: the first "menuItemCount" matching entries as
// rows, and how many more there are. The rows follow the history one by one
// (a copy adds a row, a paste moves one, a pin changes one), so the list is
// always ready to be shown.
class TrayHistoryList : public QWidget {
    Q_OBJECT
public:
    TrayHistoryList(AppActions &actions, Store &store, qint64 itemCount, QWidget *parent = nullptr);

    void setSearchText(const QString &text);
    void setItemCount(qint64 itemCount);
    int rowCount() const;
    // The rows, top to bottom.
    const QList<ClipboardItemRow *> &rows() const { return m_rows; }
    // Says again how long ago each shown entry was used.
    void refreshTimes();

Q_SIGNALS:
    // The rows or captions changed (their height may have changed).
    void contentChanged();

private:
    ClipboardItemRow *makeRow(int row, const QDateTime &now);
    void insertRows(int first, int last);
    void removeRows(int first, int last);
    void moveRow(int from, int to);
    void updateRows(int first, int last);
    void updateCaptions();

    AppActions &m_actions;
    HistoryListModel m_model;
    QVBoxLayout *m_rowLayout;
    QList<ClipboardItemRow *> m_rows;
    QLabel *m_emptyCaption;
    QWidget *m_moreDivider;
    QLabel *m_moreCaption;
};

} // namespace quillet
