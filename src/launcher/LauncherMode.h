#pragma once

namespace quillet {

// What the launcher's search field is doing, chosen by its first character:
// plain text finds applications, "?" chats with the model, ">" runs a
// terminal task.
enum class LauncherMode { apps, aiChat, terminal };

} // namespace quillet
