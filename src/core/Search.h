#pragma once

#include <QString>

namespace quillet {

// The one search rule of the history and snippet lists: an empty query shows
// everything; otherwise the text must contain the query, ignoring letter case
// and accents ("cafe" finds "Café").

// A text as the rule compares it: compatibility-decomposed, accents dropped,
// lower-cased. Folding a text and a query and comparing them by substring is
// the rule; the history keeps its entries' texts folded for that.
QString foldForSearch(const QString &text);

inline bool matchesSearch(const QString &title, const QString &query)
{
    return query.isEmpty() || foldForSearch(title).contains(foldForSearch(query));
}

} // namespace quillet
