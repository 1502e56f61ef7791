#include "ui/launcher/LauncherStyle.h"

#include "ui/controls/IconButton.h"

#include "ui/common/SymbolIcons.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolButton>

#include <cmath>

namespace quillet::launcherStyle {

QFont pixelFont(const QFont &base, int pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QFont monospaceFont(int pixels)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixels);
    return font;
}

namespace {

// Symbols the shared table does not know, as freedesktop theme icons.
QString ownThemeName(const QString &symbol)
{
    static const QHash<QString, QString> table {
        { QStringLiteral("chevron.left"), QStringLiteral("go-previous-symbolic") },
        { QStringLiteral("stop.circle.fill"), QStringLiteral("media-playback-stop-symbolic") },
        { QStringLiteral("person.fill"), QStringLiteral("avatar-default-symbolic") },
        { QStringLiteral("questionmark.circle"), QStringLiteral("dialog-question-symbolic") },
        { QStringLiteral("arrow.turn.down.right"), QStringLiteral("mail-forward-symbolic") },
    };
    return table.value(symbol);
}

} // namespace

QPixmap symbolPixmap(const QString &symbol, int size, const QColor &tint)
{
    if (symbol == u"questionmark.circle") {
        // Drawn: the theme's question icon reads as a warning sign when small.
        const qreal ratio = 2.0;
        QPixmap pixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(tint, std::max(1.0, size / 10.0)));
        painter.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
        QFont font;
        font.setPixelSize(std::max(6, size * 3 / 4));
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        return pixmap;
    }
    const QString own = ownThemeName(symbol);
    const QIcon themed = own.isEmpty() ? QIcon() : QIcon::fromTheme(own);
    if (themed.isNull())
        return quillet::symbolPixmap(symbol, size, tint);
    const qreal ratio = 2.0;
    QPixmap pixmap = themed.pixmap(QSize(size, size), ratio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), tint);
    return pixmap;
}

QIcon symbolIcon(const QString &symbol, int size, const QColor &tint)
{
    return QIcon(symbolPixmap(symbol, size, tint));
}

QToolButton *plainButton(const QString &symbol, int size, const QColor &tint, QWidget *parent)
{
    return iconButton(symbolIcon(symbol, size, tint), size, parent);
}

QColor terminalBackground()
{
    return QColor(0x1e, 0x1f, 0x22);
}

QColor terminalHeadBackground()
{
    return QColor(0x2c, 0x2e, 0x33);
}

QColor terminalText()
{
    return QColor::fromRgbF(1, 1, 1, 0.9f);
}

QColor terminalGreen()
{
    return QColor(0x4c, 0xc2, 0x5a);
}

QColor approvalOrange()
{
    return QColor(0xe0, 0x8a, 0x1e);
}

void makeFittedText(QTextEdit *edit)
{
    edit->setReadOnly(true);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    edit->setAttribute(Qt::WA_TranslucentBackground);
    edit->viewport()->setAutoFillBackground(false);
    edit->document()->setDocumentMargin(0);
    edit->setContextMenuPolicy(Qt::DefaultContextMenu);
}

void fitHeight(QTextEdit *edit, int maxHeight)
{
    // The edit keeps the document as wide as its viewport; the height follows.
    QTextDocument *document = edit->document();
    const QMargins margins = edit->contentsMargins();
    const int wanted = int(std::ceil(document->documentLayout()->documentSize().height())) + margins.top()
        + margins.bottom() + 2 * edit->frameWidth();
    const int height = std::min(wanted, maxHeight);
    if (edit->height() != height || edit->minimumHeight() != height)
        edit->setFixedHeight(height);
}

} // namespace quillet::launcherStyle
