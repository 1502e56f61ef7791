#pragma once

#include <QString>

namespace quillet::shortcuts {

// The shortcut library's text for a key, from its resource bundle
// "KeyboardShortcuts_KeyboardShortcuts" (the user's language, else English).
// A key the table lacks reads as itself. Without the bundle the process stops:
// a build that lost its texts cannot show its recorder.
QString localized(const QString &key);

} // namespace quillet::shortcuts
