#pragma once

#include "shortcuts/KeyboardLayout.h"

typedef struct _XDisplay Display;

namespace quillet::shortcuts::x11 {

// The X keyboard's current layout. A key is named by its Latin character when
// the active group types something else there (as shortcuts are named), so
// with a Russian group active Ctrl+V still reads "V".
class X11KeyboardLayout final : public KeyboardLayout {
public:
    explicit X11KeyboardLayout(Display *display)
        : m_display(display)
    {
    }

    std::optional<QString> translate(int keyCode) const override;

private:
    Display *m_display;
};

} // namespace quillet::shortcuts::x11
