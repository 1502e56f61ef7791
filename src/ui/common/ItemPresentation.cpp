#include "ui/common/ItemPresentation.h"

#include "clipboard/RtfReader.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextDocument>

namespace quillet {

QString contentTypeSymbol(ContentType type)
{
    switch (type) {
    case ContentType::plainText:
        return QStringLiteral("doc.text");
    case ContentType::richText:
        return QStringLiteral("doc.richtext");
    case ContentType::html:
        return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case ContentType::image:
        return QStringLiteral("photo");
    case ContentType::fileURL:
        return QStringLiteral("doc");
    case ContentType::color:
        return QStringLiteral("paintpalette");
    case ContentType::generic:
        break;
    }
    return QStringLiteral("doc.questionmark");
}

QColor contentTypeTint(ContentType type, const QPalette &palette)
{
    switch (type) {
    case ContentType::plainText:
        return palette.color(QPalette::WindowText);
    case ContentType::richText:
        return QColor(0x1c, 0x71, 0xd8); // blue
    case ContentType::html:
        return QColor(0xe6, 0x61, 0x00); // orange
    case ContentType::image:
        return QColor(0x2e, 0xc2, 0x7e); // green
    case ContentType::fileURL:
        return QColor(0x91, 0x41, 0xac); // purple
    case ContentType::color:
        return QColor(0xe0, 0x1b, 0x8c); // pink
    case ContentType::generic:
        break;
    }
    return palette.color(QPalette::PlaceholderText);
}

QString displayTitle(const QString &title)
{
    if (!title.startsWith(QLatin1String("{\\rtf")))
        return title;
    const auto text = rtfToPlainText(title.toUtf8());
    if (!text)
        return title;
    QString line = *text;
    const QStringList lines
        = text->split(QRegularExpression(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]")), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        line = lines.first();
    qsizetype start = 0;
    qsizetype end = line.size();
    while (start < end && (line[start] == QLatin1Char(' ') || line[start] == QLatin1Char('\t')))
        ++start;
    while (end > start && (line[end - 1] == QLatin1Char(' ') || line[end - 1] == QLatin1Char('\t')))
        --end;
    return line.mid(start, end - start);
}

QString plainToolTip(const QString &text)
{
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString relativeTime(const QDateTime &when, const QDateTime &now)
{
    const qint64 seconds = when.secsTo(now);
    const bool future = seconds < 0;
    const qint64 s = future ? -seconds : seconds;
    // The count is worked out first: lupdate cannot read a division in a
    // plural's count argument.
    const char *unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n sec.");
    qint64 count = s;
    if (s >= 365 * 86400) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n yr.");
        count = s / (365 * 86400);
    } else if (s >= 30 * 86400) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n mo.");
        count = s / (30 * 86400);
    } else if (s >= 7 * 86400) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n wk.");
        count = s / (7 * 86400);
    } else if (s >= 86400) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n day(s)");
        count = s / 86400;
    } else if (s >= 3600) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n hr.");
        count = s / 3600;
    } else if (s >= 60) {
        unit = QT_TRANSLATE_N_NOOP("ItemPresentation", "%n min.");
        count = s / 60;
    }
    const QString amount = QCoreApplication::translate("ItemPresentation", unit, nullptr, int(count));
    return future ? QCoreApplication::translate("ItemPresentation", "in %1").arg(amount)
                  : QCoreApplication::translate("ItemPresentation", "%1 ago").arg(amount);
}

} // namespace quillet
