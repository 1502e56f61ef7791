#include "ui/launcher/CommandText.h"

#include "ui/launcher/LauncherStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>

#include <optional>

namespace quillet {

using namespace launcherStyle;

namespace {

// The escape for a character that must be seen, or nothing for one that
// shows as itself.
std::optional<QString> escapeFor(char32_t c)
{
    if (c == u'\n' || c == u'\t')
        return std::nullopt;
    switch (c) {
    case 0x00:
        return QStringLiteral("\\0");
    case 0x07:
        return QStringLiteral("\\a");
    case 0x08:
        return QStringLiteral("\\b");
    case 0x0B:
        return QStringLiteral("\\v");
    case 0x0C:
        return QStringLiteral("\\f");
    case 0x0D:
        return QStringLiteral("\\r");
    case 0x1B:
        return QStringLiteral("\\e");
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F)
        return QStringLiteral("\\x") + QString::number(uint(c), 16).toUpper().rightJustified(2, u'0');
    const QChar::Category category = QChar::category(c);
    if ((c >= 0x80 && c < 0xA0) || QChar::isSurrogate(c) || category == QChar::Other_Format
        || category == QChar::Separator_Line || category == QChar::Separator_Paragraph
        || (category == QChar::Separator_Space && c != u' ') || category == QChar::Other_NotAssigned
        || category == QChar::Other_PrivateUse)
        return QStringLiteral("\\u")
            + QString::number(uint(c), 16).toUpper().rightJustified(c > 0xFFFF ? 6 : 4, u'0');
    return std::nullopt;
}

} // namespace

QList<ShownPiece> visiblePieces(QStringView command)
{
    QList<ShownPiece> pieces;
    const auto add = [&pieces](const QString &text, bool escape) {
        if (!pieces.isEmpty() && pieces.last().escape == escape)
            pieces.last().text += text;
        else
            pieces.append(ShownPiece { text, escape });
    };
    for (qsizetype i = 0; i < command.size(); ++i) {
        qsizetype units = 1;
        char32_t c = command[i].unicode();
        if (command[i].isHighSurrogate() && i + 1 < command.size() && command[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(command[i], command[i + 1]);
            units = 2;
        }
        if (const auto escape = escapeFor(c))
            add(*escape, true);
        else
            add(command.mid(i, units).toString(), false);
        i += units - 1;
    }
    return pieces;
}

QString visibleControls(QStringView command)
{
    QString shown;
    for (const ShownPiece &piece : visiblePieces(command))
        shown += piece.text;
    return shown;
}

PlainTextView::PlainTextView(const QFont &font, int maxHeight, QWidget *parent)
    : QTextEdit(parent)
    , m_maxHeight(maxHeight)
{
    makeFittedText(this);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFont(font);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        [this] { fitHeight(this, m_maxHeight); });
}

void PlainTextView::setCommand(const QString &command)
{
    clear();
    QTextCharFormat plain;
    plain.setFont(font());
    plain.setForeground(palette().color(QPalette::Text));
    QTextCharFormat marked = plain;
    marked.setForeground(QColor(0x1e, 0x1f, 0x22));
    marked.setBackground(launcherStyle::approvalOrange());
    QTextCursor cursor(document());
    for (const ShownPiece &piece : visiblePieces(command))
        cursor.insertText(piece.text, piece.escape ? marked : plain);
    fitHeight(this, m_maxHeight);
}

void PlainTextView::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    fitHeight(this, m_maxHeight);
}

} // namespace quillet
