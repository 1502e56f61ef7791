#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillet {

class Store;

// The history export file: a pretty-printed JSON array with one object per
// entry, newest createdAt first, holding "title", "contentType", "createdAt"
// (seconds since 1970), "isPinned" and, when known, "sourceApp". The settings
// window and `quillet export` write the same document. Nothing when the
// history cannot be read: a failed read is an error, not an empty export.
// Every occurrence of one of `secrets` (the API key, copied once from the
// page that issued it) reads "[redacted]": exports get shared.
std::optional<QByteArray> historyExportDocument(Store &store, const QStringList &secrets = {});

// Writes `document` to `path` readable by the user alone (0600, like the
// store it comes from), through a temporary file: a failed export leaves the
// file as it was, never half a file. Why it failed, if it did.
std::optional<QString> writeHistoryExport(const QByteArray &document, const QString &path);

} // namespace quillet
