#pragma once

#include <QString>

namespace quillet {

// The one search rule of the history and snippet lists: an empty query shows
// everything; otherwise the lower-cased title must contain the lower-cased query.
inline bool matchesSearch(const QString &title, const QString &query)
{
    return query.isEmpty() || title.toLower().contains(query.toLower());
}

} // namespace quillet
