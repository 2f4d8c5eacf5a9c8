#!/usr/bin/env python3
"""Prints what a screen reader finds in the windows of one process on the accessibility bus.

Usage: atspi_controls.py PID. One line per window, "WINDOW <role>\t<name>", and one per control without a
name, "UNNAMED <window name>\t<role>\t<path of roles>". A control is what a user acts on or reads from.
"""
import sys

import pyatspi

CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_MENU_ITEM,
}
# Their rows and cells are named by what they hold.
CONTAINERS = {pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE,
              pyatspi.ROLE_TREE_TABLE}


def walk(node, window, path):
    role = node.getRole()
    here = path + [node.getRoleName()]
    if role in CONTROLS and not (node.name or "").strip():
        print("UNNAMED %s\t%s\t%s" % (window, node.getRoleName(), "/".join(here)))
    if role in CONTAINERS:
        return
    for child in node:
        if child is not None:
            walk(child, window, here)


def main():
    pid = int(sys.argv[1])
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.get_process_id() != pid:
            continue
        for window in app:
            if window is None:
                continue
            print("WINDOW %s\t%s" % (window.getRoleName(), window.name))
            walk(window, window.name, [])


main()
