#pragma once

#include "app/cli/CommandProtocol.h"
#include "store/ClipboardItem.h"

#include <optional>

namespace quillet {
class Store;
}

namespace quillet::cli {

// The commands that only read (list, get, export, snippets), over a store:
// the running Quillet's own, or the user's store opened read-only when
// Quillet is not running. Both answer alike. An export leaves out `secrets`.
Reply executeReadCommand(Store &store, const Request &request, const QStringList &secrets = {});

// The entry at `position` (1 = the most recently used), or nothing with the
// reason in `error`.
std::optional<ClipboardItem> itemAtPosition(Store &store, qint64 position, QString *error);

} // namespace quillet::cli
