#include "core/Graphemes.h"

#include <QTextBoundaryFinder>

namespace quillet {

qsizetype graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString leftGraphemes(const QString &text, qsizetype count)
{
    if (count <= 0)
        return {};
    // A character is at least one UTF-16 unit, so short texts need no walk.
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype end = 0;
    while (seen < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
        ++seen;
    }
    return text.left(end);
}

QStringList splitGraphemes(const QString &text)
{
    QStringList out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    qsizetype next;
    while ((next = finder.toNextBoundary()) > 0) {
        out.append(text.mid(start, next - start));
        start = next;
    }
    return out;
}

} // namespace quillet
