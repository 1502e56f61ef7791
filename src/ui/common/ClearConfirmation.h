#pragma once

class QWidget;

namespace quillet {

class AppActions;

// Clear, after asking: a dialog names how many entries go and says that the
// pinned ones stay, and only "Clear" clears. With nothing to clear nothing is
// asked. The dialog does not block: its window (over `parent`, or on its own
// without one) may outlive the view that opened it, and goes with `parent`.
void clearAfterAsking(AppActions &actions, QWidget *parent);

} // namespace quillet
