#pragma once

#include <QString>
#include <QStringList>

namespace quillet {

// "Characters" in Quillet are user-perceived characters (extended grapheme
// clusters): an emoji family or a letter with combining marks counts as one.

qsizetype graphemeCount(const QString &text);

// The first `count` characters of `text` (all of it when it is shorter).
QString leftGraphemes(const QString &text, qsizetype count);

// `text` cut into its characters, in order.
QStringList splitGraphemes(const QString &text);

} // namespace quillet
