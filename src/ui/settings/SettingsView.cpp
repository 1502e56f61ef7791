#include "ui/settings/SettingsView.h"

#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/settings/AISettingsView.h"
#include "ui/settings/AdvancedSettingsView.h"
#include "ui/settings/AppearanceSettingsView.h"
#include "ui/settings/ExcludedAppsSettingsView.h"
#include "ui/settings/GeneralSettingsView.h"
#include "ui/settings/ShortcutSettingsView.h"
#include "ui/settings/SnippetsSettingsView.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QFrame>
#include <QStackedWidget>
#include <QToolButton>

namespace quillet {

namespace {

const char kTabProperty[] = "quilletSettingsTab";

// A tab of the bar, as assistive technologies know tabs: a page tab, selected
// while its page shows, that a press selects.
class SettingsTabAccessible final : public QAccessibleWidget {
public:
    explicit SettingsTabAccessible(QAbstractButton *button)
        : QAccessibleWidget(button, QAccessible::PageTab)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

QAccessibleInterface *settingsTabAccessible(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("QToolButton") && object->property(kTabProperty).toBool())
        return new SettingsTabAccessible(static_cast<QAbstractButton *>(object));
    if (className == QLatin1String("QWidget") && object->objectName() == QLatin1String("tabBar"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::PageTabList);
    return nullptr;
}

} // namespace

SettingsView::SettingsView(const SettingsServices &services, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settingsWindow"));
    // Before any tab exists: an accessible object is made once per widget.
    static const bool tabsDescribed = [] {
        QAccessible::installFactory(settingsTabAccessible);
        return true;
    }();
    Q_UNUSED(tabsDescribed);
    setWindowTitle(tr("Quillet Settings"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("tabBar"));
    m_bar = new QHBoxLayout(bar);
    m_bar->setContentsMargins(12, 8, 12, 6);
    m_bar->setSpacing(2);
    m_bar->addStretch(1);
    m_bar->addStretch(1);
    column->addWidget(bar);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    QPalette linePalette = line->palette();
    QColor hairline = palette().color(QPalette::WindowText);
    hairline.setAlphaF(0.15);
    linePalette.setColor(QPalette::WindowText, hairline);
    line->setPalette(linePalette);
    column->addWidget(line);

    m_stack = new QStackedWidget(this);
    column->addWidget(m_stack, 1);

    m_buttons = new QButtonGroup(this);
    m_buttons->setExclusive(true);

    addTab(new GeneralSettingsView(services.viewModel, services.launchAtLogin, services.updates,
               services.keys, services.clock, services.store, services.pasteExplanation),
        tr("General"), QStringLiteral("gear"));
    addTab(new ShortcutSettingsView(services.shortcuts, services.shortcutNames, services.keyStrokeReader),
        tr("Shortcuts"), QStringLiteral("keyboard"));
    addTab(new ExcludedAppsSettingsView(services.excludedApps), tr("Excluded Apps"),
        QStringLiteral("xmark.app"));
    addTab(new AppearanceSettingsView(services.viewModel), tr("Appearance"), QStringLiteral("paintbrush"));
    addTab(new AISettingsView(services.defaults, services.apiKey, services.ai, services.prompts,
               services.shortcuts, services.keyStrokeReader),
        tr("AI"), QStringLiteral("sparkles"));
    m_snippets = new SnippetsSettingsView(services.snippets);
    addTab(m_snippets, tr("Snippets"), QStringLiteral("doc.text"));
    addTab(new AdvancedSettingsView(services.viewModel, services.store), tr("Advanced"),
        QStringLiteral("gearshape.2"));
    setCurrentIndex(0);
    // Wide enough for every tab's whole label in the desktop's font.
    setFixedSize(qMax(windowWidth, bar->sizeHint().width()), windowHeight);

    auto *close = new QAction(this);
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    bar->setAccessibleName(tr("Settings sections"));
}

int SettingsView::insertTab(int index, QWidget *page, const QString &label, const QString &symbol)
{
    index = qBound(0, index, count());
    auto *button = new QToolButton;
    button->setProperty(kTabProperty, true);
    button->setObjectName(QStringLiteral("tab_") + label);
    button->setText(label);
    button->setIcon(symbolIcon(symbol, textColor(palette(), Emphasis::primary)));
    button->setIconSize(QSize(22, 22));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setMinimumWidth(72);
    m_buttons->addButton(button);
    // After the leading stretch, in tab order.
    m_bar->insertWidget(1 + index, button);
    m_stack->insertWidget(index, page);
    m_tabs.insert(index, Tab { page, button, label, symbol });
    connect(
        button, &QToolButton::clicked, this, [this, page] { setCurrentIndex(int(m_stack->indexOf(page))); });
    return index;
}

int SettingsView::addTab(QWidget *page, const QString &label, const QString &symbol)
{
    return insertTab(count(), page, label, symbol);
}

QWidget *SettingsView::tab(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].page : nullptr;
}

QString SettingsView::tabLabel(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].label : QString();
}

QString SettingsView::tabSymbol(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].symbol : QString();
}

QAbstractButton *SettingsView::tabButton(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].button : nullptr;
}

int SettingsView::currentIndex() const
{
    return m_stack->currentIndex();
}

void SettingsView::showSnippet(const QUuid &snippet)
{
    for (int i = 0; i < count(); ++i) {
        if (tab(i) == m_snippets)
            setCurrentIndex(i);
    }
    m_snippets->showSnippet(snippet);
}

void SettingsView::setCurrentIndex(int index)
{
    if (index < 0 || index >= count())
        return;
    m_stack->setCurrentIndex(index);
    m_tabs[index].button->setChecked(true);
}

} // namespace quillet
