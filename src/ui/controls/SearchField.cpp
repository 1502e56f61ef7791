#include "ui/controls/SearchField.h"

#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace quillet {

SearchField::SearchField(const QString &placeholder, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(6);
    auto *glass = new QLabel(this);
    glass->setPixmap(
        symbolPixmap(QStringLiteral("magnifyingglass"), 12, textColor(palette(), Emphasis::secondary)));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("searchEdit"));
    m_edit->setPlaceholderText(placeholder);
    m_edit->setFrame(false);
    QFont font = m_edit->font();
    font.setPixelSize(13);
    m_edit->setFont(font);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_clear = new QToolButton(this);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setAutoRaise(true);
    m_clear->setIcon(
        symbolIcon(QStringLiteral("xmark.circle.fill"), textColor(palette(), Emphasis::tertiary)));
    m_clear->setIconSize(QSize(12, 12));
    m_clear->setStyleSheet(QStringLiteral("QToolButton { border: none; }"));
    m_clear->setVisible(false);
    row->addWidget(glass);
    row->addWidget(m_edit, 1);
    row->addWidget(m_clear);
    // Focusing the field means typing into it.
    setFocusProxy(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        Q_EMIT textChanged(text);
    });
    connect(m_clear, &QToolButton::clicked, m_edit, &QLineEdit::clear);
    m_edit->setAccessibleName(tr("Search"));
    m_clear->setAccessibleName(tr("Clear search"));
}

QString SearchField::text() const
{
    return m_edit->text();
}

void SearchField::setText(const QString &text)
{
    m_edit->setText(text);
}

void SearchField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.07);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

} // namespace quillet
