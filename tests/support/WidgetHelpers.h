#pragma once

#include <QString>
#include <QTextDocumentFragment>

namespace quillet::test {

// The text a tooltip shows: Qt renders a tooltip that looks like markup as
// rich text.
inline QString shownToolTip(const QString &tip)
{
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

} // namespace quillet::test
