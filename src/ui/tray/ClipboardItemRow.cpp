#include "ui/tray/ClipboardItemRow.h"

#include "ui/common/ItemPresentation.h"
#include "ui/common/Palette.h"
#include "ui/common/SymbolIcons.h"
#include "ui/tray/ContentTypeIcon.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace quillet {

namespace {

// A label that elides its text to the width it is given.
class ElidedLabel : public QLabel {
public:
    ElidedLabel(QString text, QWidget *parent)
        : QLabel(parent)
        , m_full(std::move(text))
    {
        // Titles are the user's text: "<b>" must read as typed, not as markup.
        setTextFormat(Qt::PlainText);
        setMinimumWidth(10);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setToolTip(plainToolTip(m_full.left(300)));
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        setText(fontMetrics().elidedText(m_full, Qt::ElideRight, width()));
        QLabel::resizeEvent(event);
    }

private:
    QString m_full;
};

QWidget *thumbnailPicture(const QPixmap &thumbnail, QWidget *parent)
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
    painter.end();
    auto *label = new QLabel(parent);
    label->setFixedSize(36, 36);
    label->setPixmap(rounded);
    return label;
}

} // namespace

ClipboardItemRow::ClipboardItemRow(
    const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now, QWidget *parent)
    : QAbstractButton(parent)
    , m_item(item)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(8);
    if (item.contentType() == ContentType::image && !thumbnail.isNull())
        row->addWidget(thumbnailPicture(thumbnail, this));
    else
        row->addWidget(new ContentTypeIcon(item.contentType(), this));

    auto *text = new QVBoxLayout;
    text->setSpacing(1);
    auto *titleLine = new QHBoxLayout;
    titleLine->setSpacing(4);
    auto *title = new ElidedLabel(item.title.simplified(), this);
    title->setObjectName(QStringLiteral("title"));
    QFont titleFont = font();
    titleFont.setPixelSize(13);
    title->setFont(titleFont);
    titleLine->addWidget(title, 1);
    if (item.isPinned) {
        auto *pin = new QLabel(this);
        pin->setObjectName(QStringLiteral("pin"));
        pin->setPixmap(symbolPixmap(QStringLiteral("pin.fill"), 9, QColor(0xff, 0x95, 0x00)));
        titleLine->addWidget(pin);
    }
    text->addLayout(titleLine);

    auto *detail = new QHBoxLayout;
    detail->setSpacing(6);
    QFont small = font();
    small.setPixelSize(10);
    if (item.sourceAppName) {
        auto *source = new QLabel(*item.sourceAppName, this);
        source->setTextFormat(Qt::PlainText);
        source->setFont(small);
        QPalette palette = source->palette();
        palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::secondary));
        source->setPalette(palette);
        detail->addWidget(source);
    }
    auto *when = new QLabel(relativeTime(item.lastUsedAt, now), this);
    when->setObjectName(QStringLiteral("time"));
    when->setFont(small);
    QPalette palette = when->palette();
    palette.setColor(QPalette::WindowText, textColor(palette, Emphasis::tertiary));
    when->setPalette(palette);
    detail->addWidget(when);
    detail->addStretch(1);
    text->addLayout(detail);
    row->addLayout(text, 1);

    // Read out as its entry, the way the row shows it.
    setAccessibleName(item.title.simplified());
    if (item.isPinned)
        setAccessibleDescription(tr("Pinned"));
}

QSize ClipboardItemRow::sizeHint() const
{
    return layout()->sizeHint();
}

void ClipboardItemRow::paintEvent(QPaintEvent *)
{
    if (!m_hovered && !isDown())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(accentColor(palette(), isDown() ? 0.25 : 0.12));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2, 0, -2, 0), 6, 6);
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
