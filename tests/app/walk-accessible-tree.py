#!/usr/bin/python3
"""Walks the accessibility tree of one window of a running program over AT-SPI.

    walk-accessible-tree.py PID WINDOW_NAME [SECONDS]

Waits until the program with process id PID shows a window named WINDOW_NAME,
or one whose content is named so (at most SECONDS, 15 by default), then prints one line for every control in it
that a screen reader could not name: a control the user can focus or act on
(buttons, switches, fields, lists and their rows, tabs, menus) whose accessible
name is empty. Exits 0 after a walk, whatever it found; 2 when the window never
appeared. Runs with Debian's python3 and python3-pyatspi.
"""

import sys
import time

import pyatspi

# Roles a user acts on; each needs a name even where it takes no focus (a
# button the pointer clicks still has to be announced).
ACTED_ON = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_LINK,
}
# Roles whose own text is what a screen reader reads, or that only group others.
SELF_SPOKEN = {
    pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC, pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL,
    pyatspi.ROLE_SCROLL_PANE, pyatspi.ROLE_VIEWPORT, pyatspi.ROLE_SEPARATOR, pyatspi.ROLE_SCROLL_BAR,
    pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_IMAGE, pyatspi.ROLE_ICON, pyatspi.ROLE_PARAGRAPH,
    pyatspi.ROLE_HEADER, pyatspi.ROLE_GROUPING,
}
# Scroll bars are named by Qt after their direction and take no focus of their own.
SKIPPED = {pyatspi.ROLE_SCROLL_BAR}


def find_window(pid, name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
            for window in app:
                if window is None or not window.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                # A popup has no title of its own: its content names it.
                if window.name == name or any(child is not None and child.name == name for child in window):
                    return window
        except Exception:  # an application leaving the bus while we look
            continue
    return None


def shown_windows(pid):
    return [(window.getRoleName(), window.name, [child.name for child in window])
            for app in pyatspi.Registry.getDesktop(0) if app is not None and app.get_process_id() == pid
            for window in app if window is not None]


def needs_name(node, states):
    role = node.getRole()
    if role in SKIPPED or not states.contains(pyatspi.STATE_SHOWING):
        return False
    if role in ACTED_ON:
        return True
    return states.contains(pyatspi.STATE_FOCUSABLE) and role not in SELF_SPOKEN


def walk(node, path, unnamed):
    states = node.getState()
    if not states.contains(pyatspi.STATE_SHOWING):
        return
    here = f"{path} > {node.getRoleName()}"
    if needs_name(node, states) and not node.name.strip():
        hint = node.description or ""
        unnamed.append(here + (f" ({hint})" if hint else ""))
    for index, child in enumerate(node):
        if child is not None:
            walk(child, f"{here}[{index}]", unnamed)


def main():
    pid, name = int(sys.argv[1]), sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 15.0
    deadline = time.monotonic() + seconds
    window = find_window(pid, name)
    while window is None:
        if time.monotonic() > deadline:
            print(f"no window named {name!r} of process {pid} on the accessibility bus; it shows "
                  f"{shown_windows(pid)}", file=sys.stderr)
            return 2
        # The registry learns of new windows as they are shown; ask again.
        time.sleep(0.05)
        window = find_window(pid, name)
    unnamed = []
    walk(window, repr(name), unnamed)
    for line in unnamed:
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
