#pragma once

#include "store/ClipboardItem.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QPixmap>

namespace quillet {

// One history entry in the tray popup, as a flat button: thumbnail or
// content-type icon, the title with a pin for pinned entries, and the source
// application with how long ago it was used.
class ClipboardItemRow : public QAbstractButton {
    Q_OBJECT
public:
    ClipboardItemRow(
        const ClipboardItem &item, const QPixmap &thumbnail, const QDateTime &now, QWidget *parent = nullptr);

    const ClipboardItem &item() const { return m_item; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    ClipboardItem m_item;
    bool m_hovered = false;
};

} // namespace quillet
