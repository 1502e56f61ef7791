#include "ui/common/SymbolIcons.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace quillet {

QString themeIconName(const QString &symbol)
{
    static const QHash<QString, QString> table {
        { QStringLiteral("magnifyingglass"), QStringLiteral("edit-find-symbolic") },
        { QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear-symbolic") },
        { QStringLiteral("xmark"), QStringLiteral("window-close-symbolic") },
        { QStringLiteral("clock"), QStringLiteral("document-open-recent-symbolic") },
        { QStringLiteral("clipboard"), QStringLiteral("edit-paste-symbolic") },
        { QStringLiteral("doc.text"), QStringLiteral("text-x-generic-symbolic") },
        { QStringLiteral("doc.richtext"), QStringLiteral("format-text-rich-symbolic") },
        { QStringLiteral("chevron.left.forwardslash.chevron.right"), QStringLiteral("text-editor-symbolic") },
        { QStringLiteral("photo"), QStringLiteral("image-x-generic-symbolic") },
        { QStringLiteral("doc"), QStringLiteral("folder-documents-symbolic") },
        { QStringLiteral("paintpalette"), QStringLiteral("applications-graphics-symbolic") },
        { QStringLiteral("doc.questionmark"), QStringLiteral("dialog-question-symbolic") },
        { QStringLiteral("pin.fill"), QStringLiteral("view-pin-symbolic") },
        { QStringLiteral("folder"), QStringLiteral("folder-symbolic") },
        { QStringLiteral("rectangle.expand.vertical"), QStringLiteral("view-fullscreen-symbolic") },
        { QStringLiteral("gear"), QStringLiteral("emblem-system-symbolic") },
        { QStringLiteral("gearshape"), QStringLiteral("preferences-system-symbolic") },
        { QStringLiteral("gearshape.2"), QStringLiteral("preferences-system-symbolic") },
        { QStringLiteral("keyboard"), QStringLiteral("input-keyboard-symbolic") },
        { QStringLiteral("paintbrush"), QStringLiteral("applications-graphics-symbolic") },
        { QStringLiteral("sparkles"), QStringLiteral("starred-symbolic") },
        { QStringLiteral("hand.raised"), QStringLiteral("action-unavailable-symbolic") },
        { QStringLiteral("terminal"), QStringLiteral("utilities-terminal-symbolic") },
        { QStringLiteral("trash"), QStringLiteral("user-trash-symbolic") },
        { QStringLiteral("xmark.app"), QStringLiteral("action-unavailable-symbolic") },
        { QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-ok-symbolic") },
        { QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic") },
        // The AI panel, the AI settings and the prompt editor.
        { QStringLiteral("arrow.up.circle.fill"), QStringLiteral("go-up-symbolic") },
        { QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy-symbolic") },
        { QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic") },
        { QStringLiteral("pencil"), QStringLiteral("document-edit-symbolic") },
        { QStringLiteral("eye"), QStringLiteral("view-reveal-symbolic") },
        // Built-in prompts.
        { QStringLiteral("textformat.abc"), QStringLiteral("tools-check-spelling-symbolic") },
        { QStringLiteral("briefcase"), QStringLiteral("x-office-document-symbolic") },
        { QStringLiteral("scissors"), QStringLiteral("edit-cut-symbolic") },
        { QStringLiteral("globe"), QStringLiteral("web-browser-symbolic") },
        { QStringLiteral("globe.asia.australia"), QStringLiteral("preferences-desktop-locale-symbolic") },
        { QStringLiteral("doc.plaintext"), QStringLiteral("format-text-plaintext-symbolic") },
        { QStringLiteral("lightbulb"), QStringLiteral("dialog-information-symbolic") },
        // The icons a saved prompt may use.
        { QStringLiteral("text.bubble"), QStringLiteral("chat-message-new-symbolic") },
        { QStringLiteral("pencil.and.outline"), QStringLiteral("document-edit-symbolic") },
        { QStringLiteral("wand.and.stars"), QStringLiteral("star-new-symbolic") },
        { QStringLiteral("brain"), QStringLiteral("applications-science-symbolic") },
        { QStringLiteral("text.quote"), QStringLiteral("format-indent-more-symbolic") },
        { QStringLiteral("arrow.triangle.swap"), QStringLiteral("object-flip-horizontal-symbolic") },
        { QStringLiteral("checkmark.circle"), QStringLiteral("emblem-ok-symbolic") },
        { QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning-symbolic") },
        { QStringLiteral("list.bullet"), QStringLiteral("view-list-bullet-symbolic") },
        { QStringLiteral("textformat"), QStringLiteral("font-x-generic-symbolic") },
        { QStringLiteral("character.book.closed"), QStringLiteral("accessories-dictionary-symbolic") },
    };
    return table.value(symbol);
}

namespace {

// A simple drawn stand-in: a rounded page, so a missing theme icon never
// leaves a hole in a row.
QPixmap fallbackPixmap(int size, const QColor &tint, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(tint.isValid() ? tint : QColor(120, 120, 120));
    pen.setWidthF(qMax(1.0, size / 12.0));
    painter.setPen(pen);
    const QRectF page(size * 0.22, size * 0.12, size * 0.56, size * 0.76);
    painter.drawRoundedRect(page, size * 0.08, size * 0.08);
    return pixmap;
}

QPixmap tinted(const QPixmap &source, const QColor &tint)
{
    if (!tint.isValid() || source.isNull())
        return source;
    QPixmap out(source.size());
    out.setDevicePixelRatio(source.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), tint);
    return out;
}

// The symbol at `size` logical pixels drawn at `ratio` device pixels each.
QPixmap renderedSymbol(const QString &symbol, int size, const QColor &tint, qreal ratio)
{
    const QString name = themeIconName(symbol);
    const QIcon themed = name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
    if (themed.isNull())
        return fallbackPixmap(size, tint, ratio);
    QPixmap pixmap = themed.pixmap(QSize(size, size), ratio);
    return tinted(pixmap, tint);
}

class TintedIconEngine final : public QIconEngine {
public:
    TintedIconEngine(QString symbol, QColor tint)
        : m_symbol(std::move(symbol))
        , m_tint(std::move(tint))
    {
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }
    // QIcon asks for device pixels and sets the pixel ratio itself.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        QColor tint = m_tint;
        if (mode == QIcon::Disabled && tint.isValid())
            tint.setAlphaF(tint.alphaF() * 0.4);
        return renderedSymbol(m_symbol, qMin(size.width(), size.height()), tint, 1.0);
    }
    QIconEngine *clone() const override { return new TintedIconEngine(m_symbol, m_tint); }

private:
    QString m_symbol;
    QColor m_tint;
};

} // namespace

QPixmap symbolPixmap(const QString &symbol, int size, const QColor &tint)
{
    const qreal ratio = 2.0; // crisp on high-density screens, cheap elsewhere
    return renderedSymbol(symbol, size, tint, ratio);
}

QIcon symbolIcon(const QString &symbol, const QColor &tint)
{
    return QIcon(new TintedIconEngine(symbol, tint));
}

void installIconThemeFallback()
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
}

} // namespace quillet
