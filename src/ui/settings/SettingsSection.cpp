#include "ui/settings/SettingsSection.h"

#include "ui/controls/RowsBox.h"

#include "ui/common/Palette.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

namespace quillet {

namespace {

constexpr int kRowHorizontalInset = 12;

QWidget *makeRow(QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setMinimumHeight(34);
    return row;
}

} // namespace

SettingsSection::SettingsSection(const QString &title, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    m_title = new QLabel(title, this);
    m_title->setObjectName(QStringLiteral("sectionTitle"));
    QFont font = m_title->font();
    font.setPixelSize(12);
    font.setBold(true);
    m_title->setFont(font);
    QPalette palette = m_title->palette();
    palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::secondary));
    m_title->setPalette(palette);
    m_title->setContentsMargins(4, 0, 0, 0);
    column->addWidget(m_title);

    m_box = new RowsBox(kRowHorizontalInset, this);
    m_rows = new QVBoxLayout(m_box);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    column->addWidget(m_box);
}

QString SettingsSection::title() const
{
    return m_title->text();
}

QWidget *SettingsSection::addRow(const QString &label, QWidget *control)
{
    return addRow(new QLabel(label), control);
}

QWidget *SettingsSection::addRow(QWidget *leading, QWidget *trailing)
{
    QWidget *row = makeRow(m_box);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(kRowHorizontalInset, 5, kRowHorizontalInset, 5);
    layout->setSpacing(8);
    layout->addWidget(leading, 1);
    if (trailing)
        layout->addWidget(trailing, 0, Qt::AlignRight | Qt::AlignVCenter);
    m_rows->addWidget(row);
    if (auto *label = qobject_cast<QLabel *>(leading); label && trailing)
        nameByLabel(label, trailing);
    return row;
}

void SettingsSection::nameByLabel(QLabel *label, QWidget *trailing)
{
    // The label is what a sighted user reads as the control's name; a screen
    // reader gets it too. A trailing group names its one focusable control.
    QWidget *control = trailing;
    if (control->focusPolicy() == Qt::NoFocus) {
        control = nullptr;
        for (QWidget *child : trailing->findChildren<QWidget *>()) {
            if (child->focusPolicy() == Qt::NoFocus)
                continue;
            if (control)
                return;
            control = child;
        }
    }
    // A button says what it does itself ("Check for Updates..."); the label
    // beside it is a remark, not its name.
    auto *button = qobject_cast<QAbstractButton *>(control);
    if (!control || (button && !button->text().isEmpty()))
        return;
    label->setBuddy(control);
    QString name = label->text();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    if (control->accessibleName().isEmpty() && !name.isEmpty())
        control->setAccessibleName(name);
}

QWidget *SettingsSection::addWidget(QWidget *content)
{
    QWidget *row = makeRow(m_box);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(kRowHorizontalInset, 5, kRowHorizontalInset, 5);
    layout->addWidget(content);
    m_rows->addWidget(row);
    return row;
}

QLabel *captionLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::secondary));
    label->setPalette(palette);
    return label;
}

} // namespace quillet
