#pragma once

#include "clipboard/ExcludedAppsService.h"

#include <QFutureWatcher>
#include <QList>
#include <QWidget>

class QLabel;
class QStackedWidget;
class QVBoxLayout;

namespace quillet {

class SearchField;
class ToggleSwitch;

// The Excluded Apps tab: every installed application with a switch that
// stops its copies from being recorded, searchable by name or desktop ID.
// The list is read again each time the tab is shown, on a worker thread, so
// the window stays responsive meanwhile.
class ExcludedAppsSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit ExcludedAppsSettingsView(ExcludedAppsService &service, QWidget *parent = nullptr);
    ~ExcludedAppsSettingsView() override;

    bool isLoading() const { return m_loading; }
    QString searchText() const;
    void setSearchText(const QString &text);

    // The applications in the list, and those the search lets through.
    const QList<InstalledApp> &installedApps() const { return m_apps; }
    QStringList visibleAppIDs() const;
    // The switch of an application's row, if it is listed.
    ToggleSwitch *switchFor(const QString &id) const;

    // Whether an application passes the search: its name or its ID contains
    // the text, ignoring case.
    static bool matches(const InstalledApp &app, const QString &searchText);

Q_SIGNALS:
    void loadingChanged(bool loading);

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Row {
        QString id;
        QWidget *widget;
        ToggleSwitch *toggle;
    };

    void reload();
    void setLoading(bool loading);
    void listingFinished();
    void rebuildRows();
    void applyFilter();
    void showExcluded();

    ExcludedAppsService &m_service;
    SearchField *m_search;
    QStackedWidget *m_stack;
    QWidget *m_rowsBox;
    QVBoxLayout *m_rowsLayout;
    QLabel *m_emptyCaption;
    QFutureWatcher<QList<InstalledApplication>> m_listing;
    QList<InstalledApp> m_apps;
    QList<Row> m_rows;
    bool m_loading = false;
};

} // namespace quillet
