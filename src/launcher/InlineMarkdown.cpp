#include "launcher/InlineMarkdown.h"

#include <QFontDatabase>

namespace quillet {

QString plainText(const InlineText &runs)
{
    QString text;
    for (const InlineRun &run : runs)
        text += run.text;
    return text;
}

QTextCharFormat charFormat(const InlineStyle &style, const QFont &base)
{
    QTextCharFormat format;
    QFont font = base;
    if (style.code) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (base.pixelSize() > 0)
            font.setPixelSize(base.pixelSize());
        else if (base.pointSizeF() > 0)
            font.setPointSizeF(base.pointSizeF());
    }
    if (style.bold)
        font.setWeight(QFont::Bold);
    font.setItalic(style.italic);
    font.setStrikeOut(style.strike);
    format.setFont(font);
    if (!style.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(style.link);
        format.setFontUnderline(true);
    }
    return format;
}

} // namespace quillet
