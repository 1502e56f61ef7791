#include "ui/settings/ExcludedAppsSettingsView.h"

#include "ui/controls/RowsBox.h"

#include "ui/common/Palette.h"
#include "ui/controls/SearchField.h"
#include "ui/controls/ToggleSwitch.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QtConcurrent/QtConcurrentRun>

namespace quillet {

namespace {

enum Page { loadingPage, listPage };

QLabel *textLabel(const QString &text, int pixelSize, const QColor &color = QColor())
{
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText); // names come from desktop files
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

} // namespace

ExcludedAppsSettingsView::ExcludedAppsSettingsView(ExcludedAppsService &service, QWidget *parent)
    : QWidget(parent)
    , m_service(service)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 16);
    column->setSpacing(12);

    // Some desktops (Wayland without the foreign-toplevel protocol) never say
    // which application is in front: the list would then promise nothing.
    if (!m_service.canTellSourceApplications()) {
        auto *caption = textLabel(tr("This desktop does not tell Quillet which application is in "
                                     "front, so copies are recorded without their application and "
                                     "exclusions cannot apply."),
            11, textColor(palette(), Emphasis::secondary));
        caption->setObjectName(QStringLiteral("sourceUnknownCaption"));
        caption->setWordWrap(true);
        column->addWidget(caption);
    }

    m_search = new SearchField(tr("Search apps..."), this);
    m_search->setObjectName(QStringLiteral("appSearch"));
    column->addWidget(m_search);
    connect(m_search, &SearchField::textChanged, this, &ExcludedAppsSettingsView::applyFilter);

    m_stack = new QStackedWidget(this);
    column->addWidget(m_stack, 1);

    auto *loading = new QWidget;
    auto *loadingLayout = new QVBoxLayout(loading);
    loadingLayout->addStretch(1);
    auto *progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("loadingIndicator"));
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setMaximumWidth(160);
    progress->setMaximumHeight(8);
    loadingLayout->addWidget(progress, 0, Qt::AlignHCenter);
    loadingLayout->addWidget(
        textLabel(tr("Loading applications..."), 12, textColor(palette(), Emphasis::secondary)), 0,
        Qt::AlignHCenter);
    loadingLayout->addStretch(1);
    m_stack->insertWidget(loadingPage, loading);

    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("appList"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto *content = new QWidget;
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsBox = new RowsBox(46);
    m_rowsLayout = new QVBoxLayout(m_rowsBox);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    contentLayout->addWidget(m_rowsBox);
    m_emptyCaption = textLabel(QString(), 12, textColor(palette(), Emphasis::secondary));
    m_emptyCaption->setObjectName(QStringLiteral("emptyCaption"));
    m_emptyCaption->setAlignment(Qt::AlignCenter);
    contentLayout->addWidget(m_emptyCaption);
    contentLayout->addStretch(1);
    scroll->setWidget(content);
    m_stack->insertWidget(listPage, scroll);
    m_stack->setCurrentIndex(listPage);

    connect(&m_listing, &QFutureWatcher<QList<InstalledApplication>>::finished, this,
        &ExcludedAppsSettingsView::listingFinished);
    connect(&m_service, &ExcludedAppsService::excludedBundleIDsChanged, this,
        &ExcludedAppsSettingsView::showExcluded);
    applyFilter();
}

ExcludedAppsSettingsView::~ExcludedAppsSettingsView()
{
    // The worker reads through the service; it must be done before the view's
    // owner may let the service go.
    m_listing.waitForFinished();
}

QString ExcludedAppsSettingsView::searchText() const
{
    return m_search->text();
}

void ExcludedAppsSettingsView::setSearchText(const QString &text)
{
    m_search->setText(text);
}

bool ExcludedAppsSettingsView::matches(const InstalledApp &app, const QString &searchText)
{
    if (searchText.isEmpty())
        return true;
    const QString needle = searchText.toLower();
    return app.name.toLower().contains(needle) || app.id.toLower().contains(needle);
}

QStringList ExcludedAppsSettingsView::visibleAppIDs() const
{
    QStringList ids;
    for (const Row &row : m_rows) {
        if (!row.widget->isHidden())
            ids.append(row.id);
    }
    return ids;
}

ToggleSwitch *ExcludedAppsSettingsView::switchFor(const QString &id) const
{
    for (const Row &row : m_rows) {
        if (row.id == id)
            return row.toggle;
    }
    return nullptr;
}

void ExcludedAppsSettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        reload();
}

void ExcludedAppsSettingsView::reload()
{
    if (m_loading)
        return;
    setLoading(true);
    ExcludedAppsService *service = &m_service;
    m_listing.setFuture(QtConcurrent::run([service] { return service->listInstalledApplications(); }));
}

void ExcludedAppsSettingsView::listingFinished()
{
    // Icons are made here, on the main thread.
    m_apps = m_service.installedApps(m_listing.result());
    rebuildRows();
    setLoading(false);
}

void ExcludedAppsSettingsView::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    m_stack->setCurrentIndex(loading ? loadingPage : listPage);
    Q_EMIT loadingChanged(loading);
}

void ExcludedAppsSettingsView::rebuildRows()
{
    for (const Row &row : std::as_const(m_rows))
        delete row.widget;
    m_rows.clear();

    const QColor secondary = textColor(palette(), Emphasis::secondary);
    for (const InstalledApp &app : std::as_const(m_apps)) {
        auto *widget = new QWidget(m_rowsBox);
        widget->setProperty("appId", app.id);
        auto *layout = new QHBoxLayout(widget);
        layout->setContentsMargins(12, 6, 12, 6);
        layout->setSpacing(10);

        auto *icon = new QLabel;
        icon->setFixedSize(24, 24);
        if (!app.icon.isNull())
            icon->setPixmap(app.icon.pixmap(QSize(24, 24), devicePixelRatioF()));
        layout->addWidget(icon);

        auto *names = new QVBoxLayout;
        names->setSpacing(0);
        QLabel *name = textLabel(app.name, 13);
        name->setObjectName(QStringLiteral("appName"));
        QLabel *id = textLabel(app.id, 10, secondary);
        id->setObjectName(QStringLiteral("appId"));
        names->addWidget(name);
        names->addWidget(id);
        layout->addLayout(names, 1);

        auto *toggle = new ToggleSwitch;
        toggle->setObjectName(QStringLiteral("excludeSwitch"));
        toggle->setAccessibleName(app.name);
        toggle->setChecked(m_service.isExcluded(app.id));
        layout->addWidget(toggle);
        const QString appId = app.id;
        connect(toggle, &ToggleSwitch::toggled, this, [this, appId](bool excluded) {
            if (excluded)
                m_service.addExcluded(appId);
            else
                m_service.removeExcluded(appId);
        });

        m_rowsLayout->addWidget(widget);
        m_rows.append({ app.id, widget, toggle });
    }
    applyFilter();
}

void ExcludedAppsSettingsView::applyFilter()
{
    const QString text = m_search->text();
    int shown = 0;
    for (int i = 0; i < m_rows.size(); ++i) {
        const bool visible = matches(m_apps[i], text);
        m_rows[i].widget->setVisible(visible);
        shown += visible ? 1 : 0;
    }
    m_rowsBox->setVisible(shown > 0);
    if (shown > 0)
        m_emptyCaption->clear();
    else
        m_emptyCaption->setText(text.isEmpty() ? tr("No applications found") : tr("No matches"));
    m_emptyCaption->setVisible(shown == 0);
    m_rowsBox->update();
}

void ExcludedAppsSettingsView::showExcluded()
{
    for (const Row &row : std::as_const(m_rows)) {
        const QSignalBlocker blocker(row.toggle);
        row.toggle->setChecked(m_service.isExcluded(row.id));
    }
}

} // namespace quillet
