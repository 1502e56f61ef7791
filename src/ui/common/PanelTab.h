#pragma once

namespace quillet {

// Which list the floating panel shows.
enum class PanelTab { history, snippets };

} // namespace quillet
