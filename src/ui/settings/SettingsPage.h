#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace quillet {

class SettingsSection;

// A settings tab's form: sections stacked from the top, scrolling when they
// do not fit the window.
class SettingsPage : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget *parent = nullptr);
    // A page that fills `tab`, edge to edge.
    static SettingsPage *filling(QWidget *tab);

    SettingsSection *addSection(const QString &title);
    // Any other block, full width, below the sections added so far.
    void addContent(QWidget *content, int stretch = 0);

private:
    QWidget *m_content;
    QVBoxLayout *m_column;
};

} // namespace quillet
