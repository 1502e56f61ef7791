#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace quillet {

// One group of a settings form: a small heading over a rounded box of rows
// separated by hairlines.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(const QString &title, QWidget *parent = nullptr);

    QString title() const;

    // A row with `label` leading and `control` at the trailing end.
    QWidget *addRow(const QString &label, QWidget *control);
    QWidget *addRow(QWidget *leading, QWidget *trailing);
    // A row that `content` fills.
    QWidget *addWidget(QWidget *content);

private:
    static void nameByLabel(QLabel *label, QWidget *trailing);

    QLabel *m_title;
    QWidget *m_box;
    QVBoxLayout *m_rows;
};

// Small, wrapping text in the secondary colour, for the notes under a row.
QLabel *captionLabel(const QString &text, QWidget *parent = nullptr);

} // namespace quillet
