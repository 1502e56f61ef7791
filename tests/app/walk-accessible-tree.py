#!/usr/bin/python3
"""Walks the accessibility tree of one window of a running program over AT-SPI.

    walk-accessible-tree.py PID WINDOW_NAME [SECONDS] [--follow-focus]

Waits until the program with process id PID shows a window named WINDOW_NAME,
or one whose content is named so (at most SECONDS, 15 by default), then prints one line for every control in it
that a screen reader could not name: a control the user can focus or act on
(buttons, switches, fields, lists and their rows, tabs, menus) whose accessible
name is empty. Exits 0 after a walk, whatever it found; 2 when the window never
appeared. Runs with Debian's python3 and python3-pyatspi.

With --follow-focus the window is found the way a screen reader finds a popup,
which the program does not list among its windows: by the keyboard focus. The
walker prints "listening" once it hears focus changes; the first control of
the program to take the focus inside a window so named leads to that window.
"""

import sys
import time

import pyatspi
from gi.repository import GLib

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
                if is_named(window, name):
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


def is_named(window, name):
    # A popup has no title of its own: its content names it.
    return window.name == name or any(child is not None and child.name == name for child in window)


def window_of(node):
    """The window that holds node: its last ancestor below the application."""
    while True:
        parent = node.parent
        if parent is None or parent.getRole() == pyatspi.ROLE_APPLICATION:
            return node
        node = parent


def application(pid, deadline):
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app
        # A program joins the bus as it starts; ask again.
        time.sleep(0.05)
    return None


def follow_focus(pid, name, seconds):
    deadline = time.monotonic() + seconds
    app = application(pid, deadline)
    if app is None:
        return None, "the program is not on the accessibility bus"
    found, seen = [], []

    def on_focus(event):
        try:
            if not event.detail1 or event.source.get_process_id() != pid:
                return
            window = window_of(event.source)
            seen.append(f"{event.source.getRoleName()} in {window.getRoleName()} {window.name!r}")
            if is_named(window, name):
                found.append(window)
                pyatspi.Registry.stop()
        except Exception:  # the control went away while we looked
            pass

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    # The program learns of a new listener from the registry's signal, which
    # reaches it before any call made after registering: one call to it makes
    # sure it now reports focus changes.
    app.getRelationSet()
    print("listening", flush=True)

    def give_up():
        pyatspi.Registry.stop()
        return False

    GLib.timeout_add(max(0, int((deadline - time.monotonic()) * 1000)), give_up)
    pyatspi.Registry.start(gil=False)
    pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
    if found:
        return found[0], ""
    return None, f"no focus reached a window named {name!r}; the focus went to {seen}"


def wait_for_window(pid, name, seconds):
    deadline = time.monotonic() + seconds
    window = find_window(pid, name)
    while window is None:
        if time.monotonic() > deadline:
            return None, f"no window named {name!r} on the accessibility bus; it shows {shown_windows(pid)}"
        # The registry learns of new windows as they are shown; ask again.
        time.sleep(0.05)
        window = find_window(pid, name)
    return window, ""


def main():
    args = [arg for arg in sys.argv[1:] if arg != "--follow-focus"]
    follow = len(args) < len(sys.argv) - 1
    pid, name = int(args[0]), args[1]
    seconds = float(args[2]) if len(args) > 2 else 15.0
    window, problem = (follow_focus if follow else wait_for_window)(pid, name, seconds)
    if window is None:
        print(f"process {pid}: {problem}", file=sys.stderr)
        return 2
    unnamed = []
    walk(window, repr(name), unnamed)
    for line in unnamed:
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
