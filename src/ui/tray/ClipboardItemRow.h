#pragma once

#include "store/ClipboardItem.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QPixmap>

class QHBoxLayout;
class QLabel;

namespace quillet {

class ContentTypeIcon;

// One history entry in the tray popup, as a flat button: thumbnail or
// content-type icon, the title with a pin for pinned entries, and the source
// application with how long ago it was used. A row follows its entry in
// place, so the kept popup changes only the rows whose entries changed.
class ClipboardItemRow : public QAbstractButton {
    Q_OBJECT
public:
    ClipboardItemRow(
        const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now, QWidget *parent = nullptr);

    const ClipboardItem &item() const { return m_item; }
    void setItem(const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now);
    // Says again how long ago the entry was used.
    void setNow(const QDateTime &now);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    class TitleLabel;

    ClipboardItem m_item;
    bool m_hovered = false;
    ContentTypeIcon *m_icon;
    QLabel *m_thumbnail;
    TitleLabel *m_title;
    QHBoxLayout *m_titleLine;
    QLabel *m_pin = nullptr;
    QLabel *m_source;
    QLabel *m_when;
};

} // namespace quillet
