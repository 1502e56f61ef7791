#pragma once

#include "ui/settings/SettingsServices.h"

#include <QList>
#include <QUuid>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QHBoxLayout;
class QStackedWidget;

namespace quillet {

class SnippetsSettingsView;

// Quillet's settings window: a fixed 500 × 500 window (wider where the tab
// labels need it in the desktop's font) with a bar of labelled
// tab icons over the selected tab. Every control writes through at once;
// there is nothing to apply or save.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int windowWidth = 500;
    static constexpr int windowHeight = 500;

    explicit SettingsView(const SettingsServices &services, QWidget *parent = nullptr);

    // Returns the index the tab got.
    int insertTab(int index, QWidget *page, const QString &label, const QString &symbol);
    int addTab(QWidget *page, const QString &label, const QString &symbol);

    int count() const { return int(m_tabs.size()); }
    QWidget *tab(int index) const;
    QString tabLabel(int index) const;
    QString tabSymbol(int index) const;
    QAbstractButton *tabButton(int index) const;
    int currentIndex() const;
    void setCurrentIndex(int index);

    SnippetsSettingsView *snippetsTab() const { return m_snippets; }
    // Switches to the Snippets tab with that snippet selected.
    void showSnippet(const QUuid &snippet);

private:
    struct Tab {
        QWidget *page;
        QAbstractButton *button;
        QString label;
        QString symbol;
    };

    QHBoxLayout *m_bar;
    QButtonGroup *m_buttons;
    QStackedWidget *m_stack;
    QList<Tab> m_tabs;
    SnippetsSettingsView *m_snippets = nullptr;
};

} // namespace quillet
