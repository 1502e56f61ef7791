#include "ui/tray/ClipboardItemRow.h"

#include "ui/common/ItemPresentation.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/tray/ContentTypeIcon.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace quillet {

// A label that elides its text to the width it is given.
class ClipboardItemRow::TitleLabel : public QLabel {
public:
    explicit TitleLabel(QWidget *parent)
        : QLabel(parent)
    {
        // Titles are the user's text: "<b>" must read as typed, not as markup.
        setTextFormat(Qt::PlainText);
        setMinimumWidth(10);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    void setFullText(const QString &text)
    {
        if (text == m_full)
            return;
        m_full = text;
        setToolTip(plainToolTip(m_full.left(300)));
        elide();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        elide();
        QLabel::resizeEvent(event);
    }

private:
    void elide() { setText(fontMetrics().elidedText(m_full, Qt::ElideRight, width())); }

    QString m_full;
};

namespace {

QPixmap roundedThumbnail(const QPixmap &thumbnail)
{
    QPixmap rounded(QSize(36, 36) * 2);
    rounded.setDevicePixelRatio(2);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, 36, 36), 4, 4);
    painter.setClipPath(clip);
    const QPixmap scaled
        = thumbnail.scaled(QSize(72, 72), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    painter.drawPixmap(QRectF(0, 0, 36, 36), scaled,
        QRectF((scaled.width() - 72) / 2.0, (scaled.height() - 72) / 2.0, 72, 72));
    return rounded;
}

} // namespace

ClipboardItemRow::ClipboardItemRow(
    const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now, QWidget *parent)
    : QAbstractButton(parent)
    , m_icon(new ContentTypeIcon(item.contentType(), this))
    , m_thumbnail(new QLabel(this))
    , m_title(new TitleLabel(this))
    , m_source(new QLabel(this))
    , m_when(new QLabel(this))
{
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab like the buttons around it; Return or Space pastes.
    setFocusPolicy(Qt::TabFocus);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(8);
    m_thumbnail->setFixedSize(36, 36);
    row->addWidget(m_thumbnail);
    row->addWidget(m_icon);

    auto *text = new QVBoxLayout;
    text->setSpacing(1);
    m_titleLine = new QHBoxLayout;
    m_titleLine->setSpacing(4);
    m_title->setObjectName(QStringLiteral("title"));
    QFont titleFont = font();
    titleFont.setPixelSize(13);
    m_title->setFont(titleFont);
    m_titleLine->addWidget(m_title, 1);
    text->addLayout(m_titleLine);

    auto *detail = new QHBoxLayout;
    detail->setSpacing(6);
    QFont small = font();
    small.setPixelSize(10);
    m_source->setTextFormat(Qt::PlainText);
    m_source->setFont(small);
    setTextColor(m_source, textColor(palette(), Emphasis::secondary));
    detail->addWidget(m_source);
    m_when->setObjectName(QStringLiteral("time"));
    m_when->setFont(small);
    setTextColor(m_when, textColor(palette(), Emphasis::tertiary));
    detail->addWidget(m_when);
    detail->addStretch(1);
    text->addLayout(detail);
    row->addLayout(text, 1);
    setItem(item, thumbnail, now);
}

void ClipboardItemRow::setItem(const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now)
{
    m_item = item;
    const bool picture = item.contentType() == ContentType::image && !thumbnail.isNull();
    if (picture)
        m_thumbnail->setPixmap(roundedThumbnail(thumbnail));
    else
        m_icon->setContentType(item.contentType());
    m_thumbnail->setVisible(picture);
    m_icon->setVisible(!picture);
    m_title->setFullText(item.title.simplified());
    if (item.isPinned && !m_pin) {
        m_pin = new QLabel(this);
        m_pin->setObjectName(QStringLiteral("pin"));
        m_pin->setPixmap(symbolPixmap(QStringLiteral("pin.fill"), 9, QColor(0xff, 0x95, 0x00)));
        m_titleLine->addWidget(m_pin);
    } else if (!item.isPinned && m_pin) {
        delete m_pin;
        m_pin = nullptr;
    }
    m_source->setText(item.sourceAppName.value_or(QString()));
    m_source->setVisible(item.sourceAppName.has_value());
    // Read out as its entry, the way the row shows it.
    setAccessibleName(item.title.simplified());
    setAccessibleDescription(item.isPinned ? tr("Pinned") : QString());
    setNow(now);
}

void ClipboardItemRow::setNow(const QDateTime &now)
{
    m_when->setText(relativeTime(m_item.lastUsedAt, now));
}

QSize ClipboardItemRow::sizeHint() const
{
    return layout()->sizeHint();
}

void ClipboardItemRow::paintEvent(QPaintEvent *)
{
    const bool focused = hasFocus();
    if (!m_hovered && !isDown() && !focused)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The keyboard's place is outlined, so it shows apart from the pointer's.
    painter.setPen(focused ? QPen(palette().color(QPalette::Highlight), 2) : QPen(Qt::NoPen));
    painter.setBrush(accentColor(palette(), isDown() ? 0.25 : 0.12));
    painter.drawRoundedRect(QRectF(rect()).adjusted(3, 1, -3, -1), 6, 6);
}

void ClipboardItemRow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ClipboardItemRow::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ClipboardItemRow::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quillet
